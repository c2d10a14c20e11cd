#include "KeptStatements.h"

#include "Session.h"

#include <QSqlDriver>
#include <QSqlQuery>

#include <algorithm>

namespace kestrum {

void StatementDone::operator()(QSqlQuery* q) const {
    if (keeper)
        keeper->giveBack(q, session);
    else
        delete q;
}

KeptStatements::~KeptStatements() { clear(); }

quint64 KeptStatements::follow(const QSqlDatabase& db) {
    QSqlDriver* driver = db.driver();
    const quint64 session = db.isOpen() && driver ? sessionSerial(db) : 0;
    void* connection = session ? odbcHandle(driver->handle()) : nullptr;
    // A connection closed and opened again may get the freed handle's address back: the serial,
    // which every open through prepareSession moves on, tells the sessions apart.
    if (session != session_ || driver != driver_ || connection != connection_) {
        clear();
        session_ = connection ? session : 0;
        driver_ = driver;
        connection_ = connection;
    }
    return session_;
}

Statement KeptStatements::take(const QSqlDatabase& db, const QString& sql) {
    const quint64 session = follow(db);
    const auto it = std::find_if(entries_.rbegin(), entries_.rend(), [&](const Entry& e) { return e.sql == sql; });
    if (!session || it == entries_.rend()) return Statement();
    Statement q(it->query.release(), StatementDone{this, session});
    entries_.erase(std::next(it).base());
    return q;
}

Statement KeptStatements::keep(const QSqlDatabase& db, std::unique_ptr<QSqlQuery> q) {
    const quint64 session = follow(db);
    return Statement(q.release(), StatementDone{session ? this : nullptr, session});
}

void KeptStatements::giveBack(QSqlQuery* q, quint64 session) {
    std::unique_ptr<QSqlQuery> query(q);
    if (!query || !session || session != session_) return;  // of a session that has ended
    // Its rows go now: a driver that read the whole result holds it until the cursor closes.
    query->finish();
    const QString sql = query->lastQuery();
    std::erase_if(entries_, [&](const Entry& e) { return e.sql == sql; });
    entries_.push_back(Entry{sql, std::move(query)});
    if (entries_.size() > Bound) entries_.erase(entries_.begin(), entries_.end() - std::ptrdiff_t(Bound));
}

void KeptStatements::clear() { entries_.clear(); }

}  // namespace kestrum
