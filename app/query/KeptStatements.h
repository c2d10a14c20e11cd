#pragma once
// A list's page statements kept prepared on their connection and run again with new values: the
// same few texts are read at every scroll, sort and search, and a statement prepared afresh is
// parsed and described again on the server and deallocated after (several round trips each).
#include <QPointer>
#include <QSqlQuery>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <vector>

class QSqlDriver;

namespace kestrum {

class KeptStatements;

/// Hands a statement back to the keeper it came from when done with (deletes it without one).
struct StatementDone {
    KeptStatements* keeper = nullptr;
    quint64 session = 0;
    void operator()(QSqlQuery* q) const;
};
/// A statement run by a query: kept for the next read of the same text, or deleted when done.
using Statement = std::unique_ptr<QSqlQuery, StatementDone>;
/// Deletes a statement that failed rather than keeping it.
inline void discard(Statement& s) { delete s.release(); }

/// \brief The prepared statements of one query, the least recently used let go of past a small
/// bound. A statement is kept only for the session it was prepared in (see sessionSerial: every
/// program connection is opened through prepareSession); one in use is taken out, so it is never
/// run twice at once.
class KeptStatements {
public:
    /// At most this many per query: the texts of a sort (pages both ways, place, count) and a search.
    static constexpr size_t Bound = 12;

    KeptStatements() = default;
    KeptStatements(const KeptStatements&) = delete;
    KeptStatements& operator=(const KeptStatements&) = delete;
    ~KeptStatements();

    /// \brief The statement kept for `sql` on `db` in its present session, taken out; null when none
    /// is kept (then the caller prepares one and hands it to keep()).
    Statement take(const QSqlDatabase& db, const QString& sql);
    /// \brief A statement the caller prepared on `db`, given back here when done with.
    Statement keep(const QSqlDatabase& db, std::unique_ptr<QSqlQuery> q);
    /// \brief Lets go of every kept statement (a lost connection; before a close).
    void clear();
    /// Statements kept now (those in use not counted).
    size_t size() const { return entries_.size(); }

private:
    friend struct StatementDone;
    void giveBack(QSqlQuery* q, quint64 session);
    // Drops what was kept for another session; returns the present one (0: none, keep nothing).
    quint64 follow(const QSqlDatabase& db);

    struct Entry {
        QString sql;
        std::unique_ptr<QSqlQuery> query;
    };
    std::vector<Entry> entries_;  // least recently used first
    quint64 session_ = 0;
    QPointer<QSqlDriver> driver_;
    void* connection_ = nullptr;  // the driver's ODBC connection handle when they were prepared
};

}  // namespace kestrum
