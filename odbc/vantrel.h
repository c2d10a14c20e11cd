#pragma once
// Umbrella header of libvantrel: every public class of the plain C++ library (the component
// framework it builds on, the ODBC core, the extensions and the entity layer). The data grids
// need Qt and have their own umbrella, <vantrel/vantrel_grid.h>.
//
// Link with Vantrel::vantrel (CMake) or `pkg-config --libs vantrel`.

// The component framework: strings, exceptions, components, streams, datasets and fields.
#include <vantrel/framework/SysUtils.h>
#include <vantrel/framework/DBError.h>
#include <vantrel/framework/Variant.h>
#include <vantrel/framework/Classes.h>
#include <vantrel/framework/Streaming.h>
#include <vantrel/framework/SyncObjs.h>
#include <vantrel/framework/Registry.h>
#include <vantrel/framework/AppServices.h>
#include <vantrel/framework/DBFields.h>
#include <vantrel/framework/DB.h>

// The ODBC core: errors, the session and connections, datasets and queries, parameters, blobs.
#include <vantrel/core/ODBCError.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCBlob.h>

// Extensions: the editable dataset, the connection pool and its query, the query tools.
#include <vantrel/ext/ODBCExtDataSet.h>
#include <vantrel/ext/MultiDB.h>
#include <vantrel/ext/ODBCTools.h>

// The entity layer: one table's rows through generated SQL or stored procedures.
#include <vantrel/entity/ODBCEntity.h>
