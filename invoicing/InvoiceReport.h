#pragma once
// The invoice printout: three copies (shop, customer, accounting) on US letter, read from the
// queries the invoice window shows. The estimate prints the same layout with its own title.
#include "QueryDataSet.h"
#include "Report.h"

namespace kestrum {
class Query;
}

namespace kestrum::invoicing {

struct InvoiceSources {
    kestrum::Query* header = nullptr;  ///< its current row is printed
    kestrum::Query* items = nullptr;
    kestrum::Query* labor = nullptr;
    kestrum::Query* shop = nullptr;  ///< the profile row (QReg1)
};

/// \brief One invoice layout bound to its queries: `taxed` prints the tax on the parts at `rate`
/// (the shared look-up's rate of the invoice's month, 0 when none), otherwise "No Tax". `title` is
/// the big word beside the number ("Invoice", "Estimate").
class InvoiceReport {
public:
    InvoiceReport(const InvoiceSources& sources, bool taxed, const Decimal& rate, const QString& title);
    InvoiceReport(const InvoiceReport&) = delete;
    InvoiceReport& operator=(const InvoiceReport&) = delete;

    const report::Report& report() const { return report_; }

private:
    /// The header query is the window's whole document list; only its current row prints, so it
    /// is not read to the end first.
    class CurrentRowDataSet : public report::QueryDataSet {
    public:
        using QueryDataSet::QueryDataSet;
        void prepare() override {}
    };
    CurrentRowDataSet header_;
    report::QueryDataSet items_, labor_, shop_;
    report::Report report_;
};

}  // namespace kestrum::invoicing
