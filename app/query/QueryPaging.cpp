// Query: a list read by key a page at a time (open, open at a row, seek, locate, count after the
// first page) and its rows streamed in chunks.
#include "Query.h"
#include "QueryInternal.h"

#include "BackgroundCount.h"
#include "CellReader.h"
#include "DatabaseError.h"
#include "Session.h"
#include "TextRows.h"
#include "Transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <algorithm>
#include <iterator>
#include <limits>

namespace kestrum {

using detail::columnHints;
using detail::nullsFirstAscending;
using detail::reverseRows;
using detail::tableHints;
using detail::toBindValue;

namespace {

constexpr int PageRows = 256;
constexpr size_t MaxPages = 8;  // a paged list holds at most this many pages

// Every row of a page statement appended to `cells` (reversed: a backward seek, nearest first).
int readAll(QSqlQuery& q, const std::vector<ColumnKind>& kinds, std::vector<QVariant>& cells, bool reversed) {
    void* statement = odbcHandle(q.result()->handle());
    CellReader reader = statement ? CellReader(statement, q.record()) : CellReader();
    const size_t width = kinds.size();
    std::vector<QVariant> row(width);
    const size_t start = cells.size();
    int rows = 0;
    while (q.next()) {
        // The whole row first, so that a failed read leaves no half row.
        for (size_t c = 0; c < width; ++c)
            row[c] = normalise(reader.valid() ? reader.read(int(c)) : q.value(int(c)), kinds[c]);
        cells.insert(cells.end(), std::make_move_iterator(row.begin()), std::make_move_iterator(row.end()));
        ++rows;
    }
    if (q.lastError().isValid()) {  // a failed read, not the end of the page
        cells.resize(start);
        throw DatabaseError(q.lastError(), QString());
    }
    if (reversed) reverseRows(cells, start, rows, width);
    return rows;
}

}  // namespace

int Query::leadColumn() const { return fieldIndex(plan_->terms().first().column); }

int Query::heldRows() const {
    if (!plan_) return int(order_.size());
    int rows = 0;
    for (const Page& p : pages_) rows += p.rows;
    return rows;
}

QString Query::shownOrderSql() const {
    if (plan_) return plan_->orderedSql();
    return sort_.isEmpty() ? SQLText() : QString();
}

bool Query::openPaged() {
    Close();
    QSqlDatabase db = database();
    if (!db.isValid() || !db.isOpen()) return false;  // the plain path says what is wrong
    for (const QVariant& v : values_)
        if (v.metaType().id() == QMetaType::QString && v.toString().contains(QChar(0))) return false;
    std::optional<KeysetPlan> plan = KeysetPlan::make(SQLText(), tableHints, nullsFirstAscending(db), isPostgreSQL(db), isPostgreSQL(db));
    if (!plan) return false;
    plan_ = std::move(plan);
    try {
        std::unique_ptr<QSqlQuery> q = execute(plan_->edgeSql(false), values_ + QVariantList{PageRows});
        describe(*q);
        keyColumn_ = fieldIndex(plan_->key());
        if (keyColumn_ < 0) {
            Close();
            return false;
        }
        Page page;
        page.rows = readAll(*q, kinds_, page.cells, false);
        q.reset();
        total_ = page.rows;
        pages_.push_back(std::move(page));
        if (total_ == PageRows) startCount();
    } catch (...) {
        Close();
        throw;
    }
    active_ = true;
    current_ = total_ ? 0 : -1;
    bof_ = true;
    eof_ = total_ == 0;
    emit reloaded();
    emit currentChanged(current_);
    return true;
}

bool Query::OpenAt(const QString& column, qint64 key) {
    if (pagingWanted_ && !countFollows_)
        if (const std::optional<bool> found = openPagedAt(column, key)) return *found;
    Open();
    return Locate(column, QString::number(key), false);
}

std::optional<bool> Query::openPagedAt(const QString& column, qint64 key) {
    Close();
    QSqlDatabase db = database();
    if (!db.isValid() || !db.isOpen()) return std::nullopt;
    for (const QVariant& v : values_)
        if (v.metaType().id() == QMetaType::QString && v.toString().contains(QChar(0))) return std::nullopt;
    std::optional<KeysetPlan> plan = KeysetPlan::make(SQLText(), tableHints, nullsFirstAscending(db), isPostgreSQL(db), isPostgreSQL(db));
    const ColumnHintFunction hints = columnHints;
    // The key is bound as a number: its column must be one.
    if (!plan || plan->key().compare(column, Qt::CaseInsensitive) != 0 || !hints ||
        hints(plan->key()).kind != ColumnKind::Integer)
        return std::nullopt;
    plan_ = std::move(plan);
    int row = -1;
    bool leadNull = false;
    try {
        // The row's sort values (which are NULL decides the counts), then its place and the count.
        QList<bool> nulls;
        {
            std::unique_ptr<QSqlQuery> q = execute(plan_->boundarySql(), values_ + QVariantList{key});
            if (q->next())
                for (int i = 0; i < q->record().count(); ++i) nulls << q->isNull(i);
        }
        if (!nulls.isEmpty()) {
            int repeats = 0;
            const QString sql = plan_->placeSql(nulls, &repeats);
            QVariantList values;
            for (int i = 0; i <= repeats; ++i) values += values_;
            std::unique_ptr<QSqlQuery> q = execute(sql, values + values_ + QVariantList{key});
            if (q->next()) {
                row = q->value(0).toInt();
                // Rows written between the two statements: the row itself is there.
                total_ = std::max(q->value(1).toInt(), row + 1);
            }
        }
        if (row < 0) {
            // No row has the key: the list opens at its first row, as Open and a failed Locate leave it.
            Close();
            if (!openPaged()) return std::nullopt;
            return false;
        }
        leadNull = nulls.front();
        // On the first page the list's start is read as Open reads it: a seek back to it would
        // walk a run of equal values from its far end where the engine ranges over the value alone.
        if (row < PageRows)
            loadRow(row);
        else
            loadAround(row, key, leadNull);
        if (keyColumn_ < 0) {
            Close();
            return std::nullopt;
        }
    } catch (...) {
        Close();
        throw;
    }
    active_ = true;
    bof_ = eof_ = false;
    current_ = row;
    emit reloaded();
    emit currentChanged(current_);
    return true;
}

void Query::startCount() {
    const QSqlDatabase db = database();
    // Uncommitted rows of this connection's own work are seen only by this connection.
    if (!countFollows_ || Transaction::active(db) || !canCountInBackground(connection_)) {
        std::unique_ptr<QSqlQuery> count = execute(plan_->countSql(), values_);
        if (count->next()) total_ = std::max(total_, count->value(0).toInt());
        return;
    }
    countPending_ = true;
    const quint64 ticket = ++countTicket_;
    QVariantList values;
    for (const QVariant& v : std::as_const(values_)) values << toBindValue(v);
    countInBackground(connection_, plan_->countSql(), values, this, [this, ticket](std::optional<qint64> rows) {
        if (ticket != countTicket_ || !countPending_) return;  // reopened or counted here meanwhile
        if (rows) {
            countArrived(*rows);
            return;
        }
        // The other connection could not count: this one does, now the first page is shown. A
        // failure here is left for the next action that needs the count, which reports it.
        try {
            finishCount();
        } catch (const std::exception&) {
        }
    });
}

void Query::finishCount() {
    if (!countPending_ || !plan_) return;
    std::unique_ptr<QSqlQuery> count = execute(plan_->countSql(), values_);
    const qint64 rows = count->next() ? count->value(0).toLongLong() : 0;
    count.reset();
    countArrived(rows);
}

void Query::countArrived(qint64 rows) {
    countPending_ = false;
    ++countTicket_;
    // Rows read already stay, even if some were deleted since: their pages say what they hold.
    const int before = total_;
    total_ = int(std::clamp<qint64>(rows, total_, std::numeric_limits<int>::max()));
    if (total_ > before && !quiet_) emit rowsFetched(before, total_ - 1);
    if (!quiet_) emit counted();
}

void Query::reopenPaged() {
    pages_.clear();
    if (total_ > 0) loadRow(0);
    bof_ = true;
    eof_ = total_ == 0;
    current_ = total_ ? 0 : -1;
    emit reloaded();
    emit currentChanged(current_);
}

const QVariant* Query::heldCell(int row, int column) const {
    for (const Page& p : pages_)
        if (row >= p.first && row < p.first + p.rows)
            return &p.cells[size_t(row - p.first) * size_t(FieldCount()) + size_t(column)];
    return nullptr;
}

int Query::readRows(const QString& sql, const QVariantList& values, std::vector<QVariant>& cells, bool reversed) {
    std::unique_ptr<QSqlQuery> q = execute(sql, values);
    if (names_.isEmpty()) {  // the first rows of a list opened at a row tell its columns
        describe(*q);
        keyColumn_ = fieldIndex(plan_->key());
    }
    return readAll(*q, kinds_, cells, reversed);
}

void Query::keepPage(Page page, int near) {
    if (page.rows <= 0) return;
    const int end = page.first + page.rows;
    // Rows read now replace any older copy of the same positions.
    std::erase_if(pages_, [&](const Page& p) { return p.first < end && page.first < p.first + p.rows; });
    pages_.push_back(std::move(page));
    while (pages_.size() > MaxPages) {
        auto distance = [near](const Page& p) {
            return near < p.first ? p.first - near : std::max(0, near - (p.first + p.rows - 1));
        };
        pages_.erase(std::max_element(pages_.begin(), pages_.end(),
                                      [&](const Page& a, const Page& b) { return distance(a) < distance(b); }));
    }
}

void Query::loadRow(int row) {
    // Pages sit on fixed boundaries; a neighbour page held gives the key to seek from.
    const int first = row / PageRows * PageRows;
    const int want = std::min(PageRows, total_ - first);
    if (want <= 0) return;
    const QVariant* before = first > 0 ? heldCell(first - 1, keyColumn_) : nullptr;
    const QVariant* after = first + want < total_ ? heldCell(first + want, keyColumn_) : nullptr;
    Page page;
    page.first = first;
    if (first == 0) {
        page.rows = readRows(plan_->edgeSql(false), values_ + QVariantList{want}, page.cells, false);
    } else if (before) {
        const QVariant key = *before;
        page.rows = seek(key, leadNullAt(first - 1), false, false, want, page.cells);
    } else if (after) {
        const QVariant key = *after;
        page.rows = seek(key, leadNullAt(first + want), true, false, want, page.cells);
        page.first = first + want - page.rows;
    } else if (first + want == total_) {
        page.rows = readRows(plan_->edgeSql(true), values_ + QVariantList{want}, page.cells, true);
        page.first = total_ - page.rows;
    } else {
        // A jump (scroll bar dragged far): the database skips to the place, nothing is read before it.
        page.rows = readRows(plan_->offsetSql(), values_ + QVariantList{want, first}, page.cells, false);
    }
    keepPage(std::move(page), row);
}

bool Query::leadNullAt(int row) const {
    const int lead = leadColumn();
    const QVariant* v = lead >= 0 ? heldCell(row, lead) : nullptr;
    return v && v->isNull();
}

int Query::seek(const QVariant& key, bool leadNull, bool backward, bool including, int limit,
                std::vector<QVariant>& cells) {
    const size_t start = cells.size();
    const int rows = seekRows(key, leadNull, backward, including, limit, [&](const QString& sql, const QVariantList& values) {
        return readRows(sql, values, cells, false);
    });
    if (backward) reverseRows(cells, start, rows, size_t(FieldCount()));
    return rows;
}

int Query::seekRows(const QVariant& key, bool leadNull, bool backward, bool including, int limit,
                    const StatementRows& read) {
    QVariantList values = plan_->seekReadsRow() ? values_ + QVariantList{key} + values_ : values_;
    for (int i = plan_->rangeLookups(leadNull); i > 0; --i)
        values += values_ + QVariantList{key};  // the range's own look-ups of the row
    int rows = read(plan_->seekSql(backward, including, leadNull), values + QVariantList{limit});
    if (rows >= 0 && rows < limit && plan_->seekLeavesRest(backward, leadNull)) {
        const int rest = read(plan_->restSql(backward, leadNull), values_ + QVariantList{limit - rows});
        rows = rest < 0 ? -1 : rows + rest;
    }
    return rows;
}

int Query::positionOf(const QVariant& key, bool* leadNull) {
    // The row's sort values first (which are NULL decides the counts), then the rows before it.
    QList<bool> nulls;
    {
        std::unique_ptr<QSqlQuery> q = execute(plan_->boundarySql(), values_ + QVariantList{key});
        if (!q->next()) return -1;
        for (int i = 0; i < q->record().count(); ++i) nulls << q->isNull(i);
    }
    if (leadNull) *leadNull = !nulls.isEmpty() && nulls.front();
    int repeats = 0;
    const QString sql = plan_->positionSql(nulls, &repeats);
    QVariantList values;
    for (int i = 0; i < repeats; ++i) values += values_;
    std::unique_ptr<QSqlQuery> q = execute(sql, values + values_ + QVariantList{key});
    return q->next() ? q->value(0).toInt() : -1;
}

void Query::loadAround(int row, const QVariant& key, bool leadNull) {
    if (heldCell(row, keyColumn_)) return;
    const int first = row / PageRows * PageRows;
    const int end = std::min(first + PageRows, total_);
    Page page;
    int before = 0;
    if (row > first) before = seek(key, leadNull, true, false, row - first, page.cells);
    const int after = seek(key, leadNull, false, true, std::max(end - row, 1), page.cells);
    page.first = row - before;
    page.rows = before + after;
    keepPage(std::move(page), row);
}

bool Query::locatePaged(int column, const QString& text, bool partial) {
    // The database finds the first row in the shown order where it compares as AsString does:
    // text columns without case for plain ASCII (NOCASE, citext), whole numbers by their digits.
    const ColumnKind kind = kinds_[size_t(column)];
    const QString name = names_[column];
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 128; });
    bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.isDigit(); });
    QString condition;
    QVariantList values;
    if (kind == ColumnKind::Text && ascii && !text.isEmpty()) {
        QString pattern = text;
        pattern.replace(u'\\', QLatin1String("\\\\")).replace(u'%', QLatin1String("\\%")).replace(u'_', QLatin1String("\\_"));
        condition = QStringLiteral("t.%1 Like ? Escape ?").arg(name);
        values << (partial ? pattern + u'%' : pattern) << QStringLiteral("\\");
        const SortTerm& lead = plan_->terms().first();
        if (lead.column.compare(name, Qt::CaseInsensitive) == 0 && !lead.descending) {
            // Every match sorts at or after the typed text (both engines compare this column without
            // case): the index the list is ordered by starts there instead of testing the rows before it.
            const QString sorted = plan_->sortValue(QStringLiteral("t"), name);
            const QString bound = plan_->folds(name) ? KeysetPlan::foldedValue() : QStringLiteral("?");
            condition += QStringLiteral(" And %1 >= %2").arg(sorted, bound);
            values << text;
            // And ends before the next prefix where the order is by character codes (SQLite's NOCASE,
            // a C collation's citext, both comparing lower case): a search with no match reads nothing.
            const QString lower = text.toLower();
            if (lower.back().unicode() < 0x7e && codeOrdered(database())) {
                QString next = lower;
                next.back() = QChar(lower.back().unicode() + 1);
                condition += QStringLiteral(" And %1 < %2").arg(sorted, bound);
                values << next;
            }
        }
    } else if (kind == ColumnKind::Integer && digits && text.size() < 18) {
        if (partial) {
            condition = QStringLiteral("Cast(t.%1 As Text) Like ?").arg(name);
            values << text + u'%';
        } else if (QString::number(text.toLongLong()) == text) {
            condition = QStringLiteral("t.%1 = ?").arg(name);
            values << text.toLongLong();
        } else {
            return false;  // "007" is never the plain digits of a number
        }
    } else {
        // Anything else is compared here, a page at a time.
        for (int row = 0; row < total_; ++row) {
            const QString value = fieldAt(row, column).AsString();
            if (partial ? value.startsWith(text, Qt::CaseInsensitive) : value.compare(text, Qt::CaseInsensitive) == 0) {
                bof_ = eof_ = false;
                setCurrent(row);
                return true;
            }
        }
        return false;
    }
    QVariant key;
    if (column == keyColumn_ && !partial) {
        key = values.front();
    } else {
        std::unique_ptr<QSqlQuery> q = execute(plan_->firstKeySql(condition), values_ + values);
        if (!q->next()) return false;
        key = normalise(q->value(0), kinds_[size_t(keyColumn_)]);
    }
    bool leadNull = false;
    const int row = positionOf(key, &leadNull);
    if (row >= total_) finishCount();
    if (row < 0 || row >= total_) return false;
    loadAround(row, key, leadNull);
    bof_ = eof_ = false;
    setCurrent(row);
    return true;
}

void Query::streamRows(const std::function<bool(const std::vector<QVariant>&)>& row, int chunk) {
    if (!active_) fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    const int columns = FieldCount();
    const int lead = plan_ ? leadColumn() : -1;
    std::vector<QVariant> values(static_cast<size_t>(columns));  // one buffer for every row
    streamStatements(
        chunk,
        [&](const QString& sql, const QVariantList& bound) {
            const std::unique_ptr<QSqlQuery> cursor = execute(sql, bound);
            if (cursor->record().count() != columns) fail(QStringLiteral("The statement gave other columns when run again"));
            void* statement = odbcHandle(cursor->result()->handle());
            CellReader reader = statement ? CellReader(statement, cursor->record()) : CellReader();
            int rows = 0;
            while (cursor->next()) {
                for (int c = 0; c < columns; ++c)
                    values[size_t(c)] = normalise(reader.valid() ? reader.read(c) : cursor->value(c), kinds_[size_t(c)]);
                ++rows;
                if (!row(values)) return -1;
            }
            // Not the end: a failed read.
            if (cursor->lastError().isValid()) throw DatabaseError(cursor->lastError(), Name());
            return rows;
        },
        // The last row is in `values` still (the callback may not change it: it gets a const view).
        [&] { return std::pair(values[size_t(keyColumn_)], lead >= 0 && values[size_t(lead)].isNull()); });
}

bool Query::streamText(const std::function<bool(const TextRow&)>& row, int chunk) {
    if (!active_) fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (!textReadable()) return false;
    const int columns = FieldCount();
    const int lead = plan_ ? leadColumn() : -1;
    QVariant lastKey;
    bool lastLeadNull = false;
    streamStatements(
        chunk,
        [&](const QString& sql, const QVariantList& bound) {
            const std::unique_ptr<QSqlQuery> cursor = execute(sql, bound);
            if (cursor->record().count() != columns) fail(QStringLiteral("The statement gave other columns when run again"));
            TextRows block(odbcHandle(cursor->result()->handle()), cursor->record(), kinds_);
            int rows = 0;
            while (block.fetch()) {
                for (int r = 0; r < block.count(); ++r) {
                    const TextRow text = block.row(r);
                    if (plan_) {
                        lastKey = text.value(keyColumn_);
                        lastLeadNull = lead >= 0 && text.isNull(lead);
                    }
                    ++rows;
                    if (!row(text)) return -1;
                }
            }
            return rows;
        },
        [&] { return std::pair(lastKey, lastLeadNull); });
    return true;
}

bool Query::textReadable() const { return readsText(database()); }

void Query::readText(const std::function<void(const TextRow&)>& row, QStringList& names) {
    startStatement();
    if (!cursor_->isSelect() || !odbcHandle(cursor_->result()->handle())) {
        cursor_.reset();
        fail(QStringLiteral("CommandText does not return a result set"));
    }
    describe(*cursor_);
    names = names_;
    const std::vector<ColumnKind> kinds = kinds_;
    const std::unique_ptr<QSqlQuery> cursor = std::move(cursor_);
    Close();  // the query holds nothing of this run
    TextRows block(odbcHandle(cursor->result()->handle()), cursor->record(), kinds);
    while (block.fetch())
        for (int r = 0; r < block.count(); ++r)
            row(block.row(r));
}

bool Query::readsText(const QSqlDatabase& db) {
    return kestrum::readsText(db);
}

void Query::streamStatements(int chunk, const StatementRows& read,
                             const std::function<std::pair<QVariant, bool>()>& last) {
    if (plan_) {
        // Read by key a chunk at a time, as the pages are: one statement over the whole list would
        // be held whole by a driver that reads results at once (psqlODBC: 300,000 rows, 270 MB).
        const int size = std::max(chunk, 1);
        int rows = read(plan_->edgeSql(false), values_ + QVariantList{size});
        while (rows == size) {
            const auto [key, leadNull] = last();
            rows = seekRows(key, leadNull, false, false, size, read);
        }
        return;
    }
    // Read whole in the order the query holds: the sort is the database's and repeats exactly.
    const QString sql = shownOrderSql();
    if (sql.isEmpty()) fail(QStringLiteral("The list's order cannot be read again from the database"));
    read(sql, values_);
}

}  // namespace kestrum
