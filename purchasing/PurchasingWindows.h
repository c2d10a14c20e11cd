#pragma once
// The purchasing windows of this module, for the program's start-up.
namespace kestrum {

/// \brief Registers TPoOrder, TOrderItem, TLaborFind (the start-up part picker of the order
/// lines), TBill, TBillPart, TBillExpense, TPayable, TPayableOrder, TFindPayable and
/// TPayableList with the WindowFactory under their class names.
void registerPurchasingWindows();

} // namespace kestrum
