#include "CsvExport.h"

#include "Decimal.h"
#include "Dialogs.h"
#include "Query.h"
#include "QueryModel.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTableView>

#include <stdexcept>

namespace kestrum::ui {

namespace {

CsvFileChooser& fileChooser()
{
    static CsvFileChooser chooser;
    return chooser;
}

constexpr int ProgressEvery = 500;         // rows between progress calls
constexpr qsizetype FlushAt = 256 * 1024;  // bytes held before they go to the file

// Writes the rows to a temporary file beside the target; only commit() gives it the final name.
class CsvWriter {
public:
    CsvWriter(const QString& fileName, std::function<bool(qint64)> progress)
        : file_(fileName), progress_(std::move(progress))
    {
        if (!file_.open(QIODevice::WriteOnly))
            throw std::runtime_error(QStringLiteral("Cannot write %1: %2").arg(fileName, file_.errorString()).toStdString());
        buffer_.reserve(FlushAt + 4096);
    }
    ~CsvWriter()
    {
        if (!committed_)
            file_.cancelWriting();
    }

    void field(const QString& text)
    {
        if (!first_)
            buffer_ += ',';
        first_ = false;
        buffer_ += csvField(text).toUtf8();
    }
    /// Ends a line; false when the user asked to stop.
    bool endLine(bool counts = true)
    {
        buffer_ += "\r\n";
        first_ = true;
        if (buffer_.size() >= FlushAt)
            flush();
        if (!counts)
            return true;
        ++rows_;
        if (progress_ && rows_ % ProgressEvery == 0 && !progress_(rows_))
            stopped_ = true;
        return !stopped_;
    }
    bool stopped() const { return stopped_; }
    void commit()
    {
        flush();
        if (progress_ && !progress_(rows_)) {
            stopped_ = true;
            return;
        }
        if (!file_.commit())
            throw std::runtime_error(
                QStringLiteral("Cannot write %1: %2").arg(file_.fileName(), file_.errorString()).toStdString());
        committed_ = true;
    }

private:
    void flush()
    {
        if (!buffer_.isEmpty() && file_.write(buffer_) != buffer_.size())
            throw std::runtime_error(
                QStringLiteral("Cannot write %1: %2").arg(file_.fileName(), file_.errorString()).toStdString());
        buffer_.clear();
    }

    QSaveFile file_;
    std::function<bool(qint64)> progress_;
    QByteArray buffer_;
    qint64 rows_ = 0;
    bool first_ = true;
    bool stopped_ = false;
    bool committed_ = false;
};

// The grid's visible columns (model columns) in the order the header shows them.
QList<int> shownColumns(const QTableView* view)
{
    QList<int> columns;
    const QHeaderView* header = view->horizontalHeader();
    const int count = view->model() ? view->model()->columnCount() : 0;
    for (int visual = 0; visual < count; ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && !header->isSectionHidden(logical))
            columns << logical;
    }
    return columns;
}

void writeQueryRows(Query* q, const QList<int>& columns, CsvWriter& out)
{
    if (!q || !q->Active())
        return;
    if ((q->canFetchMore() || q->paged()) && !q->shownOrderSql().isEmpty()) {
        // The grid holds only some of the rows; the database repeats the shown order, so every
        // row is read again from it, one at a time, and never kept.
        q->streamRows([&](const std::vector<QVariant>& row) {
            for (int c : columns)
                out.field(csvText(size_t(c) < row.size() ? row[size_t(c)] : QVariant()));
            return out.endLine();
        });
        return;
    }
    // Lists sorted here are whole in the query already (such a sort reads every row): write them as shown.
    for (int r = 0; r < q->fetchedCount(); ++r) {
        for (int c : columns)
            out.field(csvText(q->fieldAt(r, c).AsVariant()));
        if (!out.endLine())
            return;
    }
}

void writeModelRows(QAbstractItemModel* model, const QList<int>& columns, CsvWriter& out)
{
    while (model->canFetchMore({}))
        model->fetchMore({});
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c : columns)
            out.field(model->data(model->index(r, c), Qt::DisplayRole).toString());
        if (!out.endLine())
            return;
    }
}

}  // namespace

QString csvField(const QString& text)
{
    const bool quote = text.contains(u',') || text.contains(u'"') || text.contains(u'\n') ||
                       text.contains(u'\r') || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote)
        return text;
    QString out = text;
    out.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

QString csvText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>().toString();
    switch (value.metaType().id()) {
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.date().toString(Qt::ISODate) : dt.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    }
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    case QMetaType::Double:
    case QMetaType::Float:
        return Decimal::fromDouble(value.toDouble()).toString();
    default:
        return value.toString();
    }
}

CsvResult writeGridCsv(QTableView* view, const QString& fileName, const std::function<bool(qint64)>& progress)
{
    QAbstractItemModel* model = view->model();
    CsvWriter out(fileName, progress);
    const QList<int> columns = shownColumns(view);
    for (int c : columns)
        out.field(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    if (!columns.isEmpty())
        out.endLine(false);
    if (auto* qm = qobject_cast<QueryModel*>(model))
        writeQueryRows(qm->query(), columns, out);
    else if (model)
        writeModelRows(model, columns, out);
    if (out.stopped())
        return CsvResult::Cancelled;
    out.commit();
    return out.stopped() ? CsvResult::Cancelled : CsvResult::Written;
}

CsvFileChooser setCsvFileChooser(CsvFileChooser chooser)
{
    CsvFileChooser previous = std::move(fileChooser());
    fileChooser() = std::move(chooser);
    return previous;
}

void exportGridCsv(QTableView* view)
{
    QWidget* window = view->window();
    QString title = window->windowTitle().trimmed();
    if (title.isEmpty())
        title = QStringLiteral("list");
    const QString suggested = QDir::home().filePath(title + QStringLiteral(".csv"));
    QString fileName = fileChooser() ? fileChooser()(window, suggested)
                                     : QFileDialog::getSaveFileName(window, QStringLiteral("Export to CSV"), suggested,
                                                                    QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (fileName.isEmpty())
        return;
    runGuarded(window, [&] {
        QProgressDialog dialog(QStringLiteral("Exporting the list…"), QStringLiteral("Cancel"), 0, 0, window);
        dialog.setWindowTitle(QStringLiteral("Export to CSV"));
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setMinimumDuration(500);
        writeGridCsv(view, fileName, [&](qint64 rows) {
            dialog.setLabelText(QStringLiteral("Exporting the list… %1 rows").arg(rows));
            QCoreApplication::processEvents();
            return !dialog.wasCanceled();
        });
    });
}

void addCsvExport(QTableView* view)
{
    const QString name = QStringLiteral("csvExport");
    for (QAction* a : view->actions())
        if (a->objectName() == name)
            return;
    auto* action = new QAction(QStringLiteral("Export to CSV…"), view);
    action->setObjectName(name);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    action->setShortcutContext(Qt::WidgetShortcut);
    view->addAction(action);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(action, &QAction::triggered, view, [view] { exportGridCsv(view); });
}

}  // namespace kestrum::ui
