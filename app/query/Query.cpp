#include "Query.h"
#include "QueryInternal.h"

#include "DatabaseError.h"
#include "CellReader.h"
#include "InputError.h"
#include "Concurrency.h"
#include "Distinct.h"
#include "Session.h"
#include "StatementLog.h"
#include "Transaction.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <QMutex>
#include <QRegularExpression>
#include <QSet>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <atomic>
#include <limits>
#include <numeric>

namespace kestrum {
namespace {

QMutex observerGuard;
StatementObserver& statementObserver() {
    static StatementObserver observer;
    return observer;
}
std::atomic<bool> observed{false};

// Every live query, so that a reconnect can let go of the cursors on the old connection. Queries
// on a connection of another thread (a report reading ahead) come and go meanwhile: one lock.
QSet<Query*>& liveQueries() {
    static QSet<Query*> all;
    return all;
}
QMutex& liveQueriesGuard() {
    static QMutex guard;
    return guard;
}

// The server went away (restart, network): SQLSTATE class 08, PostgreSQL's shutdown states, or
// the texts drivers give when they notice it only on the socket.
bool connectionLost(const QSqlError& e) {
    const QStringList states = e.nativeErrorCode().split(u';', Qt::SkipEmptyParts);
    for (const QString& s : states)
        if (s.startsWith(QLatin1String("08")) || s.startsWith(QLatin1String("57P0"))) return true;
    static const QRegularExpression texts(
        QStringLiteral("closed the connection|no connection to the server|terminating connection|"
                       "could not send data|could not receive data|connection (is )?not open|"
                       "communication link failure|connection (is )?(closed|lost|dead)"),
        QRegularExpression::CaseInsensitiveOption);
    return texts.match(e.databaseText()).hasMatch() || texts.match(e.driverText()).hasMatch();
}

// Whether the driver itself knows its link to the server is gone. NOTE: psqlODBC reports a
// statement inside a transaction on a dropped link only as "internal SAVEPOINT failed", with no
// connection state; its SQL_ATTR_CONNECTION_DEAD tells the truth. Drivers without the attribute
// (SQLite's) count as alive.
bool connectionDead(const QSqlDatabase& db) {
    if (!db.driver()) return false;
    SQLHDBC hdbc = odbcHandle(db.driver()->handle());
    if (!hdbc) return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttr(hdbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}

// After a failure the error does not explain: one trivial statement tells a dropped link (it
// fails the same way, now with a text we know) from a statement that was simply refused.
bool linkBroken(const QSqlDatabase& db) {
    if (connectionDead(db)) return true;
    QSqlQuery probe(db);
    if (probe.exec(QStringLiteral("Select 1"))) return false;
    return connectionLost(probe.lastError()) || connectionDead(db);
}

constexpr int SqlBit = -7;  // ODBC SQL_BIT: SQLite's driver reports booleans with it

// Names the engines give to a result column that had no alias: SQLite the expression text
// ("Sum(Qty_Item)"), PostgreSQL the function name ("sum") or "?column?".
bool isUnnamedExpression(const QString& name) {
    static const QStringList functionNames = {"sum",   "count", "min", "max",   "avg",     "coalesce",
                                              "round", "abs",   "upper", "lower", "?column?"};
    if (name.isEmpty() || functionNames.contains(name, Qt::CaseInsensitive)) return true;
    return std::any_of(name.begin(), name.end(), [](QChar c) { return !(c.isLetterOrNumber() || c == u'_'); });
}

ColumnKind kindFromDriver(const QSqlField& f) {
    if (f.typeID() == SqlBit) return ColumnKind::Boolean;
    switch (f.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        return ColumnKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return ColumnKind::Number;
    case QMetaType::Bool:
        return ColumnKind::Boolean;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return ColumnKind::Date;
    default:
        return ColumnKind::Unknown;  // read as the driver gives it
    }
}

int compareValues(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return int(!a.isNull()) - int(!b.isNull());  // NULL first
    const QMetaType dec = QMetaType::fromType<Decimal>();
    const bool numA = a.metaType() == dec || a.metaType().id() == QMetaType::LongLong;
    const bool numB = b.metaType() == dec || b.metaType().id() == QMetaType::LongLong;
    if (numA && numB) {
        const Decimal x = Decimal::fromVariant(a), y = Decimal::fromVariant(b);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    if (a.metaType().id() == QMetaType::QDateTime && b.metaType().id() == QMetaType::QDateTime) {
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    if (a.metaType().id() == QMetaType::Bool && b.metaType().id() == QMetaType::Bool)
        return int(a.toBool()) - int(b.toBool());
    return Field({}, a).AsString().compare(Field({}, b).AsString(), Qt::CaseInsensitive);
}

}  // namespace

namespace detail {

std::atomic<ColumnHintFunction> columnHints{nullptr};
std::atomic<TableHintFunction> tableHints{nullptr};

// SQLite puts NULLs first in an ascending order, PostgreSQL last.
bool nullsFirstAscending(const QSqlDatabase& db) { return !isPostgreSQL(db); }

// Dates are bound as timestamps at midnight so that every write stores one form (SQLite compares
// the stored text); Decimals as their exact text.
QVariant toBindValue(const QVariant& v) {
    if (!v.isValid()) return {};
    if (v.metaType() == QMetaType::fromType<Decimal>())
        return v.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(v.value<Decimal>().toString());
    if (v.metaType().id() == QMetaType::QDate)
        return v.isNull() || !v.toDate().isValid() ? QVariant(QMetaType::fromType<QDateTime>())
                                                   : QVariant(v.toDate().startOfDay());
    return v;
}

// Reverses the order of `rows` rows of `width` cells from `start` (a backward seek reads nearest first).
void reverseRows(std::vector<QVariant>& cells, size_t start, int rows, size_t width) {
    for (int a = 0, b = rows - 1; a < b; ++a, --b)
        std::swap_ranges(cells.begin() + std::ptrdiff_t(start + size_t(a) * width),
                         cells.begin() + std::ptrdiff_t(start + size_t(a + 1) * width),
                         cells.begin() + std::ptrdiff_t(start + size_t(b) * width));
}

}  // namespace detail

using detail::columnHints;
using detail::nullsFirstAscending;
using detail::tableHints;
using detail::toBindValue;

void setStatementObserver(StatementObserver observer) {
    const QMutexLocker lock(&observerGuard);
    observed = bool(observer);
    statementObserver() = std::move(observer);
}

QVariant normalise(const QVariant& v, ColumnKind kind) {
    if (v.isNull()) return {};
    const int type = v.metaType().id();
    switch (kind) {
    case ColumnKind::Integer: {
        if (type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::UInt)
            return QVariant(v.toLongLong());
        bool ok = false;
        const qlonglong i = v.toString().toLongLong(&ok);
        if (ok) return QVariant(i);
        return normalise(v, ColumnKind::Number);
    }
    case ColumnKind::Number:
        if (type == QMetaType::Double || type == QMetaType::Float)
            return QVariant::fromValue(Decimal::fromDouble(v.toDouble()));
        if (type == QMetaType::QString) {
            if (auto d = Decimal::parse(v.toString())) return QVariant::fromValue(*d);
            return v;  // SQLite keeps text a number column was given
        }
        return QVariant::fromValue(Decimal::fromVariant(v));
    case ColumnKind::Boolean:
        if (type == QMetaType::QString) {
            const QString t = v.toString().trimmed().toLower();
            if (t == u"1" || t == u"t" || t == u"true" || t == u"yes") return true;
            if (t == u"0" || t == u"f" || t == u"false" || t == u"no") return false;
            return v;
        }
        return QVariant(v.toLongLong() != 0);
    case ColumnKind::Date:
        if (type == QMetaType::QDate) return QVariant(v.toDate().startOfDay());
        if (type == QMetaType::QDateTime) return v;
        if (type == QMetaType::QString) {
            QDateTime dt = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
            if (!dt.isValid()) dt = QDateTime::fromString(v.toString().replace(u' ', u'T'), Qt::ISODate);
            if (dt.isValid()) return dt;
        }
        return v;
    case ColumnKind::Text:
        return QVariant(v.toString());
    case ColumnKind::Unknown:
        break;
    }
    return v;
}

Query::Query(const QSqlDatabase& db, const QString& name, QObject* parent)
    : QObject(parent), connection_(db.connectionName()) {
    setObjectName(name);
    const QMutexLocker lock(&liveQueriesGuard());
    liveQueries().insert(this);
}

Query::~Query() {
    const QMutexLocker lock(&liveQueriesGuard());
    liveQueries().remove(this);
}

void Query::setColumnHints(ColumnHintFunction hints) { columnHints = hints; }

void Query::setTableHints(TableHintFunction hints) { tableHints = hints; }

QSqlDatabase Query::database() const { return QSqlDatabase::database(connection_, false); }

void Query::fail(const QString& what) const { throw DatabaseError(Name() + QStringLiteral(": ") + what); }

void Query::Close() {
    const bool wasActive = active_;
    cursor_.reset();
    more_ = active_ = false;
    names_.clear();
    exprColumns_.clear();
    kinds_.clear();
    cells_.clear();
    order_.clear();
    sort_.clear();
    plan_.reset();
    pages_.clear();
    total_ = 0;
    keyColumn_ = -1;
    countPending_ = false;
    ++countTicket_;
    current_ = -1;
    eof_ = bof_ = true;
    if (wasActive) emit reloaded();
}

void Query::Clear() {
    Close();
    lines_.clear();
    values_.clear();
}

void Query::setStatement(const QString& sql, const QVariantList& values) {
    Clear();
    Add(sql);
    for (const QVariant& v : values) Bind(v);
}

void Query::Add(const QString& line) {
    Close();
    lines_ << line;
}

void Query::Bind(const QVariant& value) {
    Close();
    values_ << value;
}

QString Query::SQLText() const { return lines_.join(u'\n'); }

void Query::startStatement(const QString& sql) {
    Close();
    for (const QVariant& v : values_)
        if (v.metaType().id() == QMetaType::QString && v.toString().contains(QChar(0)))
            throw InputError(QString(), QStringLiteral("A value holds a NUL character (code 0), which cannot be "
                                                       "stored. Remove it and try again."));
    cursor_ = execute(sql.isEmpty() ? SQLText() : sql, values_);
}

QString Query::fewValuesSql() const {
    // Neither engine skips through an index for Distinct: both read every entry of it (100,000 parts
    // for a few makers).
    if (!values_.isEmpty()) return {};
    const auto list = parseDistinctList(SQLText());
    if (!list) return {};
    const TableHintFunction tables = tableHints;
    const ColumnHintFunction hints = columnHints;
    if (!tables || !tables(list->table).indexLeads.contains(list->column, Qt::CaseInsensitive)) return {};
    if (hints && hints(list->column).kind == ColumnKind::Boolean) return {};  // no Min of a boolean
    const QSqlDatabase db = database();
    if (!db.isOpen()) return {};
    if (!isPostgreSQL(db)) {
        // SQLite keeps no statistics unless asked: a walk that stops early tells few values from many.
        QSqlQuery count(db);
        count.setForwardOnly(true);
        if (!count.prepare(walkCountSql(*list))) return {};
        count.addBindValue(MaxWalkedValues + 1);
        if (!count.exec() || !count.next() || count.value(0).toInt() > MaxWalkedValues) return {};
        return walkSql(*list);
    }
    // Without statistics (a table never analysed) the statement runs as given.
    QSqlQuery estimate(db);
    estimate.setForwardOnly(true);
    if (!estimate.prepare(distinctEstimateSql())) return {};
    estimate.addBindValue(list->table.toLower());
    estimate.addBindValue(list->column.toLower());
    if (!estimate.exec() || !estimate.next()) return {};
    if (!skipScanPays(estimate.value(0).toDouble(), estimate.value(1).toDouble())) return {};
    return skipScanSql(*list);
}

std::unique_ptr<QSqlQuery> Query::execute(const QString& sql, const QVariantList& values) {
    QSqlDatabase db = database();
    // Closed after a reconnect that failed (server still down): try again now.
    if (!db.isValid()) fail(QStringLiteral("The database connection is not open"));
    reopenIfClosed(db);
    auto q = std::make_unique<QSqlQuery>(db);
    q->setForwardOnly(true);
    // Numbers come as exact text and become Decimals; doubles would turn 0.07375 into noise.
    q->setNumericalPrecisionPolicy(QSql::HighPrecision);
    const auto started = std::chrono::steady_clock::now();
    bool ok = q->prepare(sql);
    if (ok) {
        for (const QVariant& v : values) q->addBindValue(toBindValue(v));
        ok = q->exec();
    }
    if (observed) {
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        const QMutexLocker lock(&observerGuard);
        if (const StatementObserver& observer = statementObserver()) observer(sql, ms);
    }
    if (ok) return q;
    const QSqlError e = q->lastError();
    q.reset();
    if (!connectionLost(e) && !linkBroken(db)) {
        const DatabaseError::Reason why = DatabaseError::reasonOf(e);
        // Another workstation's lock: the driver's text means nothing to the user.
        if (why == DatabaseError::Reason::Busy) throw DatabaseError(busyMessage(), why);
        throw DatabaseError(e, Name());
    }
    reconnect(db);
}

[[noreturn]] void Query::reconnect(QSqlDatabase& db) {
    // The handler stops here, even for a read that could simply run again: what it did before
    // this statement may be gone with the old session, and the user should know the link broke.
    const bool inTransaction = Transaction::active(db);
    {
        const QMutexLocker lock(&liveQueriesGuard());
        for (Query* q : std::as_const(liveQueries()))
            if (q->connection_ == connection_) q->dropCursor();
    }
    db.close();
    if (!db.open())
        throw DatabaseError(QStringLiteral("The connection to the database was lost and could not be made again: %1")
                                .arg(DatabaseError(db.lastError(), QString()).message()));
    prepareSession(db);
    if (inTransaction)
        throw DatabaseError(QStringLiteral("The connection to the database was lost and has been made again, but the "
                                           "work in progress was undone: nothing of it was saved. Please do it again."));
    throw DatabaseError(QStringLiteral("The connection to the database was lost and has been made again. The last "
                                       "step was stopped before it was done; please do it again."));
}

void Query::dropCursor() {
    // The rows read so far stay; the rest of a lazy cursor on the old connection is lost.
    cursor_.reset();
    more_ = false;
}

void Query::describe(const QSqlQuery& q) {
    const QSqlRecord rec = q.record();
    const ColumnHintFunction hints = columnHints;
    for (int i = 0; i < rec.count(); ++i) {
        const QSqlField f = rec.field(i);
        QString name = f.name();
        ColumnKind kind = ColumnKind::Unknown;
        if (hints) {
            const ColumnHint h = hints(name);
            kind = h.kind;
            if (!h.name.isEmpty()) name = h.name;
        }
        if (kind == ColumnKind::Unknown) kind = kindFromDriver(f);
        if (isUnnamedExpression(name)) exprColumns_.push_back(i);
        names_ << name;
        kinds_.push_back(kind);
    }
}

void Query::Open() {
    if (pagingWanted_ && openPaged()) return;
    startStatement(fewValuesSql());
    if (!cursor_->isSelect()) {
        cursor_.reset();
        fail(QStringLiteral("CommandText does not return a result set"));
    }
    void* statement = odbcHandle(cursor_->result()->handle());
    reader_ = statement ? CellReader(statement, cursor_->record()) : CellReader();
    describe(*cursor_);
    more_ = active_ = true;
    quiet_ = true;  // views learn of the first rows from reloaded()
    ensureRows(1);
    quiet_ = false;
    current_ = order_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = order_.empty();
    emit reloaded();
    emit currentChanged(current_);
}

int Query::ExecSQL() {
    startStatement();
    const int affected = cursor_->numRowsAffected();
    cursor_.reset();
    return affected;
}

bool Query::canFetchMore() const { return active_ && (more_ || countPending_); }

int Query::fetchMore(int rows) {
    if (!canFetchMore() || rows <= 0) return 0;
    if (plan_) {
        // A paged list's rows past the first page are known once counted.
        const int before = total_;
        finishCount();
        return total_ - before;
    }
    const int before = fetchedCount();
    const int columns = FieldCount();
    int got = 0;
    std::vector<QVariant> row(static_cast<size_t>(columns));
    while (got < rows && cursor_->next()) {
        // The whole row first, so that a failed read leaves no half row in the buffer.
        for (int c = 0; c < columns; ++c)
            row[size_t(c)] = normalise(reader_.valid() ? reader_.read(c) : cursor_->value(c), kinds_[size_t(c)]);
        std::move(row.begin(), row.end(), std::back_inserter(cells_));
        order_.push_back(before + got);
        ++got;
    }
    QSqlError failed;
    if (got < rows) {
        // The cursor is done: free the statement so that it holds no lock on the engine. A read
        // that failed (connection lost, a row's expression raising) is no end of the rows: a
        // list or report cut short must not pass for whole.
        failed = cursor_->lastError();
        more_ = false;
        cursor_.reset();
    }
    if (got && !quiet_) emit rowsFetched(before, before + got - 1);
    if (failed.isValid()) throw DatabaseError(failed, Name());
    return got;
}

void Query::ensureRows(int count) {
    while (fetchedCount() < count && canFetchMore()) fetchMore(std::max(count - fetchedCount(), 64));
}

void Query::fetchAll() {
    while (canFetchMore()) fetchMore(1024);
}

int Query::RecordCount() {
    fetchAll();
    return fetchedCount();
}

ColumnKind Query::columnKind(int column) const {
    return column >= 0 && column < FieldCount() ? kinds_[size_t(column)] : ColumnKind::Unknown;
}

int Query::fieldIndex(const QString& name) const {
    for (int i = 0; i < FieldCount(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    // Expr1000 is the first unnamed expression, Expr1001 the second, ...
    if (name.startsWith(QLatin1String("Expr"), Qt::CaseInsensitive)) {
        bool ok = false;
        const int n = name.mid(4).toInt(&ok) - 1000;
        if (ok && n >= 0 && size_t(n) < exprColumns_.size()) return exprColumns_[size_t(n)];
    }
    return -1;
}

Field Query::fieldAt(int row, int column) {
    if (column < 0 || column >= FieldCount()) return {};
    const QString& name = names_[column];
    if (row < 0) return Field(name, {});
    if (plan_) {
        if (row >= total_) return Field(name, {});
        if (!heldCell(row, column)) loadRow(row);
        const QVariant* v = heldCell(row, column);
        return Field(name, v ? *v : QVariant());
    }
    ensureRows(row + 1);
    if (row >= fetchedCount()) return Field(name, {});
    return Field(name, cells_[size_t(order_[size_t(row)]) * size_t(FieldCount()) + size_t(column)]);
}

Field Query::FieldByName(const QString& name) {
    if (!active_) fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    const int column = fieldIndex(name);
    if (column < 0) fail(QStringLiteral("Field '%1' not found").arg(name));
    return fieldAt(current_, column);
}

void Query::setCurrent(int row) {
    if (row == current_) return;
    current_ = row;
    emit currentChanged(row);
}

void Query::First() {
    ensureRows(1);
    bof_ = true;
    eof_ = fetchedCount() == 0;
    setCurrent(eof_ ? -1 : 0);
}

void Query::Next() {
    ensureRows(current_ + 2);
    if (current_ + 1 < fetchedCount()) {
        bof_ = eof_ = false;
        setCurrent(current_ + 1);
    } else {
        eof_ = true;
    }
}

void Query::Prior() {
    if (current_ > 0) {
        bof_ = eof_ = false;
        setCurrent(current_ - 1);
    } else {
        bof_ = true;
    }
}

void Query::Last() {
    fetchAll();
    eof_ = true;
    bof_ = fetchedCount() == 0;
    setCurrent(fetchedCount() - 1);
}

bool Query::SetRecNo(int row) {
    if (row < 0) return false;
    ensureRows(row + 1);
    if (row >= fetchedCount()) return false;
    bof_ = eof_ = false;
    setCurrent(row);
    return true;
}

void Query::SetSort(const QString& column) {
    if (!active_) fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (plan_) {
        // The database sorts; ties keep the present order, as the stable client sort does.
        if (column.trimmed().isEmpty()) {
            const QSqlDatabase db = database();
            plan_ = KeysetPlan::make(SQLText(), tableHints, nullsFirstAscending(db), isPostgreSQL(db), isPostgreSQL(db));
            sort_.clear();
        } else {
            const int c = fieldIndex(column.trimmed());
            if (c < 0 || !plan_->sortFirstBy(names_[c])) fail(QStringLiteral("Field '%1' not found").arg(column));
            sort_ = column.trimmed();
        }
        reopenPaged();
        return;
    }
    fetchAll();
    if (column.trimmed().isEmpty()) {
        std::iota(order_.begin(), order_.end(), 0);
        sort_.clear();
    } else {
        const int c = fieldIndex(column.trimmed());
        if (c < 0) fail(QStringLiteral("Field '%1' not found").arg(column));
        const size_t width = size_t(FieldCount());
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
            return compareValues(cells_[size_t(a) * width + size_t(c)], cells_[size_t(b) * width + size_t(c)]) < 0;
        });
        sort_ = column.trimmed();
    }
    bof_ = true;
    eof_ = order_.empty();
    current_ = order_.empty() ? -1 : 0;
    emit reloaded();
    emit currentChanged(current_);
}

bool Query::Locate(const QString& column, const QString& text, bool partial) {
    if (!active_) fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    const int c = fieldIndex(column);
    if (c < 0) fail(QStringLiteral("Field '%1' not found").arg(column));
    if (plan_) return locatePaged(c, text, partial);
    for (int row = 0;; ++row) {
        ensureRows(row + 1);
        if (row >= fetchedCount()) return false;
        const QString value = fieldAt(row, c).AsString();
        const bool match = partial ? value.startsWith(text, Qt::CaseInsensitive)
                                   : value.compare(text, Qt::CaseInsensitive) == 0;
        if (match) {
            bof_ = eof_ = false;
            setCurrent(row);
            return true;
        }
    }
}

}  // namespace kestrum
