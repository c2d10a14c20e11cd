#pragma once
// The receivable, bank and deposit windows of this module, for the program's start-up.
namespace kestrum {

/// \brief Registers TBank, TDeposit, TReceivable, TReceivableFind and TReceivableList with the
/// WindowFactory under their class names.
void registerReceivablesWindows();

}  // namespace kestrum
