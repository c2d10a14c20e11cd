// The connection component on real drivers: connecting both ways, transactions, options reaching
// the driver, catalog lists, data sources and drivers, its errors, and the session registry.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/framework/Streaming.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>

using namespace vantrel;
using testsupport::Engine;

namespace {

// Value of `key` in an ODBC connection string (keys compare ignoring case), or "".
std::string connValue(const std::string& conn, const std::string& key) {
    std::smatch m;
    if (std::regex_search(conn, m, std::regex("(^|;)" + key + "=([^;]*)", std::regex::icase))) return m[2];
    return "";
}

SQLULEN connectAttr(TODBCDatabase& db, SQLINTEGER attr) {
    SQLULEN value = 0;
    EXPECT_TRUE(SQL_SUCCEEDED(SQLGetConnectAttr(db.GetDBC(), attr, &value, sizeof value, nullptr)));
    return value;
}

std::vector<std::string> lines(const TStrings& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
    return out;
}

}  // namespace

class DatabaseTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE t_alpha (a INTEGER, b VARCHAR(10), c INTEGER)");
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
    }
    void TearDown() override {
        db.reset();
        tdb.reset();
    }
    bool postgres() const { return GetParam() == Engine::PostgreSQL; }
    SQLHDBC dbc() { return db->GetDBC(); }
    long count(const std::string& table) { return odbctest::scalarOn(dbc(), "SELECT COUNT(*) FROM " + table); }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
};

TEST_P(DatabaseTest, DriverConnectKeepsTheCompletedStringAndCallsTheEvents) {
    std::vector<std::string> calls;
    db->SetOnBeforeConnect([&](TObject* s) { calls.push_back(s == db.get() ? "before" : "?"); });
    db->SetOnAfterConnect([&](TObject* s) {
        calls.push_back(s == db.get() && db->Connected() ? "after" : "?");
    });
    const std::string given = db->ConnectStr();
    db->SetConnected(true);
    EXPECT_TRUE(db->Connected());
    EXPECT_EQ(calls, (std::vector<std::string>{"before", "after"}));
    EXPECT_EQ(connValue(db->ConnectStr(), "Database"), connValue(given, "Database"));
    // psqlODBC's completed string is kept; the SQLite driver's names no driver and would not
    // connect again, so the given one stays.
    if (postgres())
        EXPECT_NE(db->ConnectStr(), given);
    else
        EXPECT_EQ(db->ConnectStr(), given);
    EXPECT_EQ(count("t_alpha"), 0);

    db->Open();  // nothing when connected
    EXPECT_EQ(calls.size(), 2u);
    db->SetConnected(false);
    EXPECT_FALSE(db->Connected());
    // The completed string connects again.
    db->Open();
    EXPECT_TRUE(db->Connected());
    db->Close();
    db->Close();
    EXPECT_FALSE(db->Connected());
}

TEST_P(DatabaseTest, EveryPromptStyleConnectsOrFailsWithoutWaiting) {
    for (TDriverConnectOption option : {dcoDriverNoPrompt, dcoDriverComplete, dcoDriverPrompt, dcoDriverCompleteRequired}) {
        TODBCDatabase d(nullptr);
        d.SetDriverConnectOption(option);
        d.SetConnectStr(tdb->connectionString());
        d.Open();
        EXPECT_TRUE(d.Connected()) << option;
    }
    if (postgres()) {
        // Missing information would ask the user; without dialogs it is the driver's error.
        TODBCDatabase d(nullptr);
        d.SetDriverConnectOption(dcoDriverPrompt);
        d.SetConnectStr("Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;");
        EXPECT_THROW(d.Open(), EODBCError);
        EXPECT_FALSE(d.Connected());
    }
}

TEST_P(DatabaseTest, AnInstalledPromptIsAskedAsEachModeSays) {
    const std::string good = tdb->connectionString();
    const std::string bad = "Driver={No Such Driver Here};Database=nowhere;";
    std::vector<std::string> asked;
    TConnectPromptResult answer = cprAccepted;
    struct Restore {
        TConnectPrompt previous;
        ~Restore() { SetConnectPrompt(previous); }
    } restore{SetConnectPrompt([&](TConnectPromptRequest& r) {
        asked.push_back(r.ConnectStr + (r.Message.empty() ? "" : " | failed"));
        EXPECT_NE(r.Database, nullptr);
        r.ConnectStr = good;
        return answer;
    })};

    // Prompt: asked first, even with a string that works; what it gives is used.
    {
        TODBCDatabase d(nullptr);
        d.SetDriverConnectOption(dcoDriverPrompt);
        d.SetConnectStr(bad);
        d.Open();
        EXPECT_TRUE(d.Connected());
        EXPECT_EQ(asked, (std::vector<std::string>{bad}));
        EXPECT_EQ(connValue(d.ConnectStr(), "Database"), connValue(good, "Database"));
    }
    // Complete modes: asked only after a failed try, with the driver's message.
    for (TDriverConnectOption option : {dcoDriverComplete, dcoDriverCompleteRequired}) {
        asked.clear();
        TODBCDatabase works(nullptr);
        works.SetDriverConnectOption(option);
        works.SetConnectStr(good);
        works.Open();
        EXPECT_TRUE(asked.empty());
        TODBCDatabase d(nullptr);
        d.SetDriverConnectOption(option);
        d.SetConnectStr(bad);
        d.Open();
        EXPECT_TRUE(d.Connected()) << option;
        EXPECT_EQ(asked, (std::vector<std::string>{bad + " | failed"}));
    }
    // No prompt: never asked.
    asked.clear();
    {
        TODBCDatabase d(nullptr);
        d.SetDriverConnectOption(dcoDriverNoPrompt);
        d.SetConnectStr(bad);
        EXPECT_THROW(d.Open(), EODBCError);
        EXPECT_TRUE(asked.empty());
    }
    // Cancelled: closed without an error; not shown (no GUI): the driver's error stands.
    answer = cprCancelled;
    for (TDriverConnectOption option : {dcoDriverPrompt, dcoDriverComplete}) {
        TODBCDatabase d(nullptr);
        d.SetDriverConnectOption(option);
        d.SetConnectStr(bad);
        EXPECT_NO_THROW(d.Open());
        EXPECT_FALSE(d.Connected());
        EXPECT_EQ(d.ConnectStr(), bad);
    }
    answer = cprNotShown;
    {
        TODBCDatabase d(nullptr);
        d.SetDriverConnectOption(dcoDriverComplete);
        d.SetConnectStr(bad);
        EXPECT_THROW(d.Open(), EODBCError);
        d.SetDriverConnectOption(dcoDriverPrompt);
        EXPECT_THROW(d.Open(), EODBCError);
        d.SetConnectStr(good);
        d.Open();
        EXPECT_TRUE(d.Connected());
    }
}

TEST_P(DatabaseTest, ConnectByDataSourceNameUserAndPassword) {
    // A private user odbc.ini with one data source for this database.
    // A new file name each time: the driver manager caches what it read from a file name.
    static int serial = 0;
    auto dir = std::filesystem::temp_directory_path() /
               ("vantrel-dsn-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(dir);
    const std::string conn = tdb->connectionString();
    const std::string dsn = "VantrelTest" + engineName(GetParam());
    {
        std::ofstream ini(dir / "odbc.ini");
        ini << "[" << dsn << "]\nDescription=Vantrel test\n";
        if (postgres()) {
            ini << "Driver=PostgreSQL Unicode\nServername=" << connValue(conn, "Server")
                << "\nPort=" << connValue(conn, "Port") << "\nDatabase=" << connValue(conn, "Database") << "\n";
        } else {
            ini << "Driver=SQLite3\nDatabase=" << connValue(conn, "Database") << "\n";
        }
    }
    const char* old = std::getenv("ODBCINI");
    std::string saved = old ? old : "";
    setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);

    TStringList names, descriptions;
    ODBCSession->GetDSNNames(&names, &descriptions);
    EXPECT_NE(names.IndexOf(dsn), -1);

    db->SetConnectStyle(csConnect);
    db->SetDSNName(dsn);
    db->SetUserID(connValue(conn, "Uid"));
    db->SetPassword(connValue(conn, "Pwd"));
    EXPECT_NO_THROW(db->Open());
    EXPECT_TRUE(db->Connected());
    EXPECT_EQ(count("t_alpha"), 0);
    db->Close();

    db->SetDSNName("NoSuchDSN");
    try {
        db->Open();
        ADD_FAILURE() << "connected to a missing data source";
    } catch (const EODBCError& e) {
        EXPECT_EQ(e.SQLStates().substr(0, 5), "IM002") << e.Message();
    }
    EXPECT_FALSE(db->Connected());

    if (old)
        setenv("ODBCINI", saved.c_str(), 1);
    else
        unsetenv("ODBCINI");
    std::filesystem::remove_all(dir);
}

TEST_P(DatabaseTest, RollbackUndoesAndCommitKeeps) {
    db->Open();
    db->StartTransaction();
    EXPECT_TRUE(db->InTransaction());
    EXPECT_EQ(connectAttr(*db, SQL_ATTR_AUTOCOMMIT), SQL_AUTOCOMMIT_OFF);
    odbctest::execOn(dbc(), "INSERT INTO t_alpha (a, b, c) VALUES (1, 'gone', 1)");
    EXPECT_EQ(count("t_alpha"), 1);
    db->Rollback();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(connectAttr(*db, SQL_ATTR_AUTOCOMMIT), SQL_AUTOCOMMIT_ON);
    EXPECT_EQ(count("t_alpha"), 0);

    db->StartTransaction();
    odbctest::execOn(dbc(), "INSERT INTO t_alpha (a, b, c) VALUES (2, 'kept', 2)");
    db->Commit();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(connectAttr(*db, SQL_ATTR_AUTOCOMMIT), SQL_AUTOCOMMIT_ON);
    db->Close();
    // Seen from another connection.
    odbctest::RawConnection other(tdb->connectionString());
    EXPECT_EQ(odbctest::scalarOn(other.get(), "SELECT COUNT(*) FROM t_alpha WHERE a = 2"), 1);
}

TEST_P(DatabaseTest, ClosingWithAnOpenTransactionRollsItBack) {
    db->Open();
    db->StartTransaction();
    odbctest::execOn(dbc(), "INSERT INTO t_alpha (a) VALUES (3)");
    db->Close();
    EXPECT_FALSE(db->InTransaction());
    db->Open();
    EXPECT_EQ(count("t_alpha"), 0);
}

TEST_P(DatabaseTest, TransactionGuardRollsBackUnlessCommitted) {
    db->Open();
    {
        TODBCTransaction t(*db);
        odbctest::execOn(dbc(), "INSERT INTO t_alpha (a) VALUES (4)");
    }
    EXPECT_EQ(count("t_alpha"), 0);
    {
        TODBCTransaction t(*db);
        odbctest::execOn(dbc(), "INSERT INTO t_alpha (a) VALUES (5)");
        t.Commit();
    }
    EXPECT_EQ(count("t_alpha"), 1);
}

TEST_P(DatabaseTest, OtherAutoCommitOptionsLeaveTheDriversSetting) {
    for (TAutoCommitOption option : {acoAutoCommit, acoDontCare}) {
        db->SetAutoCommitOption(option);
        db->Open();
        db->StartTransaction();
        EXPECT_FALSE(db->InTransaction());
        EXPECT_EQ(connectAttr(*db, SQL_ATTR_AUTOCOMMIT), SQL_AUTOCOMMIT_ON);
        odbctest::execOn(dbc(), "INSERT INTO t_alpha (a) VALUES (6)");
        db->Rollback();  // still reaches the driver, which has nothing to undo
        EXPECT_EQ(connectAttr(*db, SQL_ATTR_AUTOCOMMIT), SQL_AUTOCOMMIT_ON);
        db->Commit();
        db->Close();
    }
    db->Open();
    EXPECT_EQ(count("t_alpha"), 2);
}

TEST_P(DatabaseTest, IsolationLevelReachesTheDriverWhenConnectingAndAtOnce) {
    db->SetIsolationLevel(ilSerializable);
    db->Open();
    EXPECT_EQ(connectAttr(*db, SQL_ATTR_TXN_ISOLATION), static_cast<SQLULEN>(SQL_TXN_SERIALIZABLE));
    if (postgres()) {
        db->SetIsolationLevel(ilRepeatableRead);
        EXPECT_EQ(connectAttr(*db, SQL_ATTR_TXN_ISOLATION), static_cast<SQLULEN>(SQL_TXN_REPEATABLE_READ));
        db->SetIsolationLevel(ilCommitedRead);
        EXPECT_EQ(connectAttr(*db, SQL_ATTR_TXN_ISOLATION), static_cast<SQLULEN>(SQL_TXN_READ_COMMITTED));
        // Don't care leaves what the connection has.
        db->SetIsolationLevel(ilDontCare);
        EXPECT_EQ(connectAttr(*db, SQL_ATTR_TXN_ISOLATION), static_cast<SQLULEN>(SQL_TXN_READ_COMMITTED));
    }
    EXPECT_EQ(db->IsolationLevel(), postgres() ? ilDontCare : ilSerializable);
}

TEST_P(DatabaseTest, CursorOptionAndPromptStyleAreFixedWhileConnected) {
    db->SetSQLCursorOption(curUseDriver);
    db->Open();
    EXPECT_EQ(connectAttr(*db, SQL_ATTR_ODBC_CURSORS), static_cast<SQLULEN>(SQL_CUR_USE_DRIVER));
    try {
        db->SetSQLCursorOption(curUsesODBC);
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "ODBC This operation is not allowed on open database");
    }
    EXPECT_THROW(db->SetDriverConnectOption(dcoDriverNoPrompt), EDatabaseError);
    EXPECT_EQ(db->SQLCursorOption(), curUseDriver);
    EXPECT_EQ(db->DriverConnectOption(), dcoDriverComplete);
    db->Close();
    db->SetDriverConnectOption(dcoDriverNoPrompt);
    EXPECT_EQ(db->DriverConnectOption(), dcoDriverNoPrompt);
}

TEST_P(DatabaseTest, CatalogListsMatchWhatWasCreated) {
    tdb->exec("CREATE TABLE t_beta (x INTEGER)");
    db->Open();
    TStringList names, owners, types, remarks;
    db->GetTables(&names, &owners, &types, &remarks);
    ASSERT_EQ(names.Count(), owners.Count());
    ASSERT_EQ(names.Count(), types.Count());
    ASSERT_EQ(names.Count(), remarks.Count());
    std::map<std::string, std::pair<std::string, std::string>> ours;  // name -> type, remark
    for (int i = 0; i < names.Count(); ++i) {
        if (names[i].rfind("t_", 0) != 0) continue;
        ours[names[i]] = {types[i], remarks[i]};
        // No schema on SQLite: the NULL owner is an empty text.
        EXPECT_EQ(owners[i], postgres() ? "public" : "") << names[i];
    }
    ASSERT_EQ(ours.size(), 2u);
    EXPECT_EQ(ours["t_alpha"].first, "TABLE");
    EXPECT_EQ(ours["t_beta"].first, "TABLE");
    // Neither driver reports remarks: NULL (SQLite) and empty (psqlODBC) both read as empty.
    EXPECT_EQ(ours["t_alpha"].second, "");
    EXPECT_EQ(ours["t_beta"].second, "");

    TStringList columns;
    columns.Add("stale");
    db->GetColumns("t_alpha", &columns);
    EXPECT_EQ(lines(columns), (std::vector<std::string>{"a", "b", "c"}));
    db->GetColumns("no_such_table", &columns);
    EXPECT_EQ(columns.Count(), 0);
    db->GetTables(nullptr, nullptr, &types, nullptr);  // null lists are skipped
    EXPECT_EQ(types.Count(), names.Count());
}

TEST_P(DatabaseTest, UseAfterCloseIsTheDriverManagersError) {
    db->Open();
    db->Close();
    TStringList names;
    try {
        db->GetTables(&names, nullptr, nullptr, nullptr);
        ADD_FAILURE() << "catalog of a closed connection";
    } catch (const EODBCError& e) {
        EXPECT_EQ(e.SQLStates().substr(0, 5), "08003") << e.Message();
    }
    EXPECT_THROW(db->Commit(), EODBCError);
    db->Open();  // and it still connects afterwards
    EXPECT_TRUE(db->Connected());
}

INSTANTIATE_TEST_SUITE_P(Engines, DatabaseTest, TESTSUPPORT_ENGINES);

// ---- names, session and attached datasets ---------------------------------------------------

TEST(DatabaseNames, UniqueAmongTheSessionExceptEmpty) {
    TODBCDatabase a(nullptr), b(nullptr), c(nullptr);
    a.SetDatabaseName("Shop");
    EXPECT_EQ(ODBCSession->FindDatabase("Shop"), &a);
    EXPECT_EQ(ODBCSession->FindDatabase("shop"), nullptr);  // case matters
    try {
        b.SetDatabaseName("Shop");
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "ODBC Database with name Shop allready exists");
    }
    EXPECT_EQ(b.DatabaseName(), "");
    b.SetDatabaseName("shop");
    a.SetDatabaseName("Shop");  // same name again: no change, no error
    EXPECT_EQ(ODBCSession->FindDatabase("shop"), &b);
    c.SetDatabaseName("Third");
    c.SetDatabaseName("");  // the empty name may repeat
    EXPECT_EQ(c.DatabaseName(), "");
    EXPECT_EQ(ODBCSession->FindDatabase("Third"), nullptr);
}

TEST(DatabaseNames, RenamingAConnectedDatabaseFails) {
    testsupport::TestDatabase t(Engine::SQLite);
    TODBCDatabase d(nullptr);
    d.SetConnectStr(t.connectionString());
    d.Open();
    try {
        d.SetDatabaseName("Other");
        ADD_FAILURE();
    } catch (const EODBCDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Database open");
    }
    d.Close();
    d.SetDatabaseName("Other");
    EXPECT_EQ(ODBCSession->FindDatabase("Other"), &d);
}

TEST(Session, DatabasesRegisterAndLeaveWhenFreed) {
    const int before = ODBCSession->GetDatabaseCount();
    auto* owner = new TComponent(nullptr);
    auto* owned = new TODBCDatabase(owner);
    owned->SetDatabaseName("Owned");
    {
        TODBCDatabase loose(nullptr);
        EXPECT_EQ(ODBCSession->GetDatabaseCount(), before + 2);
        EXPECT_EQ(ODBCSession->GetDatabase(before), owned);
        EXPECT_EQ(ODBCSession->GetDatabase(before + 1), &loose);
    }
    EXPECT_EQ(ODBCSession->GetDatabaseCount(), before + 1);
    owner->Free();  // frees the database it owns, which leaves the session
    EXPECT_EQ(ODBCSession->GetDatabaseCount(), before);
    EXPECT_EQ(ODBCSession->FindDatabase("Owned"), nullptr);
    EXPECT_THROW(ODBCSession->GetDatabase(before), EDatabaseError);
}

namespace {

// Tells when a watched component goes.
class Watcher : public TComponent {
public:
    Watcher() : TComponent(nullptr) {}
    std::vector<TComponent*> removed;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        if (operation == opRemove) removed.push_back(component);
        TComponent::Notification(component, operation);
    }
};

}  // namespace

TEST(Session, UnloadFreesOnlyTheDatabasesNobodyOwns) {
    testsupport::TestDatabase t(Engine::SQLite);
    TODBCSession* const global = ODBCSession;
    auto* session = new TODBCSession();
    ODBCSession = session;  // stands in for the library's own while it is unloaded
    auto* owner = new TComponent(nullptr);
    auto* owned = new TODBCDatabase(owner);
    auto* loose = new TODBCDatabase(nullptr);
    for (TODBCDatabase* d : {owned, loose}) {
        d->SetConnectStr(t.connectionString());
        d->Open();
    }
    Watcher watcher;
    loose->FreeNotification(&watcher);
    owned->FreeNotification(&watcher);
    EXPECT_EQ(session->GetDatabaseCount(), 2);

    delete session;
    ODBCSession = global;
    EXPECT_EQ(watcher.removed, std::vector<TComponent*>{loose});
    EXPECT_FALSE(owned->Connected());  // closed, and left to its owner
    const int count = ODBCSession->GetDatabaseCount();
    owner->Free();  // its database no longer touches the session it came from
    EXPECT_EQ(watcher.removed.size(), 2u);
    EXPECT_EQ(ODBCSession->GetDatabaseCount(), count);
}

TEST(DatabaseForm, StoredFormRoundTripKeepsThePropertiesAndConnectsAfterLoading) {
    testsupport::TestDatabase t(Engine::SQLite);
    TMemoryStream stream;
    {
        TComponent form(nullptr);
        form.SetName("Form1");
        auto* db = new TODBCDatabase(&form);
        db->SetName("ODBCDatabase1");
        db->SetDatabaseName("FormDB");
        db->SetConnectStr(t.connectionString());
        db->SetDSNName("SomeSource");
        db->SetIsolationLevel(ilSerializable);
        db->SetSQLCursorOption(curUseDriver);
        db->SetDriverConnectOption(dcoDriverNoPrompt);
        db->SetAutoCommitOption(acoAutoCommit);
        db->SetPassword("secret-word");
        db->SetUserID("clerk");
        db->SetParamAtExecSize(4096);
        db->SetStringTrimRight(true);
        db->SetIgnoreOriginInfo(true);
        db->Open();
        (new TODBCDatabase(&form))->SetName("ODBCDatabase2");  // all defaults
        WriteComponent(stream, &form);
    }
    const std::string bytes(stream.Bytes().begin(), stream.Bytes().end());
    EXPECT_EQ(bytes.find("secret-word"), std::string::npos) << "a password in a stored form";
    EXPECT_NE(bytes.find("dcoDriverNoPrompt"), std::string::npos);  // enumerations by name
    EXPECT_EQ(bytes.find("csDriverConnect"), std::string::npos);    // defaults are not written

    stream.SetPosition(0);
    std::unique_ptr<TComponent> form(ReadComponent(stream, nullptr));
    auto* db = dynamic_cast<TODBCDatabase*>(form->FindComponent("ODBCDatabase1"));
    ASSERT_NE(db, nullptr);
    EXPECT_TRUE(db->Connected());
    EXPECT_EQ(db->DatabaseName(), "FormDB");
    EXPECT_EQ(ODBCSession->FindDatabase("FormDB"), db);
    EXPECT_EQ(db->ConnectStr(), t.connectionString());
    EXPECT_EQ(db->DSNName(), "SomeSource");
    EXPECT_EQ(db->IsolationLevel(), ilSerializable);
    EXPECT_EQ(db->SQLCursorOption(), curUseDriver);
    EXPECT_EQ(db->DriverConnectOption(), dcoDriverNoPrompt);
    EXPECT_EQ(db->AutoCommitOption(), acoAutoCommit);
    EXPECT_EQ(db->ConnectStyle(), csDriverConnect);
    EXPECT_EQ(db->Password(), "");
    EXPECT_EQ(db->UserID(), "clerk");
    EXPECT_EQ(db->ParamAtExecSize(), 4096);
    EXPECT_TRUE(db->StringTrimRight());
    EXPECT_TRUE(db->IgnoreOriginInfo());

    auto* plain = dynamic_cast<TODBCDatabase*>(form->FindComponent("ODBCDatabase2"));
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->Connected());
    EXPECT_EQ(plain->DatabaseName(), "");
    EXPECT_EQ(plain->IsolationLevel(), ilDontCare);
    EXPECT_EQ(plain->SQLCursorOption(), curUseIfNeeded);
    EXPECT_EQ(plain->DriverConnectOption(), dcoDriverComplete);
    EXPECT_EQ(plain->AutoCommitOption(), acoNoAutoCommit);
    EXPECT_EQ(plain->ConnectStyle(), csDriverConnect);
    EXPECT_EQ(plain->ParamAtExecSize(), 8192);
    EXPECT_FALSE(plain->StringTrimRight());
    EXPECT_FALSE(plain->IgnoreOriginInfo());
}

TEST(Session, DataSourcesAndDriversMatchOdbcinst) {
    TStringList drivers, attributes;
    ODBCSession->GetDriverNames(&drivers, &attributes);
    std::vector<std::string> expected;
    std::string out = odbctest::commandOutput("odbcinst -q -d 2>/dev/null");
    std::regex section("\\[([^\\]]+)\\]");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), section); it != std::sregex_iterator(); ++it)
        expected.push_back((*it)[1]);
    EXPECT_EQ(lines(drivers), expected);
    ASSERT_EQ(attributes.Count(), drivers.Count());
    int sqlite = drivers.IndexOf("SQLite3");
    ASSERT_NE(sqlite, -1);
    // Every attribute pair, not only the first.
    EXPECT_NE(attributes[sqlite].find("Driver="), std::string::npos) << attributes[sqlite];
    EXPECT_NE(attributes[sqlite].find(";"), std::string::npos) << attributes[sqlite];

    auto dir = std::filesystem::temp_directory_path() / ("vantrel-dsns-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "odbc.ini") << "[FirstSource]\nDriver=SQLite3\nDatabase=/tmp/a.db\n\n"
                                    << "[SecondSource]\nDriver=PostgreSQL Unicode\nDatabase=x\n";
    setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);
    TStringList names, descriptions;
    names.Add("stale");
    ODBCSession->GetDSNNames(&names, &descriptions);
    expected.clear();
    out = odbctest::commandOutput("odbcinst -q -s 2>/dev/null");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), section); it != std::sregex_iterator(); ++it)
        expected.push_back((*it)[1]);
    EXPECT_EQ(lines(names), expected);
    int second = names.IndexOf("SecondSource");
    ASSERT_NE(second, -1);
    EXPECT_EQ(descriptions[second], "PostgreSQL Unicode");
    ODBCSession->GetDSNNames(nullptr, &descriptions);
    EXPECT_EQ(descriptions.Count(), names.Count());

    // No user sources at all (and none system-wide here) leaves both lists empty.
    std::ofstream(dir / "odbc.ini", std::ios::trunc) << "";
    ODBCSession->GetDSNNames(&names, &descriptions);
    if (odbctest::commandOutput("odbcinst -q -s 2>/dev/null").find('[') == std::string::npos) {
        EXPECT_EQ(names.Count(), 0);
        EXPECT_EQ(descriptions.Count(), 0);
    }
    unsetenv("ODBCINI");
    std::filesystem::remove_all(dir);
}

namespace {

// Stands in for a dataset: records what the database asks of it.
class FakeDataSet : public TODBCDataSetClient {
public:
    FakeDataSet(TODBCDatabase* db, std::vector<std::string>& log, std::string name)
        : db_(db), log_(log), name_(std::move(name)) {
        db_->AddDataSet(this);
    }
    ~FakeDataSet() {
        if (db_) db_->RemoveDataSet(this);
    }
    TODBCDataSet* ODBCDataSet() noexcept override { return reinterpret_cast<TODBCDataSet*>(this); }
    void CloseForDatabase() override { log_.push_back("close " + name_); }
    void DetachFromDatabase() override {
        log_.push_back("detach " + name_);
        db_->RemoveDataSet(this);
        db_ = nullptr;
    }

private:
    TODBCDatabase* db_;
    std::vector<std::string>& log_;
    std::string name_;
};

}  // namespace

TEST(AttachedDataSets, ClosedLastFirstAndDetachedWhenTheDatabaseGoes) {
    std::vector<std::string> log;
    auto db = std::make_unique<TODBCDatabase>(nullptr);
    FakeDataSet one(db.get(), log, "one"), two(db.get(), log, "two");
    db->AddDataSet(&one);  // once only
    EXPECT_EQ(db->GetDatasetCount(), 2);
    EXPECT_EQ(db->GetDataset(1), two.ODBCDataSet());
    db->Close();
    EXPECT_EQ(log, (std::vector<std::string>{"close two", "close one"}));
    log.clear();
    db.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"close two", "close one", "detach two", "detach one"}));
}
