#include "Transaction.h"

#include "Concurrency.h"
#include "DatabaseError.h"

#include <QHash>
#include <QSqlError>

namespace kestrum {
namespace {

// Open guards per connection name (one GUI thread).
QHash<QString, int>& openGuards() {
    static QHash<QString, int> guards;
    return guards;
}

void release(const QString& connection) {
    if (--openGuards()[connection] <= 0) openGuards().remove(connection);
}

}  // namespace

bool Transaction::active(const QSqlDatabase& db) { return openGuards().value(db.connectionName()) > 0; }

Transaction::Transaction(QSqlDatabase db) : db_(std::move(db)) {
    // A link that was lost and could not be made again is tried once more, as a statement does.
    reopenIfClosed(db_);
    if (!db_.transaction()) throw DatabaseError(db_.lastError(), QStringLiteral("Begin transaction"));
    open_ = true;
    ++openGuards()[db_.connectionName()];
}

Transaction::~Transaction() {
    if (!open_) return;
    db_.rollback();
    release(db_.connectionName());
}

void Transaction::commit() {
    if (!open_) return;
    if (!db_.commit()) throw DatabaseError(db_.lastError(), QStringLiteral("Commit"));
    open_ = false;
    release(db_.connectionName());
}

}  // namespace kestrum
