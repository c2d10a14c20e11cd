#pragma once
// Names a screen reader can say for every control of a window, taken from the captions the
// window already shows, so windows need name only what has no caption at all.
#include <QString>

class QWidget;

namespace kestrum::ui {

/// \brief Gives the controls of `window` that have no accessible name one from their caption:
/// - a caption label "capX" is tied to its control or figure label "X" (buddy) when it is not yet;
/// - a control with a caption label takes the caption's text ("Invoice Date");
/// - a date picker beside a named box is "<box name> picker";
/// - a button showing only symbols takes its tool tip ("First"; "First record" in a navigator);
/// - a grid or other control takes its tool tip, else a grid is "<window title> list".
/// Names already set are kept; the window's later caption changes do not follow.
void nameControls(QWidget* window);

/// Whether `w` is a control a user works with (button, box, list, grid, picker), which needs a name.
bool isControl(const QWidget* w);

/// A caption as a name: without "&" marks, the closing colon and surrounding blanks.
QString captionAsName(const QString& caption);

}  // namespace kestrum::ui
