#pragma once
// The master-record windows of this module, for the program's start-up.
namespace kestrum {

/// \brief Registers TPart, TCustomer, TCompany, TEmployee, TLabor, TTax and TProfile with the
/// WindowFactory under their class names.
void registerRecordWindows();

}  // namespace kestrum
