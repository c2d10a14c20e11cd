#pragma once
// Files the program ships beside itself (help pages, icon): found at run time, never by a path
// of the build tree.
#include <QString>

namespace kestrum::ui {

/// \brief The absolute path of `relative` (e.g. "kestrum/help/index.html") in the program's
/// data folders: first <folder of the executable>/../share, then $XDG_DATA_HOME and
/// $XDG_DATA_DIRS. "" when it is in none of them.
QString dataFile(const QString& relative);

/// The folders dataFile() looks in, in order (for messages).
QStringList dataFolders();

}  // namespace kestrum::ui
