#include "PartedQueryDataSet.h"

#include "Concurrency.h"
#include "Query.h"
#include "TextRows.h"

#include <QSqlDatabase>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrum::report {

namespace {
// A year's first page needs a few dozen rows; later parts grow to a size whose statement costs
// little beside laying out its rows, while two of them stay a few megabytes.
int firstPartKeys = 32;
int laterPartKeys = 1024;
bool readingAhead = true;
}  // namespace

void PartedQueryDataSet::setReadAhead(bool on) { readingAhead = on; }

// Reads one part at a time on a connection of its own, in a thread of its own (a connection
// belongs to the thread that opened it), so the database and the driver work on the next part
// while the layout works on this one. Without a connection it answers nothing and the dataset
// reads on its own.
class PartedQueryDataSet::Reader {
public:
    // The connection, whether it reads rows as text (asked once), and the first and last key.
    using Read = std::function<std::shared_ptr<const SplitRows>(const QSqlDatabase&, bool, const QVariant&, const QVariant&)>;

    Reader(const QString& source, Read read) : read_(std::move(read)), thread_([this, source] { run(source); }) {}
    ~Reader() {
        {
            std::lock_guard lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

    void ask(const QVariant& from, const QVariant& to) {
        {
            std::lock_guard lock(m_);
            from_ = from;
            to_ = to;
            asked_ = true;
            answered_ = false;
            rows_.reset();
            error_ = nullptr;
        }
        cv_.notify_all();
    }

    /// The rows asked for (waits for them); null when there is no connection. Rethrows a fault.
    std::shared_ptr<const SplitRows> take() {
        std::unique_lock lock(m_);
        cv_.wait(lock, [this] { return answered_ || !asked_; });
        asked_ = answered_ = false;
        if (error_)
            std::rethrow_exception(std::exchange(error_, nullptr));
        return std::move(rows_);
    }

    bool connected() {
        std::unique_lock lock(m_);
        cv_.wait(lock, [this] { return tried_; });
        return connected_;
    }

private:
    void run(const QString& source) {
        ClonedConnection reading(source, QStringLiteral("part-reader"));
        const bool open = reading.isOpen();
        {
            std::lock_guard lock(m_);
            tried_ = true;
            connected_ = open;
        }
        cv_.notify_all();
        const bool text = open && Query::readsText(reading.database());
        for (;;) {
            QVariant from, to;
            {
                std::unique_lock lock(m_);
                cv_.wait(lock, [this] { return stop_ || (asked_ && !answered_ && !working_); });
                if (stop_)
                    break;
                from = from_;
                to = to_;
                working_ = true;
            }
            std::shared_ptr<const SplitRows> rows;
            std::exception_ptr error;
            if (open) {
                try {
                    rows = read_(reading.database(), text, from, to);
                } catch (...) {
                    error = std::current_exception();
                }
            }
            {
                std::lock_guard lock(m_);
                working_ = false;
                rows_ = std::move(rows);
                error_ = error;
                answered_ = true;
            }
            cv_.notify_all();
        }
    }

    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false, asked_ = false, answered_ = false, working_ = false, tried_ = false, connected_ = false;
    QVariant from_, to_;
    std::shared_ptr<const SplitRows> rows_;
    std::exception_ptr error_;
    Read read_;
    std::thread thread_;  // last: it starts once the members it uses exist
};

void PartedQueryDataSet::setPartSizes(int firstPart, int laterParts) {
    firstPartKeys = std::max(1, firstPart);
    laterPartKeys = std::max(1, laterParts);
}
int PartedQueryDataSet::firstPartSize() { return firstPartKeys; }
int PartedQueryDataSet::laterPartSize() { return laterPartKeys; }

PartedQueryDataSet::PartedQueryDataSet(Query* first, PartedStatement statement, std::vector<QVariant> keys,
                                       QString userName)
    : first_(first), statement_(std::move(statement)), keys_(std::move(keys)), name_(std::move(userName)) {
    if (first_)
        reloaded_ = QObject::connect(first_, &Query::reloaded, [this] {
            columns_.clear();
            replaced_ = watching_;
        });
}

PartedQueryDataSet::~PartedQueryDataSet() {
    QObject::disconnect(reloaded_);
    reader_.reset();
}

namespace {
QString rangeSql(const PartedStatement& s, const QString& select, const QString& orderBy) {
    return select + QStringLiteral(" And ") + s.keyColumn + QStringLiteral(" Between ? And ?") + orderBy;
}
QString rangeSql(const PartedStatement& s) { return rangeSql(s, s.select, s.orderBy); }
// The key of a line and of its head, read from two tables whose columns may differ in type.
bool sameKey(const QVariant& a, const QVariant& b) { return a == b || a.toString() == b.toString(); }
QVariantList rangeValues(const PartedStatement& s, const QVariant& from, const QVariant& to) {
    QVariantList values = s.values;
    values << from << to;
    return values;
}

// Every row of `sql` appended to `cells`, a row after another, and its columns' names: on PostgreSQL
// as the server's text a block of rows per driver call (`text`: Query::readsText said yes for this
// connection), which costs the reading thread about half of reading value by value; elsewhere
// through a query read whole. The values are the same either way.
int readRows(const QSqlDatabase& db, const QString& queryName, bool text, const QString& sql, const QVariantList& values,
             QStringList& names, std::vector<QVariant>& cells) {
    Query q(db, queryName);
    q.setStatement(sql, values);
    const size_t start = cells.size();
    if (text) {
        q.readText(
            [&cells](const TextRow& row) {
                for (int c = 0; c < row.columns(); ++c)
                    cells.push_back(row.value(c));
            },
            names);
        return names.isEmpty() ? 0 : int((cells.size() - start) / size_t(names.size()));
    }
    q.Open();
    const int rows = q.RecordCount(), columns = q.FieldCount();
    names = q.FieldNames();
    cells.reserve(start + size_t(rows) * size_t(columns));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            cells.push_back(q.fieldAt(r, c).AsVariant());
    return rows;
}

// The lines and the heads of one run of keys, each read whole (a part is bounded), and each line
// matched to its key's head: both come in key order. Runs on whichever thread owns `db`.
std::shared_ptr<const PartedQueryDataSet::SplitRows> readHeadsAndLines(const QSqlDatabase& db, const QString& queryName,
                                                                       const QString& setName, bool text,
                                                                       const PartedStatement& s, const QVariant& from,
                                                                       const QVariant& to) {
    auto out = std::make_shared<PartedQueryDataSet::SplitRows>();
    // One head a key: the key alone orders them (the rest of the order may name the lines' table).
    const int heads = readRows(db, queryName + QStringLiteral(" (part heads)"), text,
                               rangeSql(s, s.headSelect, QStringLiteral(" Order By ") + s.keyColumn),
                               rangeValues(s, from, to), out->headNames, out->heads);
    const int rows = readRows(db, queryName + QStringLiteral(" (part)"), text, rangeSql(s, s.lineSelect, s.orderBy),
                              rangeValues(s, from, to), out->lineNames, out->lines);
    const int headColumns = int(out->headNames.size()), lineColumns = int(out->lineNames.size());
    out->headOf.reserve(size_t(rows));
    int h = 0;
    for (int r = 0; r < rows; ++r) {
        const QVariant& key = out->lines[size_t(r) * size_t(lineColumns)];
        while (h < heads && !sameKey(out->heads[size_t(h) * size_t(headColumns)], key))
            ++h;
        // A head deleted between the two statements: the rows are not what one statement gives.
        if (h == heads)
            throw ReportError(QStringLiteral("The rows of %1 changed while the report was laid out; run it again.").arg(setName));
        out->headOf.push_back(h);
    }
    return out;
}
}  // namespace

void PartedQueryDataSet::open() {
    if (!first_)
        return;
    const size_t firstKeys = std::min(keys_.size(), size_t(firstPartKeys));
    if (firstKeys == keys_.size())
        first_->setStatement(statement_.select + statement_.orderBy, statement_.values);
    else
        first_->setStatement(rangeSql(statement_), rangeValues(statement_, keys_.front(), keys_[firstKeys - 1]));
    first_->Open();
    first_->First();
}

void PartedQueryDataSet::prepare() {
    // A part read ahead for an earlier layout is not this one's.
    if (reader_ && ahead_.second > ahead_.first) {
        try {
            reader_->take();
        } catch (const std::exception&) {
        }
    }
    ahead_ = {0, 0};
    partsReadAhead_ = 0;
    replaced_ = false;
    watching_ = first_ && first_->Active();
    held_.clear();
    partsRead_ = 0;
    rowsKnown_ = 0;
    nextKey_ = std::min(keys_.size(), size_t(firstPartKeys));
    if (watching_) {
        held_.push_back(Part{first_.data(), 0, nullptr});
        rowsKnown_ = first_->fetchedCount();
    }
}

bool PartedQueryDataSet::fetchTail(int row) {
    Query* q = held_.back().query;
    if (!q || !q->canFetchMore())
        return false;
    const int got = q->fetchMore(std::max(256, row + 1 - rowsKnown_));
    rowsKnown_ = held_.back().firstRow + q->fetchedCount();
    return got > 0;
}

int PartedQueryDataSet::Part::rows() const { return split ? split->rows() : query->fetchedCount(); }

std::pair<size_t, size_t> PartedQueryDataSet::nextRange() const {
    // Parts grow from the first one's size, so a short report costs few statements.
    const size_t size = size_t(std::min<qint64>(laterPartKeys, qint64(firstPartKeys) << std::min(partsRead_ + 1, 20)));
    return {nextKey_, std::min(keys_.size(), nextKey_ + size)};
}

bool PartedQueryDataSet::split() const { return !statement_.headSelect.isEmpty() && !statement_.lineSelect.isEmpty(); }

bool PartedQueryDataSet::readNextPart() {
    if (nextKey_ >= keys_.size())
        return false;
    const auto [begin, end] = nextRange();
    // The part read two parts ago is no longer held (its query is the one read next).
    if (held_.size() == 3)
        held_.erase(held_.begin() + 1);
    if (split()) {
        std::shared_ptr<const SplitRows> rows;
        if (reader_ && ahead_ == std::pair{begin, end}) {
            ahead_ = {0, 0};
            rows = reader_->take();
            if (rows)
                ++partsReadAhead_;
        }
        if (!rows)
            rows = readSplitPart(begin, end);
        held_.push_back(Part{nullptr, rowsKnown_, std::move(rows)});
    } else {
        std::unique_ptr<Query>& q = spare_[size_t(partsRead_ % 2)];
        if (!q)
            q = std::make_unique<Query>(first_->database(), first_->Name() + QStringLiteral(" (part)"));
        q->setStatement(rangeSql(statement_), rangeValues(statement_, keys_[begin], keys_[end - 1]));
        q->Open();
        held_.push_back(Part{q.get(), rowsKnown_, nullptr});
    }
    rowsKnown_ += held_.back().rows();
    nextKey_ = end;
    ++partsRead_;
    readAhead();
    return true;
}

std::shared_ptr<const PartedQueryDataSet::SplitRows> PartedQueryDataSet::readSplitPart(size_t from, size_t to) {
    return readHeadsAndLines(first_->database(), first_->Name(), name(), Query::readsText(first_->database()),
                             statement_, keys_[from], keys_[to - 1]);
}

// Asks the reader for the part after the last one read, while the layout works on that one. Not
// before the first later part: the first page, laid out meanwhile, has the cores to itself.
void PartedQueryDataSet::readAhead() {
    if (!readingAhead || !split() || !first_ || nextKey_ >= keys_.size())
        return;
    if (!reader_) {
        reader_ = std::make_unique<Reader>(
            first_->database().connectionName(),
            [statement = statement_, queryName = first_->Name(), setName = name()](
                const QSqlDatabase& db, bool text, const QVariant& from, const QVariant& to) {
                return readHeadsAndLines(db, queryName, setName, text, statement, from, to);
            });
    }
    if (!reader_->connected())
        return;
    const auto range = nextRange();
    reader_->ask(keys_[range.first], keys_[range.second - 1]);
    ahead_ = range;
}

bool PartedQueryDataSet::hasRow(int row) {
    if (watching_ && (replaced_ || !first_ || !first_->Active()))
        throw ReportError(QStringLiteral("The rows of %1 changed while the report was laid out; run it again.").arg(name()));
    if (row < 0 || !watching_)
        return false;
    // A part may hold no rows (its invoices have no lines): read on until one has.
    while (row >= rowsKnown_)
        if (!fetchTail(row) && !readNextPart())
            return false;
    return true;
}

int PartedQueryDataSet::currentRow() const { return first_ && first_->Active() ? first_->RecNo() : -1; }

const PartedQueryDataSet::Part* PartedQueryDataSet::partOf(int row) const {
    for (auto it = held_.rbegin(); it != held_.rend(); ++it)
        if (row >= it->firstRow)
            return row < it->firstRow + it->rows() ? &*it : nullptr;
    return nullptr;
}

namespace {
// Layouts ask with the field names they hold: the same strings, so the address answers first.
template <typename T>
const T* cached(const std::vector<std::pair<QString, T>>& cache, const QString& field) {
    for (const auto& [name, col] : cache)
        if (name.constData() == field.constData() && name.size() == field.size())
            return &col;
    for (const auto& [name, col] : cache)
        if (name == field)
            return &col;
    return nullptr;
}
}  // namespace

int PartedQueryDataSet::column(const QString& field) const {
    if (const int* known = cached(columns_, field))
        return *known;
    const int col = first_ && first_->Active() ? first_->fieldIndex(field) : -1;
    if (col >= 0)
        columns_.emplace_back(field, col);
    return col;
}

bool PartedQueryDataSet::hasField(const QString& field) const {
    if (!first_ || !first_->Active())
        return true;
    return column(field) >= 0;
}

// The part holding `row` and the field's column; none for a row outside the result.
const PartedQueryDataSet::Part* PartedQueryDataSet::locate(int row, const QString& field, int* col) const {
    if (!first_ || !first_->Active())
        return nullptr;
    *col = column(field);
    if (*col < 0)
        throw ReportError(QStringLiteral("%1 has no field %2").arg(name(), field));
    if (row < 0 || row >= rowsKnown_)
        return nullptr;
    const Part* part = partOf(row);
    if (!part)
        throw ReportError(QStringLiteral("%1: row %2 was read in an earlier part and is no longer held").arg(name()).arg(row + 1));
    return part;
}

PartedQueryDataSet::SplitColumn PartedQueryDataSet::splitColumn(const Part& part, const QString& field) const {
    if (const SplitColumn* known = cached(splitColumns_, field))
        return *known;
    const auto index = [&field](const QStringList& names) {
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(field, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    SplitColumn col{index(part.split->lineNames), false};
    if (col.column < 0)
        col = SplitColumn{index(part.split->headNames), true};
    if (col.column < 0)
        throw ReportError(QStringLiteral("%1 has no field %2").arg(name(), field));
    splitColumns_.emplace_back(field, col);
    return col;
}

Field PartedQueryDataSet::cell(int row, const QString& field) const {
    int col = -1;
    const Part* part = locate(row, field, &col);
    if (!part)
        return {};
    const int r = row - part->firstRow;
    if (!part->split)
        return part->query->fieldAt(r, col);
    const SplitColumn at = splitColumn(*part, field);
    const SplitRows& rows = *part->split;
    if (at.head)
        return Field(QString(), rows.heads[size_t(rows.headOf[size_t(r)]) * size_t(rows.headNames.size()) + size_t(at.column)]);
    return Field(QString(), rows.lines[size_t(r) * size_t(rows.lineNames.size()) + size_t(at.column)]);
}

QString PartedQueryDataSet::text(int row, const QString& field) const { return cell(row, field).AsString(); }

QVariant PartedQueryDataSet::value(int row, const QString& field) const { return cell(row, field).AsVariant(); }

}  // namespace kestrum::report
