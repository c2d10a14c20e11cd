#include <vantrel/core/ODBCDatabase.h>

#include <vantrel/core/ODBCApi.h>
#include <vantrel/framework/DBError.h>
#include <vantrel/framework/Streaming.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace vantrel {

const int ODBCDriverConnectOption[4] = {SQL_DRIVER_NOPROMPT, SQL_DRIVER_COMPLETE, SQL_DRIVER_PROMPT,
                                        SQL_DRIVER_COMPLETE_REQUIRED};
const int ODBCAutoCommitOption[3] = {-1, SQL_AUTOCOMMIT_OFF, SQL_AUTOCOMMIT_ON};
const int ODBCIsolationLevel[6] = {-1, SQL_TXN_READ_UNCOMMITTED, SQL_TXN_READ_COMMITTED, SQL_TXN_REPEATABLE_READ,
                                   SQL_TXN_SERIALIZABLE, 16 /* SQL_TXN_VERSIONING of ODBC 2 */};
const int ODBCSQLCursorOption[3] = {SQL_CUR_USE_IF_NEEDED, SQL_CUR_USE_ODBC, SQL_CUR_USE_DRIVER};

TODBCSession* ODBCSession = nullptr;

// ---------------------------------------------------------------------------------------------
// Library load and unload: the environment first, then the session; at unload the other way round.

namespace {

SQLHENV gEnv = SQL_NULL_HENV;

struct LibraryLifetime {
    LibraryLifetime() {
        // ODBC 2.x behaviour (the driver manager maps states and date types for us).
        if (!RetCodeIsSuccessful(SQLAllocEnv(&gEnv))) gEnv = SQL_NULL_HENV;
        ODBCSession = new TODBCSession();
    }
    ~LibraryLifetime() {
        TODBCSession* session = ODBCSession;
        ODBCSession = nullptr;
        bool ownedLeft = session->GetDatabaseCount() > 0;
        delete session;
        // Databases still owned by live components need the environment for their handles.
        if (!ownedLeft && gEnv) {
            SQLFreeEnv(gEnv);
            gEnv = SQL_NULL_HENV;
        }
    }
};

// Before any other static object of the library, so that their databases find the session.
__attribute__((init_priority(200))) LibraryLifetime gLibraryLifetime;

// Published properties, in the order the designer shows them. The events are code and are not
// stored. The password is read from older forms but never written: a stored form is plain text.
const bool gDatabaseRegistered = [] {
    RegisterClass<TODBCDatabase, TComponent>("TODBCDatabase")
        .Text("DatabaseName", &TODBCDatabase::DatabaseName, &TODBCDatabase::SetDatabaseName)
        .Text("DSNName", &TODBCDatabase::DSNName, &TODBCDatabase::SetDSNName)
        .Text("ConnectStr", &TODBCDatabase::ConnectStr, &TODBCDatabase::SetConnectStr)
        .Enum("IsolationLevel", &TODBCDatabase::IsolationLevel, &TODBCDatabase::SetIsolationLevel,
              {"ilDontCare", "ilDirtyRead", "ilCommitedRead", "ilRepeatableRead", "ilSerializable", "ilVersioning"},
              ilDontCare)
        .Enum("SQLCursorOption", &TODBCDatabase::SQLCursorOption, &TODBCDatabase::SetSQLCursorOption,
              {"curUseIfNeeded", "curUsesODBC", "curUseDriver"}, curUseIfNeeded)
        .Enum("DriverConnectOption", &TODBCDatabase::DriverConnectOption, &TODBCDatabase::SetDriverConnectOption,
              {"dcoDriverNoPrompt", "dcoDriverComplete", "dcoDriverPrompt", "dcoDriverCompleteRequired"},
              dcoDriverComplete)
        .Enum("AutoCommitOption", &TODBCDatabase::AutoCommitOption, &TODBCDatabase::SetAutoCommitOption,
              {"acoDontCare", "acoNoAutoCommit", "acoAutoCommit"}, acoNoAutoCommit)
        .Enum("ConnectStyle", &TODBCDatabase::ConnectStyle, &TODBCDatabase::SetConnectStyle,
              {"csDriverConnect", "csConnect"}, csDriverConnect)
        .Text("Password", &TODBCDatabase::Password, &TODBCDatabase::SetPassword)
        .StoredIf([](TODBCDatabase*) { return false; })
        .Text("UserID", &TODBCDatabase::UserID, &TODBCDatabase::SetUserID)
        .Integer("ParamAtExecSize", &TODBCDatabase::ParamAtExecSize, &TODBCDatabase::SetParamAtExecSize, 8192)
        .Boolean("StringTrimRight", &TODBCDatabase::StringTrimRight, &TODBCDatabase::SetStringTrimRight, false)
        .Boolean("IgnoreOriginInfo", &TODBCDatabase::IgnoreOriginInfo, &TODBCDatabase::SetIgnoreOriginInfo, false)
        .Boolean("Connected", &TODBCDatabase::Connected, &TODBCDatabase::SetConnected, false);
    return true;
}();

String fromBuffer(const SQLCHAR* data, std::size_t capacity, SQLLEN indicator) {
    if (indicator == SQL_NULL_DATA) return String();
    const char* text = reinterpret_cast<const char*>(data);
    return String(text, strnlen(text, capacity));
}

// True when a connection string says which driver or data source to use (so it connects again).
bool namesDriverOrSource(const String& conn) {
    std::size_t pos = 0;
    while (pos < conn.size()) {
        std::size_t end = conn.find(';', pos);
        if (end == String::npos) end = conn.size();
        const String pair = conn.substr(pos, end - pos);
        // Braced values may hold ';' but the keys we look for come before any.
        const std::size_t eq = pair.find('=');
        if (eq != String::npos) {
            const String key = UpperCase(Trim(pair.substr(0, eq)));
            const String value = Trim(pair.substr(eq + 1));
            if ((key == "DRIVER" || key == "DSN" || key == "FILEDSN") && !value.empty()) return true;
        }
        pos = end + 1;
    }
    return false;
}

}  // namespace

SQLHENV odbcEnv() noexcept { return gEnv; }

// ---------------------------------------------------------------------------------------------
// Session

TODBCSession::TODBCSession() : TComponent(nullptr) {}

TODBCSession::~TODBCSession() {
    // Whoever owns a database frees it; the session frees only the ones nobody does.
    std::lock_guard<std::recursive_mutex> guard(lock_);
    while (!databases_.empty()) {
        TODBCDatabase* db = databases_.back();
        databases_.pop_back();
        db->registered_ = false;
        if (db->Owner() == nullptr) {
            db->Free();
        } else {
            db->closeNoThrow();
        }
    }
}

int TODBCSession::GetDatabaseCount() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return static_cast<int>(databases_.size());
}

std::vector<TODBCDatabase*> TODBCSession::Databases() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return databases_;
}

TODBCDatabase* TODBCSession::GetDatabase(int index) const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (index < 0 || index >= GetDatabaseCount())
        DatabaseError(Format("List index out of bounds (%d)", index));
    return databases_[static_cast<std::size_t>(index)];
}

void TODBCSession::AddDatabase(TODBCDatabase* db) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    databases_.push_back(db);
}

void TODBCSession::RemoveDatabase(TODBCDatabase* db) noexcept {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    auto it = std::find(databases_.begin(), databases_.end(), db);
    if (it != databases_.end()) databases_.erase(it);
}

TODBCDatabase* TODBCSession::FindDatabase(const String& name) const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (TODBCDatabase* db : databases_)
        if (db->DatabaseName() == name) return db;
    return nullptr;
}

namespace {

// Name and description or attribute buffers of the enumeration calls. Data source names are
// short by rule (32); descriptions and driver attribute lists get room to spare, and a longer one
// is cut by the driver manager at the buffer (it reports SQL_SUCCESS_WITH_INFO).
constexpr SQLSMALLINT kNameBuffer = 512;
constexpr SQLSMALLINT kTextBuffer = 4096;

template <class Call>
void enumerate(const char* operation, TStrings* first, TStrings* second, bool attributeList, Call call) {
    if (first) first->Clear();
    if (second) second->Clear();
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        std::array<SQLCHAR, kNameBuffer> name{};
        std::array<SQLCHAR, kTextBuffer> text{};
        SQLSMALLINT nameLength = 0, textLength = 0;
        SQLRETURN rc = ODBCCheck(call(direction, name.data(), kNameBuffer, &nameLength, text.data(), kTextBuffer,
                                      &textLength),
                                 odbcEnv(), SQL_NULL_HDBC, SQL_NULL_HSTMT, operation);
        if (rc == SQL_NO_DATA_FOUND) break;
        direction = SQL_FETCH_NEXT;
        name.back() = 0;
        text.back() = 0;
        String second_text;
        if (attributeList) {
            // Driver attributes come as "key=value\0key=value\0\0": keep every pair, not just the first.
            std::size_t length = std::min<std::size_t>(textLength < 0 ? 0 : textLength, kTextBuffer - 1);
            for (std::size_t i = 0; i < length; ++i) {
                char c = static_cast<char>(text[i]);
                if (c == '\0') {
                    if (i + 1 >= length || text[i + 1] == 0) break;
                    second_text += ';';
                } else {
                    second_text += c;
                }
            }
        } else {
            second_text = reinterpret_cast<const char*>(text.data());
        }
        if (first) first->Add(reinterpret_cast<const char*>(name.data()));
        if (second) second->Add(second_text);
    }
}

}  // namespace

void TODBCSession::GetDSNNames(TStrings* names, TStrings* descriptions) {
    enumerate("SQLDataSources", names, descriptions, false,
              [](SQLUSMALLINT dir, SQLCHAR* n, SQLSMALLINT nl, SQLSMALLINT* nlen, SQLCHAR* t, SQLSMALLINT tl,
                 SQLSMALLINT* tlen) { return SQLDataSources(odbcEnv(), dir, n, nl, nlen, t, tl, tlen); });
}

void TODBCSession::GetDriverNames(TStrings* names, TStrings* attributes) {
    enumerate("SQLDrivers", names, attributes, true,
              [](SQLUSMALLINT dir, SQLCHAR* n, SQLSMALLINT nl, SQLSMALLINT* nlen, SQLCHAR* t, SQLSMALLINT tl,
                 SQLSMALLINT* tlen) { return SQLDrivers(odbcEnv(), dir, n, nl, nlen, t, tl, tlen); });
}

// ---------------------------------------------------------------------------------------------
// Database

TODBCDatabase::TODBCDatabase(TComponent* owner) : TComponent(owner) {
    if (ODBCSession) {
        ODBCSession->AddDatabase(this);
        registered_ = true;
    }
}

TODBCDatabase::~TODBCDatabase() {
    closeNoThrow();
    try {
        FreeDatasets();
    } catch (...) {
    }
    dataSets_.clear();
    dbc_.reset();  // frees the handle, disconnecting first if a failed close left it connected
    if (registered_ && ODBCSession) ODBCSession->RemoveDatabase(this);
    registered_ = false;
}

void TODBCDatabase::closeNoThrow() noexcept {
    try {
        Close();
    } catch (...) {
        // A failed disconnect still must not leave the handle connected behind us.
        if (dbc_ && *dbc_) SQLDisconnect(dbc_->get());
        connected_ = false;
        inTransaction_ = false;
    }
}

TODBCHandle TODBCDatabase::GetDBC() {
    if (!dbc_) dbc_ = std::make_unique<ODBCConnectionHandle>();
    return dbc_->allocate(odbcEnv());
}

void TODBCDatabase::SetDatabaseName(const String& name) {
    if (connected_) throw EODBCDatabaseError("Database open");
    if (name == databaseName_) return;
    ValidateName(name);
    databaseName_ = name;
}

void TODBCDatabase::ValidateName(const String& name) const {
    if (name.empty() || !ODBCSession) return;
    TODBCDatabase* other = ODBCSession->FindDatabase(name);
    if (other && other != this) DatabaseErrorFmt(LoadResString(SODBCDatabaseExists), {name});
}

void TODBCDatabase::applyIsolationLevel(TIsolationLevel level) {
    SQLHDBC dbc = dbc_->get();
    VANTREL_ODBC(odbcEnv(), dbc, SQL_NULL_HSTMT,
                 SQLSetConnectOption(dbc, SQL_TXN_ISOLATION, static_cast<SQLULEN>(ODBCIsolationLevel[level])));
}

void TODBCDatabase::SetIsolationLevel(TIsolationLevel level) {
    if (level == isolationLevel_) return;
    if (connected_ && level != ilDontCare) applyIsolationLevel(level);
    isolationLevel_ = level;
}

void TODBCDatabase::SetSQLCursorOption(TSQLCursorOption value) {
    if (connected_) DatabaseError(LoadResString(SODBCDataBaseOpen));
    cursorOption_ = value;
}

void TODBCDatabase::SetDriverConnectOption(TDriverConnectOption value) {
    if (connected_) DatabaseError(LoadResString(SODBCDataBaseOpen));
    driverConnectOption_ = value;
}

void TODBCDatabase::SetConnected(bool value) {
    if (Loading()) {
        streamedConnected_ = value;
        return;
    }
    if (value)
        Open();
    else
        Close();
}

void TODBCDatabase::Loaded() {
    TComponent::Loaded();
    if (streamedConnected_) {
        streamedConnected_ = false;
        Open();
    }
}

namespace {
std::mutex promptLock;
TConnectPrompt& installedPrompt() {
    static TConnectPrompt prompt;
    return prompt;
}
TConnectPrompt currentPrompt() {
    std::lock_guard<std::mutex> guard(promptLock);
    return installedPrompt();
}
}  // namespace

TConnectPrompt SetConnectPrompt(TConnectPrompt prompt) {
    std::lock_guard<std::mutex> guard(promptLock);
    std::swap(installedPrompt(), prompt);
    return prompt;
}

int16_t TODBCDatabase::driverConnect(const String& connectStr) {
    SQLHENV env = odbcEnv();
    SQLHDBC dbc = static_cast<SQLHDBC>(GetDBC());
    // The completed string may be longer than what was given; a cut one is not kept.
    std::vector<SQLCHAR> out(std::max<std::size_t>(4096, connectStr.size() * 2 + 1), 0);
    SQLSMALLINT outLength = 0;
    // NOTE: unixODBC has no driver dialogs here and no window to parent one; with a null window
    // and a prompting mode some driver managers try to load a GUI plug-in or wait for one. The
    // driver is therefore never asked to prompt: our own prompt (SetConnectPrompt) does that.
    SQLRETURN rc = VANTREL_ODBC(env, dbc, SQL_NULL_HSTMT,
                                SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connectStr.c_str(), SQL_NTS, out.data(),
                                                 static_cast<SQLSMALLINT>(std::min<std::size_t>(out.size(), 32767)),
                                                 &outLength, SQL_DRIVER_NOPROMPT));
    connectStr_ = connectStr;
    if (rc != SQL_NO_DATA_FOUND && outLength >= 0 &&
        static_cast<std::size_t>(outLength) < std::min<std::size_t>(out.size(), 32767)) {
        String completed(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(outLength));
        // NOTE: the SQLite ODBC driver completes "Driver={SQLite3};Database=f" to "DSN=;Database=f;..."
        // with neither driver nor data source, which the driver manager cannot connect again.
        if (namesDriverOrSource(completed)) connectStr_ = completed;
    }
    return rc;
}

void TODBCDatabase::Open() {
    if (connected_) return;
    if (onBeforeConnect_) onBeforeConnect_(this);
    SQLHENV env = odbcEnv();
    SQLHDBC dbc = static_cast<SQLHDBC>(GetDBC());
    VANTREL_ODBC(env, dbc, SQL_NULL_HSTMT,
                 SQLSetConnectOption(dbc, SQL_ODBC_CURSORS, static_cast<SQLULEN>(ODBCSQLCursorOption[cursorOption_])));
    SQLRETURN rc;
    if (connectStyle_ == csDriverConnect) {
        TConnectPrompt prompt = driverConnectOption_ == dcoDriverNoPrompt ? TConnectPrompt() : currentPrompt();
        TConnectPromptRequest request{this, driverConnectOption_, connectStr_, String()};
        if (prompt && driverConnectOption_ == dcoDriverPrompt) {
            const TConnectPromptResult answer = prompt(request);
            if (answer == cprCancelled) return;  // closed, and no error
            rc = driverConnect(answer == cprAccepted ? request.ConnectStr : connectStr_);
        } else if (prompt) {
            // Complete modes ask only when what is known does not connect.
            try {
                rc = driverConnect(connectStr_);
            } catch (const EODBCError& e) {
                request.Message = e.what();
                const TConnectPromptResult answer = prompt(request);
                if (answer == cprNotShown) throw;
                if (answer == cprCancelled) return;
                rc = driverConnect(request.ConnectStr);
            }
        } else {
            rc = driverConnect(connectStr_);
        }
    } else {
        rc = VANTREL_ODBC(env, dbc, SQL_NULL_HSTMT,
                          SQLConnect(dbc, (SQLCHAR*)dsnName_.c_str(), SQL_NTS, (SQLCHAR*)userID_.c_str(), SQL_NTS,
                                     (SQLCHAR*)password_.c_str(), SQL_NTS));
    }
    if (rc == SQL_NO_DATA_FOUND) return;  // the user cancelled: closed, and no error
    connected_ = true;
    if (onAfterConnect_) onAfterConnect_(this);
    if (isolationLevel_ != ilDontCare) applyIsolationLevel(isolationLevel_);
}

void TODBCDatabase::Close() {
    CloseDatasets();
    if (!connected_) return;
    if (inTransaction_) Rollback();
    SQLHDBC dbc = dbc_->get();
    VANTREL_ODBC(odbcEnv(), dbc, SQL_NULL_HSTMT, SQLDisconnect(dbc));
    connected_ = false;
    dbc_->free();
}

int TODBCDatabase::GetDatasetCount() const { return static_cast<int>(dataSets_.size()); }

TODBCDataSet* TODBCDatabase::GetDataset(int index) const {
    if (index < 0 || index >= GetDatasetCount()) DatabaseError(Format("List index out of bounds (%d)", index));
    return dataSets_[static_cast<std::size_t>(index)]->ODBCDataSet();
}

void TODBCDatabase::CloseDatasets() {
    for (std::size_t i = dataSets_.size(); i-- > 0;)
        if (i < dataSets_.size()) dataSets_[i]->CloseForDatabase();
}

void TODBCDatabase::FreeDatasets() {
    // Each detach removes the dataset from the list.
    while (!dataSets_.empty()) {
        TODBCDataSetClient* ds = dataSets_.back();
        ds->DetachFromDatabase();
        if (!dataSets_.empty() && dataSets_.back() == ds) dataSets_.pop_back();
    }
}

void TODBCDatabase::AddDataSet(TODBCDataSetClient* dataSet) {
    if (dataSet && std::find(dataSets_.begin(), dataSets_.end(), dataSet) == dataSets_.end())
        dataSets_.push_back(dataSet);
}

void TODBCDatabase::RemoveDataSet(TODBCDataSetClient* dataSet) noexcept {
    auto it = std::find(dataSets_.begin(), dataSets_.end(), dataSet);
    if (it != dataSets_.end()) dataSets_.erase(it);
}

void TODBCDatabase::setAutoCommit(bool on) {
    SQLHDBC dbc = static_cast<SQLHDBC>(GetDBC());
    VANTREL_ODBC(odbcEnv(), dbc, SQL_NULL_HSTMT,
                 SQLSetConnectOption(dbc, SQL_AUTOCOMMIT, on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF));
}

void TODBCDatabase::StartTransaction() {
    if (autoCommitOption_ != acoNoAutoCommit) return;
    setAutoCommit(false);
    inTransaction_ = true;
    ++transactionNumber_;
}

void TODBCDatabase::Commit() {
    SQLHDBC dbc = static_cast<SQLHDBC>(GetDBC());
    VANTREL_ODBC(odbcEnv(), dbc, SQL_NULL_HSTMT, SQLTransact(odbcEnv(), dbc, SQL_COMMIT));
    inTransaction_ = false;
    if (autoCommitOption_ == acoNoAutoCommit) setAutoCommit(true);
}

void TODBCDatabase::Rollback() {
    SQLHDBC dbc = static_cast<SQLHDBC>(GetDBC());
    VANTREL_ODBC(odbcEnv(), dbc, SQL_NULL_HSTMT, SQLTransact(odbcEnv(), dbc, SQL_ROLLBACK));
    inTransaction_ = false;
    if (autoCommitOption_ == acoNoAutoCommit) setAutoCommit(true);
}

namespace {

// Catalog values are identifiers and short remarks; 127 bytes cut real names, so give them room.
constexpr SQLLEN kCatalogBuffer = 1024;

struct BoundText {
    std::array<SQLCHAR, kCatalogBuffer> data{};
    SQLLEN indicator = SQL_NULL_DATA;
    String text() const { return fromBuffer(data.data(), data.size(), indicator); }
};

void bindText(SQLHSTMT stmt, SQLHDBC dbc, SQLUSMALLINT column, BoundText& target) {
    VANTREL_ODBC(odbcEnv(), dbc, stmt,
                 SQLBindCol(stmt, column, SQL_C_CHAR, target.data.data(), kCatalogBuffer, &target.indicator));
}

// Fetches every row of a catalog result, calling `row` for each.
template <class Row> void fetchAll(SQLHSTMT stmt, SQLHDBC dbc, Row row) {
    for (;;) {
        SQLRETURN rc = VANTREL_ODBC(odbcEnv(), dbc, stmt, SQLFetch(stmt));
        if (rc == SQL_NO_DATA_FOUND) break;
        row();
    }
}

void clear(std::initializer_list<TStrings*> lists) {
    for (TStrings* l : lists)
        if (l) l->Clear();
}

}  // namespace

void TODBCDatabase::GetTables(TStrings* tableNames, TStrings* owners, TStrings* tableTypes, TStrings* remarks) {
    SQLHDBC dbc = static_cast<SQLHDBC>(GetDBC());
    ODBCStatementHandle stmt;
    stmt.allocate(odbcEnv(), dbc);
    clear({tableNames, owners, tableTypes, remarks});
    VANTREL_ODBC(odbcEnv(), dbc, stmt.get(),
                 SQLTables(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0));
    std::array<BoundText, 5> cols;
    for (SQLUSMALLINT i = 0; i < cols.size(); ++i) bindText(stmt.get(), dbc, i + 1, cols[i]);
    fetchAll(stmt.get(), dbc, [&] {
        if (tableNames) tableNames->Add(cols[2].text());
        if (owners) owners->Add(cols[1].text());
        if (tableTypes) tableTypes->Add(cols[3].text());
        if (remarks) remarks->Add(cols[4].text());
    });
    stmt.drop();
}

void TODBCDatabase::GetColumns(const String& tableName, TStrings* columnNames) {
    SQLHDBC dbc = static_cast<SQLHDBC>(GetDBC());
    ODBCStatementHandle stmt;
    stmt.allocate(odbcEnv(), dbc);
    clear({columnNames});
    VANTREL_ODBC(odbcEnv(), dbc, stmt.get(),
                 SQLColumns(stmt.get(), nullptr, 0, nullptr, 0, (SQLCHAR*)tableName.c_str(),
                            static_cast<SQLSMALLINT>(tableName.size()), nullptr, 0));
    BoundText name;
    bindText(stmt.get(), dbc, 4, name);
    fetchAll(stmt.get(), dbc, [&] {
        if (columnNames) columnNames->Add(name.text());
    });
    stmt.drop();
}

// ---------------------------------------------------------------------------------------------

TODBCTransaction::TODBCTransaction(TODBCDatabase& db) : db_(db) { db_.StartTransaction(); }

TODBCTransaction::~TODBCTransaction() {
    if (done_) return;
    try {
        db_.Rollback();
    } catch (...) {
    }
}

void TODBCTransaction::Commit() {
    db_.Commit();
    done_ = true;
}

}  // namespace vantrel
