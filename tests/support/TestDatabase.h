#pragma once
// Throw-away databases for engine tests: a fresh SQLite file, or a fresh database on the
// test PostgreSQL server named by the TEST_PG_ODBC connection string (scripts/test.sh sets it).
#include <string>

namespace testsupport {

enum class Engine { SQLite, PostgreSQL };

std::string engineName(Engine e);

/// \brief One empty database that is dropped again when the object goes.
class TestDatabase {
public:
    explicit TestDatabase(Engine engine);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    Engine engine() const { return engine_; }
    /// ODBC connection string of the fresh database (Driver=...;...).
    const std::string& connectionString() const { return conn_; }
    /// The same with the options of the program's own data source (StepAPI=1 on SQLite: rows as
    /// they are read), for the program's tests.
    std::string kestrumConnection() const { return engine_ == Engine::SQLite ? conn_ + "StepAPI=1;" : conn_; }
    /// Runs one statement on a short-lived connection; throws std::runtime_error with diagnostics.
    void exec(const std::string& sql) const;

private:
    Engine engine_;
    std::string conn_;
    std::string name_;  // PostgreSQL database name or SQLite file path
    std::string tempDir_;
};

/// \brief Makes, in an empty database, the tables and indexes of an earlier version of the schema
/// (schema/tests/shapes/SHAPE-ENGINE.sql) with its profile row, for testing the upgrade.
/// "2026-12" is the shape before the upgrade command existed. Throws std::runtime_error.
void createPreviousShape(const TestDatabase& db, const std::string& shape = "2026-12");

/// True when the PostgreSQL test server is configured (TEST_PG_ODBC set).
bool postgresAvailable();
/// The maintenance connection string of the PostgreSQL test server.
std::string postgresAdminConnection();
/// Runs one statement on a new connection to `conn`; throws std::runtime_error with diagnostics.
void execOn(const std::string& conn, const std::string& sql);

}  // namespace testsupport

// Use in a fixture's SetUp: skips (loudly) a PostgreSQL case when no server is configured.
#define TESTSUPPORT_REQUIRE_ENGINE(engine)                                                          \
    do {                                                                                            \
        if ((engine) == ::testsupport::Engine::PostgreSQL && !::testsupport::postgresAvailable())   \
            GTEST_SKIP() << "TEST_PG_ODBC is not set; run through scripts/test.sh";                \
    } while (0)

#define TESTSUPPORT_ENGINES                                                                         \
    ::testing::Values(::testsupport::Engine::SQLite, ::testsupport::Engine::PostgreSQL),             \
        [](const ::testing::TestParamInfo<::testsupport::Engine>& i) {                              \
            return ::testsupport::engineName(i.param);                                              \
        }
