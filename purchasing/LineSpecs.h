#pragma once
// The order, bill-part and bill-expense line editors and the order-part picker, as data for the
// shared line editor and picker.
#include "LineSpec.h"

namespace kestrum::purchasing {

lines::LineSpec orderItemSpec();
lines::LineSpec billPartSpec();
lines::LineSpec billExpenseSpec();
lines::PickerSpec orderPartPickerSpec();

} // namespace kestrum::purchasing
