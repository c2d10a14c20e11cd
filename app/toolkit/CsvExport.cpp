#include "CsvExport.h"

#include "Decimal.h"
#include "Dialogs.h"
#include "Query.h"
#include "QueryModel.h"
#include "TextRows.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTableView>

#include <charconv>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrum::ui {

namespace {

CsvFileChooser& fileChooser()
{
    static CsvFileChooser chooser;
    return chooser;
}

constexpr int ProgressEvery = 500;      // rows between progress calls
constexpr size_t FlushAt = 1024 * 1024;  // bytes held before they go to the file

// Whether csvField quotes a text: a comma, a quote or a line break in it (`special`), or blanks at
// either end (its first and last characters).
bool quoteRule(bool special, bool empty, char32_t first, char32_t last)
{
    return special || (!empty && (QChar::isSpace(first) || QChar::isSpace(last)));
}

bool needsQuotes(QStringView text, bool* ascii)
{
    bool quote = false, plain = true;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        plain = plain && u < 0x80;
        quote = quote || u == u',' || u == u'"' || u == u'\n' || u == u'\r';
    }
    *ascii = plain;
    return quoteRule(quote, text.isEmpty(), text.isEmpty() ? 0 : text.front().unicode(),
                     text.isEmpty() ? 0 : text.back().unicode());
}

// The code point a UTF-8 sequence starts with at `at`.
char32_t codePointAt(std::string_view s, size_t at)
{
    const auto b = [&](size_t i) { return char32_t(static_cast<unsigned char>(at + i < s.size() ? s[at + i] : 0)); };
    const char32_t lead = b(0);
    if (lead < 0x80)
        return lead;
    if (lead < 0xe0)
        return ((lead & 0x1f) << 6) | (b(1) & 0x3f);
    if (lead < 0xf0)
        return ((lead & 0x0f) << 12) | ((b(1) & 0x3f) << 6) | (b(2) & 0x3f);
    return ((lead & 0x07) << 18) | ((b(1) & 0x3f) << 12) | ((b(2) & 0x3f) << 6) | (b(3) & 0x3f);
}

// The rule of needsQuotes for UTF-8 text. A character outside the BMP is never a blank, so its
// code point decides as its first UTF-16 unit does there.
bool needsQuotes(std::string_view text)
{
    if (text.empty())
        return false;
    if (text.find_first_of(",\"\n\r") != std::string_view::npos)
        return true;
    size_t lastAt = text.size() - 1;
    while (lastAt > 0 && (static_cast<unsigned char>(text[lastAt]) & 0xc0) == 0x80)
        --lastAt;
    return quoteRule(false, false, codePointAt(text, 0), codePointAt(text, lastAt));
}

// Appends `bytes` (UTF-8) with every quote doubled: a quote is one byte and never part of another character.
void appendEscaped(std::string& out, std::string_view bytes)
{
    size_t from = 0;
    for (size_t at = bytes.find('"'); at != std::string_view::npos; from = at + 1, at = bytes.find('"', from)) {
        out.append(bytes.substr(from, at + 1 - from));
        out += '"';
    }
    out.append(bytes.substr(from));
}

// csvField(text).toUtf8() appended to `out`, without the copies (a long list has millions of fields).
void appendField(std::string& out, QStringView text)
{
    bool ascii = true;
    const bool quote = needsQuotes(text, &ascii);
    if (quote)
        out += '"';
    if (ascii) {
        for (const QChar ch : text) {
            const char c = char(ch.unicode());
            if (c == '"')
                out += '"';
            out += c;
        }
    } else {
        const QByteArray bytes = text.toUtf8();
        appendEscaped(out, std::string_view(bytes.constData(), size_t(bytes.size())));
    }
    if (quote)
        out += '"';
}

// The same field from text that is UTF-8 already (rows read as the server's text).
void appendField(std::string& out, std::string_view text)
{
    const bool quote = needsQuotes(text);
    if (quote)
        out += '"';
    appendEscaped(out, text);
    if (quote)
        out += '"';
}

void appendDigits(std::string& out, int value, int width)
{
    char digits[4];
    for (int i = width - 1; i >= 0; --i, value /= 10)
        digits[i] = char('0' + value % 10);
    out.append(digits, size_t(width));
}

// "yyyy-MM-dd" as Qt writes an ISO date; false for years of other than four digits (Qt decides those).
bool appendDate(std::string& out, QDate date)
{
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (year < 1000 || year > 9999)
        return false;
    appendDigits(out, year, 4);
    out += '-';
    appendDigits(out, month, 2);
    out += '-';
    appendDigits(out, day, 2);
    return true;
}

// csvText(value) as a field: numbers, dates and texts go straight to UTF-8, with no QString made.
void appendValue(std::string& out, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return;
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<Decimal>()) {
        char text[Decimal::MaxChars];
        out.append(text, size_t(static_cast<const Decimal*>(value.constData())->toChars(text)));
        return;
    }
    switch (type.id()) {
    case QMetaType::QString:
        appendField(out, *static_cast<const QString*>(value.constData()));
        return;
    case QMetaType::LongLong:
    case QMetaType::Int: {
        char text[24];
        const qlonglong v = type.id() == QMetaType::Int ? *static_cast<const int*>(value.constData())
                                                         : *static_cast<const qlonglong*>(value.constData());
        out.append(text, size_t(std::to_chars(text, text + sizeof text, v).ptr - text));
        return;
    }
    case QMetaType::QDateTime: {
        const auto& dt = *static_cast<const QDateTime*>(value.constData());
        const size_t at = out.size();
        if (dt.isValid() && appendDate(out, dt.date())) {
            const QTime t = dt.time();
            if (t == QTime(0, 0))
                return;
            out += 'T';
            appendDigits(out, t.hour(), 2);
            out += ':';
            appendDigits(out, t.minute(), 2);
            out += ':';
            appendDigits(out, t.second(), 2);
            return;
        }
        out.resize(at);
        break;
    }
    case QMetaType::QDate: {
        const size_t at = out.size();
        if (appendDate(out, *static_cast<const QDate*>(value.constData())))
            return;
        out.resize(at);
        break;
    }
    case QMetaType::Bool:
        out += *static_cast<const bool*>(value.constData()) ? "Yes" : "No";
        return;
    default:
        break;
    }
    appendField(out, csvText(value));
}

// Writes the rows to a temporary file beside the target; only commit() gives it the final name.
class CsvWriter {
public:
    CsvWriter(const QString& fileName, std::function<bool(qint64)> progress)
        : file_(fileName), progress_(std::move(progress))
    {
        if (!file_.open(QIODevice::WriteOnly))
            throw std::runtime_error(QStringLiteral("Cannot write %1: %2").arg(fileName, file_.errorString()).toStdString());
        buffer_.reserve(FlushAt + 64 * 1024);
    }
    ~CsvWriter()
    {
        if (!committed_)
            file_.cancelWriting();
    }

    void field(QStringView text)
    {
        separate();
        appendField(buffer_, text);
    }
    void value(const QVariant& v)
    {
        separate();
        appendValue(buffer_, v);
    }
    void value(const TextRow& row, int column)
    {
        separate();
        if (column >= row.columns() || row.isNull(column))
            return;
        if (row.isPlainText(column))
            appendField(buffer_, row.text(column));
        else
            appendValue(buffer_, row.value(column));
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
    void separate()
    {
        if (!first_)
            buffer_ += ',';
        first_ = false;
    }
    void flush()
    {
        if (!buffer_.empty() && file_.write(buffer_.data(), qint64(buffer_.size())) != qint64(buffer_.size()))
            throw std::runtime_error(
                QStringLiteral("Cannot write %1: %2").arg(file_.fileName(), file_.errorString()).toStdString());
        buffer_.clear();
    }

    QSaveFile file_;
    std::function<bool(qint64)> progress_;
    std::string buffer_;
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
        // row is read again from it and never kept. Where the engine's own text can be written as
        // it comes (PostgreSQL), rows are read as text a block at a time.
        const bool asText = q->streamText([&](const TextRow& row) {
            for (int c : columns)
                out.value(row, c);
            return out.endLine();
        });
        if (asText)
            return;
        q->streamRows([&](const std::vector<QVariant>& row) {
            for (int c : columns)
                out.value(size_t(c) < row.size() ? row[size_t(c)] : QVariant());
            return out.endLine();
        });
        return;
    }
    // Lists sorted here are whole in the query already (such a sort reads every row): write them as shown.
    for (int r = 0; r < q->fetchedCount(); ++r) {
        for (int c : columns)
            out.value(q->fieldAt(r, c).AsVariant());
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
    bool ascii = true;
    if (!needsQuotes(text, &ascii))
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
