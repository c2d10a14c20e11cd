#pragma once
// What the entity tests share.
#include <TestDatabase.h>
#include <vantrel/core/ODBCDatabase.h>

#include <memory>
#include <string>

namespace entitytest {

/// A connected database on the test database; a busy SQLite database answers at once instead of
/// after the usual wait.
inline std::unique_ptr<vantrel::TODBCDatabase> connectQuickly(const testsupport::TestDatabase& tdb) {
    std::string conn = tdb.connectionString();
    if (const size_t at = conn.find("Timeout=5000"); at != std::string::npos)
        conn.replace(at, 12, "Timeout=50");
    auto d = std::make_unique<vantrel::TODBCDatabase>(nullptr);
    d->SetConnectStr(conn);
    d->SetConnected(true);
    return d;
}

} // namespace entitytest
