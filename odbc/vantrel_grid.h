#pragma once
// Umbrella header of libvantrel_grid: the data grid and the extended grid (Qt Widgets), with
// everything of <vantrel/vantrel.h>.
//
// Link with Vantrel::vantrel_grid (CMake, `find_package(Vantrel COMPONENTS grid)`) or
// `pkg-config --libs vantrel_grid`.
#include <vantrel/vantrel.h>

#include <vantrel/grid/DBGrid.h>
#include <vantrel/grid/ExtDBGrid.h>
#include <vantrel/grid/GridComponent.h>
#include <vantrel/grid/ConnectDialog.h>
