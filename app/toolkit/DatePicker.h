#pragma once
// A date picker button beside the text box that holds the date: the box is what is saved, the
// picker only helps to fill it.
class QDateEdit;
class QLineEdit;

namespace kestrum::ui {

/// \brief Ties `picker` to `box`: the picker opens on the box's date (today while the box holds
/// none), and every pick writes the box, the date it already showed included.
void tieDatePicker(QDateEdit* picker, QLineEdit* box);

}  // namespace kestrum::ui
