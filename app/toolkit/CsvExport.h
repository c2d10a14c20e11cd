#pragma once
// "Export to CSV…" of every grid: the rows and columns the grid shows, in its order and sort,
// written as RFC 4180 text in UTF-8 (dates ISO 8601, numbers plain with a point) to a file that
// appears only when the whole list is written.
#include <QString>
#include <QVariant>

#include <functional>

class QTableView;
class QWidget;

namespace kestrum::ui {

/// \brief One value as a CSV field: quoted (quotes doubled) when it holds a comma, a quote, a
/// line break or blanks at either end.
QString csvField(const QString& text);
/// \brief A grid value as text for a spreadsheet: null empty, Decimal and integers plain
/// ("1234.5", "-0.07"), dates "yyyy-MM-dd" (with "THH:mm:ss" when there is a time of day),
/// booleans "Yes" / "No", anything else as its text.
QString csvText(const QVariant& value);

enum class CsvResult { Written, Cancelled };

/// \brief Writes what `view` shows to `fileName`: the visible columns in their shown order with
/// the shown titles as the first row, then every row in the shown order. Rows the grid has not
/// read yet are streamed from the database, never loaded into the grid. `progress` is told the
/// rows written so far every few hundred rows and may return false to stop: nothing is left
/// then, and a file already at `fileName` stays as it was. Throws DatabaseError, or
/// std::runtime_error when the file cannot be written.
CsvResult writeGridCsv(QTableView* view, const QString& fileName,
                       const std::function<bool(qint64 rows)>& progress = {});

/// \brief The context-menu entry and Ctrl+Shift+E of a grid: asks for a file, writes it with a
/// cancellable progress dialog and reports a failure in the standard error box.
void exportGridCsv(QTableView* view);

/// \brief Adds "Export to CSV…" to the grid's context menu and Ctrl+Shift+E to the grid.
void addCsvExport(QTableView* view);

/// \brief The file chooser of exportGridCsv ("" = cancelled); replaceable so tests need no
/// user. Returns the previous one; an empty function restores the save-file dialog.
using CsvFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
CsvFileChooser setCsvFileChooser(CsvFileChooser chooser);

}  // namespace kestrum::ui
