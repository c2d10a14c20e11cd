#pragma once
// The invoicing windows of this module, for the program's start-up.
namespace kestrum {

/// \brief Registers TInvoice, the line editors TInvItem and TInvLabor and the finders
/// TInvPartFind and TInvLaborFind, the estimate windows TEstimate, TEstimateItem, TEstimateLabor,
/// TEstimatePartFind and TEstimateLaborFind, and the lists TOpenInvoice and
/// TFinishedInvoiceReport with the WindowFactory under their class names.
void registerInvoicingWindows();

}  // namespace kestrum
