#include "Transaction.h"

#include "DatabaseError.h"

#include <QSqlError>

namespace kestrum {

Transaction::Transaction(QSqlDatabase db) : db_(std::move(db)) {
    if (!db_.transaction()) throw DatabaseError(db_.lastError(), QStringLiteral("Begin transaction"));
    open_ = true;
}

Transaction::~Transaction() {
    if (open_) db_.rollback();
}

void Transaction::commit() {
    if (!open_) return;
    if (!db_.commit()) throw DatabaseError(db_.lastError(), QStringLiteral("Commit"));
    open_ = false;
}

}  // namespace kestrum
