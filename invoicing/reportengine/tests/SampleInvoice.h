#pragma once
// An invoice-like layout over in-memory rows: the most demanding shape the engine must print
// (three copies, framed header, two line bands, totals with a tax, a long page footer).
#include "Report.h"

struct SampleInvoice {
    kestrum::report::MemoryDataSet invoice;
    kestrum::report::MemoryDataSet items;
    kestrum::report::MemoryDataSet labor;
    kestrum::report::MemoryDataSet tax;
    kestrum::report::MemoryDataSet shop;
    kestrum::report::Report report;
    kestrum::report::Sum partTotal;
    kestrum::report::Sum laborTotal;

    /// `parts` part lines of 12.34 * i each, two labor lines.
    explicit SampleInvoice(int parts);
};
