#pragma once
// The invoicing windows of this module, for the program's start-up.
namespace kestrum {

/// \brief Registers TInvoice, the line editors TInvItem and TInvLabor and the finders
/// TInvPartFind and TInvLaborFind with the WindowFactory under their class names.
void registerInvoicingWindows();

}  // namespace kestrum
