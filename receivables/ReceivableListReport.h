#pragma once
// The printed list of payments.
#include <memory>

namespace kestrum {
class Query;
}
namespace kestrum::report {
class Report;
class QueryDataSet;
}

namespace kestrum::receivables {

/// \brief The layout of the printed receivable list over `payments` (a query of Receivable
/// rows, printed as it stands: its rows in its current order): one framed line per payment and
/// the total amount at the end.
struct ReceivableListReport {
    explicit ReceivableListReport(Query* payments);
    ~ReceivableListReport();
    std::unique_ptr<report::QueryDataSet> dataSet;  // "frxDBDataset1Rec"
    std::unique_ptr<report::Report> report;
};

}  // namespace kestrum::receivables
