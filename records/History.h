#pragma once
// Opening the history browsers of a record window.
#include <QString>

class QWidget;

namespace kestrum::records {

/// \brief Shows the start-up auxiliary window of `className` modally; when this build has no
/// such window, says so instead of doing nothing.
void showAuxHistory(const QString& className);

/// \brief Opens a new history window of `className` as an MDI child (the launcher's rules for
/// windows no module provides apply).
void openChildHistory(const QString& className);

}  // namespace kestrum::records
