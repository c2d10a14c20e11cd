#pragma once
// The report windows, period totals and history browsers of this module, for the program's start-up.
namespace kestrum {

/// \brief Registers TReport, its report windows (TReportPayable, TReportReceivable, TReportVendor1,
/// TReportItems, TReportCustomer, TReportBank, TTotalAmountReport, TTotalReceivable) and the history browsers
/// with the WindowFactory under their class names.
void registerReportWindows();

}  // namespace kestrum
