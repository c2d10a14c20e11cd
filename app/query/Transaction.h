#pragma once
// Scope guard for a multi-step write: rolls back unless commit() was reached.
#include <QSqlDatabase>

namespace kestrum {

class Transaction {
public:
    /// \brief Begins a transaction on `db`; throws DatabaseError when the driver refuses.
    explicit Transaction(QSqlDatabase db);
    /// Rolls back when not committed; never throws.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    /// \brief Commits; throws DatabaseError (and the destructor then rolls back).
    void commit();

    /// Whether a guard holds a transaction open on the connection `db` names.
    static bool active(const QSqlDatabase& db);

private:
    QSqlDatabase db_;
    bool open_ = false;
};

}  // namespace kestrum
