#pragma once
// Several workstations on one database: how a connection waits for another's lock, which
// failures are worth one more try, and the two writes every window's Save is built on (insert a
// new row under a number nobody else holds; update a loaded row only while it is unchanged).
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <utility>

namespace kestrum {

class Query;

/// Seconds a statement waits for another workstation's lock before it gives up.
inline constexpr int LockWaitSeconds = 5;

/// What the user is told when another workstation held the lock too long.
QString busyMessage();

/// \brief Sets the connection's lock wait (PostgreSQL's lock_timeout, SQLite's busy timeout).
/// Called after every open of a program connection; a failure is ignored (the engine then keeps
/// its own wait), as a connection that cannot take the setting is still usable.
void prepareSession(QSqlDatabase& db);

/// \brief A connection made from another one's settings (its driver, connection string and
/// credentials) for work on the thread that makes it, since a connection belongs to the thread that
/// opened it: opened with the program's session settings, closed and let go of when it goes.
class ClonedConnection {
public:
    /// `source` names the connection whose settings are taken; `purpose` goes into the new name.
    ClonedConnection(const QString& source, const QString& purpose);
    ~ClonedConnection();
    ClonedConnection(const ClonedConnection&) = delete;
    ClonedConnection& operator=(const ClonedConnection&) = delete;
    /// Whether it could be opened.
    bool isOpen() const { return db_.isOpen(); }
    QSqlDatabase& database() { return db_; }

private:
    QString name_;
    QSqlDatabase db_;
};

/// \brief Opens again a connection that a failed reconnect left closed (the server was still
/// down), with its session settings. Throws DatabaseError when it still cannot be opened.
void reopenIfClosed(QSqlDatabase& db);

/// \brief Runs `work` (which opens and commits its own Transaction); when it fails because the
/// engine chose it as the loser of a deadlock or a serialization conflict it runs once more, and
/// a second such failure is reported with a clear message. Other errors pass through.
void retryOnce(const std::function<void()>& work);

/// \brief Inside the caller's transaction: empties the work tables `tables` of a report for a new
/// run. They are shared by every workstation: on PostgreSQL the run first waits for any other run
/// over them to end (two at once would each delete only the rows they could see and both leave
/// theirs); SQLite lets one writer in at a time already. Throws DatabaseError.
void emptyWorkTables(Query* q, const QStringList& tables);

using ColumnValues = QList<std::pair<QString, QVariant>>;

/// The column every document and master table carries to tell a changed row from the one read.
inline const QString RowVersionColumn = QStringLiteral("RowVersion");

/// \brief Inserts a row whose key columns hold `key`, with RowVersion 0. Returns false (and
/// writes nothing) when a row with that key exists already: the table's unique key decides, so of
/// two workstations inserting the same number exactly one wins. Throws DatabaseError.
bool insertIfFree(Query* q, const QString& table, const ColumnValues& key, const ColumnValues& values);

/// \brief Inserts under `key`, or under the next number `nextFree` gives when it is taken
/// (tried a bounded number of times). Returns the number the row was stored under.
qint64 insertClaimingNumber(Query* q, const QString& table, const QString& keyColumn, qint64 key,
                            const ColumnValues& values, const std::function<qint64()>& nextFree);

/// \brief Updates the row that `where` (column, value pairs) names, bumping its RowVersion, only
/// while its RowVersion still is `version`. Returns false when no such row is left unchanged:
/// another workstation changed or deleted it since it was read.
bool updateIfUnchanged(Query* q, const QString& table, const ColumnValues& where, qint64 version,
                       const ColumnValues& values);

/// The Save of a record with a number: what the window knows of the row in its boxes.
struct NumberedSave {
    QString table;
    QString keyColumn;
    qint64 key = 0;
    bool loaded = false;  ///< the boxes hold the stored row `key` as read with `version`
    qint64 version = 0;
    bool proposed = false;  ///< `key` is New's proposal: another free number may replace it
    std::function<qint64()> nextFree;
};

struct SaveResult {
    enum class Outcome {
        Saved,
        Changed,  ///< the loaded row was changed or deleted elsewhere: nothing written
        Taken     ///< a typed (not proposed) number belongs to another row: nothing written
    } outcome = Outcome::Saved;
    qint64 key = 0;       ///< the number stored under
    qint64 version = 0;   ///< the row version now stored
};

/// \brief Inserts (New) or updates (loaded, while unchanged) inside the caller's transaction.
SaveResult writeNumbered(Query* q, const NumberedSave& save, const ColumnValues& values);
/// \brief writeNumbered in a transaction of its own, retried once after a deadlock.
SaveResult saveNumbered(Query* q, const NumberedSave& save, const ColumnValues& values);

/// \brief Inside the transaction that saves a line of document `save.key`: locks the stored
/// document, or stores one made with New (header from `values`, claiming its number). Throws
/// DatabaseError for the user when a loaded document was deleted meanwhile or a typed number is
/// another's; `caption` names the document in those messages ("Invoice").
SaveResult holdDocument(Query* q, NumberedSave save, const std::function<ColumnValues()>& values,
                        const QString& caption);

/// \brief What a window that saves a numbered record (a document header) keeps between Saves: the
/// number loaded into its boxes with the row version read, and the number New proposed until it is
/// stored. Saves and line holds through it keep that state as the stored row now is.
class NumberedRecord {
public:
    /// `nextFree` gives the next free number: New's proposal, and the next one tried when another
    /// workstation stored the proposed number meanwhile.
    NumberedRecord(QString table, QString keyColumn, std::function<qint64()> nextFree);

    /// A stored row is shown (`number` "" when none): Save updates it while its version is unchanged.
    void setLoaded(const QString& number, qint64 version);
    /// New: nothing loaded, the next free number proposed; returns it as text for the number box.
    QString propose();
    /// The number of the row shown, "" after New.
    const QString& loadedNumber() const { return loaded_; }

    /// What Save knows of number `n`: the loaded row, New's proposal, or a typed number.
    NumberedSave saveOf(qint64 n) const;
    /// \brief saveNumbered for `n`; once saved, the number stored under is the loaded one. Throws
    /// DatabaseError.
    SaveResult save(Query* q, qint64 n, const ColumnValues& values);
    /// \brief holdDocument for a line of document `n`, stored from `values` when New made it (then it
    /// is the loaded one). When `shown` is false the line's document is no longer the one in the
    /// boxes: it must be stored already and is only locked; so is a typed number of another stored
    /// document, and the state stays. Throws DatabaseError as holdDocument does.
    SaveResult hold(Query* q, qint64 n, bool shown, const std::function<ColumnValues()>& values,
                    const QString& caption);

private:
    void stored(const SaveResult& r);

    QString table_;
    QString keyColumn_;
    std::function<qint64()> nextFree_;
    QString loaded_;
    qint64 version_ = 0;
    QString proposed_;
};

/// "Saved as invoice 6: number 5 was saved at another workstation meanwhile."
QString renumberedMessage(const QString& word, qint64 saved, qint64 proposed);
/// The question after Changed: whether to load what is stored now.
QString changedQuestion(const QString& word);

/// \brief Locks the row `where` names for the rest of the transaction (its lines are about to
/// change) without changing it; false when it no longer exists.
bool lockRow(Query* q, const QString& table, const ColumnValues& where);

/// \brief RowVersion of the row `where` names, or -1 when there is none.
qint64 rowVersion(Query* q, const QString& table, const ColumnValues& where);

}  // namespace kestrum
