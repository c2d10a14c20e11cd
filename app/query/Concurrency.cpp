#include "Concurrency.h"

#include "DatabaseError.h"
#include "Query.h"
#include "Session.h"
#include "Transaction.h"

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

namespace kestrum {
namespace {

QString whereClause(const ColumnValues& where) {
    QStringList parts;
    for (const auto& [column, value] : where) parts << column + " =?";
    return parts.join(QStringLiteral(" and "));
}

QVariantList valuesOf(const ColumnValues& values) {
    QVariantList list;
    for (const auto& [column, value] : values) list << value;
    return list;
}

// Enough for a burst of counters all saving at once; past that something else is wrong.
constexpr int ClaimAttempts = 50;

}  // namespace

QString busyMessage() { return QStringLiteral("Another workstation is saving; try again."); }

void prepareSession(QSqlDatabase& db) {
    if (!db.isOpen() || !db.driver()) return;
    forgetSession(db);  // a new session, perhaps of another database
    QSqlQuery q(db);
    if (isPostgreSQL(db))
        q.exec(QStringLiteral("SET lock_timeout = '%1s'").arg(LockWaitSeconds));
    else
        q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(LockWaitSeconds * 1000));
}

ClonedConnection::ClonedConnection(const QString& source, const QString& purpose) {
    static QAtomicInt serial;
    name_ = QStringLiteral("%1-%2-%3").arg(source, purpose).arg(serial.fetchAndAddRelaxed(1));
    db_ = QSqlDatabase::cloneDatabase(source, name_);
    if (db_.isValid() && db_.open()) prepareSession(db_);
}

ClonedConnection::~ClonedConnection() {
    db_.close();
    db_ = QSqlDatabase();  // no handle may be left when the name is let go of
    QSqlDatabase::removeDatabase(name_);
}

void reopenIfClosed(QSqlDatabase& db) {
    if (db.isOpen()) return;
    if (!db.open())
        throw DatabaseError(QStringLiteral("The connection to the database is lost and could not be made again: %1")
                                .arg(DatabaseError(db.lastError(), QString()).message()));
    prepareSession(db);
}

void retryOnce(const std::function<void()>& work) {
    try {
        work();
        return;
    } catch (const DatabaseError& e) {
        if (e.reason() != DatabaseError::Reason::Conflict) throw;
    }
    try {
        work();
    } catch (const DatabaseError& e) {
        if (e.reason() != DatabaseError::Reason::Conflict) throw;
        throw DatabaseError(QStringLiteral("Another workstation was saving the same records at the same moment; "
                                           "nothing was saved. Try again."),
                            DatabaseError::Reason::Conflict);
    }
}

bool insertIfFree(Query* q, const QString& table, const ColumnValues& key, const ColumnValues& values) {
    // A database made before the unique key existed still must not get a second row.
    q->setStatement("Select Count(*) From " + table + " where " + whereClause(key), valuesOf(key));
    q->Open();
    if (q->fieldAt(0, 0).AsInteger() > 0) return false;

    QStringList columns;
    for (const auto& [column, value] : key) columns << column;
    for (const auto& [column, value] : values) columns << column;
    columns << RowVersionColumn;
    // The unique key settles a race between the count above and this insert.
    q->setStatement(" Insert Into " + table + " ( " + columns.join(',') + " ) Values ( \n" +
                        QStringList(columns.size(), QStringLiteral("?")).join(',') + ")\n On Conflict Do Nothing",
                    valuesOf(key) + valuesOf(values) + QVariantList{qint64(0)});
    return q->ExecSQL() > 0;
}

qint64 insertClaimingNumber(Query* q, const QString& table, const QString& keyColumn, qint64 key,
                            const ColumnValues& values, const std::function<qint64()>& nextFree) {
    for (int attempt = 0; attempt < ClaimAttempts; ++attempt) {
        if (insertIfFree(q, table, {{keyColumn, key}}, values)) return key;
        key = std::max(key + 1, nextFree());
    }
    throw DatabaseError(busyMessage(), DatabaseError::Reason::Busy);
}

bool updateIfUnchanged(Query* q, const QString& table, const ColumnValues& where, qint64 version,
                       const ColumnValues& values) {
    QStringList lines{" Update " + table + "  Set"};
    for (const auto& [column, value] : values) lines << " " + column + " =?,";
    lines << " " + RowVersionColumn + " =Coalesce(" + RowVersionColumn + ",0)+1";
    lines << " where " + whereClause(where) + " and Coalesce(" + RowVersionColumn + ",0) =?";
    q->setStatement(lines.join(u'\n'), valuesOf(values) + valuesOf(where) + QVariantList{version});
    return q->ExecSQL() > 0;
}

SaveResult writeNumbered(Query* q, const NumberedSave& save, const ColumnValues& values) {
    const ColumnValues key = {{save.keyColumn, save.key}};
    SaveResult r{SaveResult::Outcome::Saved, save.key, 0};
    if (save.loaded) {
        if (!updateIfUnchanged(q, save.table, key, save.version, values)) r.outcome = SaveResult::Outcome::Changed;
        r.version = save.version + 1;
    } else if (save.proposed && save.nextFree) {
        r.key = insertClaimingNumber(q, save.table, save.keyColumn, save.key, values, save.nextFree);
    } else if (!insertIfFree(q, save.table, key, values)) {
        r.outcome = SaveResult::Outcome::Taken;
    }
    return r;
}

SaveResult saveNumbered(Query* q, const NumberedSave& save, const ColumnValues& values) {
    SaveResult r;
    retryOnce([&] {
        Transaction transaction(q->database());
        r = writeNumbered(q, save, values);
        if (r.outcome == SaveResult::Outcome::Saved) transaction.commit();
    });
    return r;
}

SaveResult holdDocument(Query* q, NumberedSave save, const std::function<ColumnValues()>& values,
                        const QString& caption) {
    const ColumnValues key = {{save.keyColumn, save.key}};
    // A number New proposed is never taken over: another workstation may have stored it since.
    if (!save.proposed) {
        if (lockRow(q, save.table, key)) return {SaveResult::Outcome::Saved, save.key, save.version};
        if (save.loaded)
            throw DatabaseError(QStringLiteral("%1 %2 was deleted at another workstation. The line was not saved.")
                                    .arg(caption)
                                    .arg(save.key));
    }
    // A new document is stored with its first line, so a line never waits alone for a header
    // whose number another workstation may claim meanwhile.
    save.loaded = false;
    const SaveResult r = writeNumbered(q, save, values());
    if (r.outcome != SaveResult::Outcome::Saved)
        throw DatabaseError(
            QStringLiteral("%1 %2 belongs to another document. The line was not saved.").arg(caption).arg(save.key));
    return r;
}

NumberedRecord::NumberedRecord(QString table, QString keyColumn, std::function<qint64()> nextFree)
    : table_(std::move(table)), keyColumn_(std::move(keyColumn)), nextFree_(std::move(nextFree)) {}

void NumberedRecord::setLoaded(const QString& number, qint64 version) {
    loaded_ = number;
    version_ = version;
    proposed_.clear();
}

QString NumberedRecord::propose() {
    loaded_.clear();
    proposed_ = QString::number(nextFree_());
    return proposed_;
}

NumberedSave NumberedRecord::saveOf(qint64 n) const {
    NumberedSave save;
    save.table = table_;
    save.keyColumn = keyColumn_;
    save.key = n;
    save.loaded = loaded_ == QString::number(n);
    save.version = version_;
    save.proposed = proposed_ == QString::number(n);
    save.nextFree = nextFree_;
    return save;
}

void NumberedRecord::stored(const SaveResult& r) { setLoaded(QString::number(r.key), r.version); }

SaveResult NumberedRecord::save(Query* q, qint64 n, const ColumnValues& values) {
    const SaveResult r = saveNumbered(q, saveOf(n), values);
    if (r.outcome == SaveResult::Outcome::Saved) stored(r);
    return r;
}

SaveResult NumberedRecord::hold(Query* q, qint64 n, bool shown, const std::function<ColumnValues()>& values,
                                const QString& caption) {
    NumberedSave save = saveOf(n);
    if (!shown) {
        save.loaded = true;
        save.proposed = false;
        return holdDocument(q, save, {}, caption);
    }
    // A typed number of another stored document is only locked, and its version comes back as -1:
    // the boxes do not hold that row, so a Save of the header must still find the number taken
    // rather than overwrite that document with a version read from another.
    if (!save.loaded) save.version = -1;
    const SaveResult r = holdDocument(q, save, values, caption);
    if (r.version >= 0) stored(r);
    return r;
}

QString renumberedMessage(const QString& word, qint64 saved, qint64 proposed) {
    return QStringLiteral("Saved as %1 %2: number %3 was saved at another workstation meanwhile.")
        .arg(word)
        .arg(saved)
        .arg(proposed);
}

QString changedQuestion(const QString& word) {
    return QStringLiteral("This %1 was changed or deleted at another workstation after you opened it. Nothing was "
                          "saved. Load it as it is stored now?")
        .arg(word);
}

bool lockRow(Query* q, const QString& table, const ColumnValues& where) {
    // A write that changes nothing: it takes the row's lock on PostgreSQL and the write lock on
    // SQLite, so a delete elsewhere waits until the lines are in (or ran before and is seen).
    q->setStatement(" Update " + table + "  Set " + RowVersionColumn + " =Coalesce(" + RowVersionColumn + ",0)\n" +
                        " where " + whereClause(where),
                    valuesOf(where));
    return q->ExecSQL() > 0;
}

qint64 rowVersion(Query* q, const QString& table, const ColumnValues& where) {
    q->setStatement("Select Coalesce(" + RowVersionColumn + ",0) As Version_No From " + table + " where " +
                        whereClause(where),
                    valuesOf(where));
    q->Open();
    if (q->RecordCount() == 0) return -1;
    return q->FieldByName(QStringLiteral("Version_No")).AsInteger();
}

}  // namespace kestrum
