#pragma once
// The process-wide ODBC session and the connection component.
#include <vantrel/core/ODBCError.h>
#include <vantrel/framework/Classes.h>
#include <vantrel/framework/SysUtils.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace vantrel {

/// Which ODBC connect call TODBCDatabase::Open uses.
enum TConnectStyle { csDriverConnect, csConnect };
/// Prompting mode of a driver connect. Drivers show no dialogs on this platform; the prompt is the
/// one installed with SetConnectPrompt (the grid library installs a Qt connection dialog, shown
/// only while a Qt GUI application runs). dcoDriverPrompt asks before connecting;
/// dcoDriverComplete and dcoDriverCompleteRequired ask when a connect without it fails. Without an
/// installed prompt or a GUI every mode connects without prompting and fails with the driver's
/// diagnostics when information is missing.
enum TDriverConnectOption { dcoDriverNoPrompt, dcoDriverComplete, dcoDriverPrompt, dcoDriverCompleteRequired };
/// How StartTransaction, Commit and Rollback switch auto-commit.
enum TAutoCommitOption { acoDontCare, acoNoAutoCommit, acoAutoCommit };
enum TIsolationLevel { ilDontCare, ilDirtyRead, ilCommitedRead, ilRepeatableRead, ilSerializable, ilVersioning };
/// Cursor library use, applied before connecting.
enum TSQLCursorOption { curUseIfNeeded, curUsesODBC, curUseDriver };

/// The ODBC option values of the enumerations, indexed by them (-1: leave the driver's setting).
extern const int ODBCDriverConnectOption[4];
extern const int ODBCAutoCommitOption[3];
extern const int ODBCIsolationLevel[6];
extern const int ODBCSQLCursorOption[3];

class TODBCDataSet;
class TODBCDatabase;
class ODBCConnectionHandle;

/// \brief What a connect prompt is asked: the database, its mode, the connection string known so
/// far (the prompt puts what to connect with there) and, after a failed try, the driver's message.
struct TConnectPromptRequest {
    TODBCDatabase* Database = nullptr;
    TDriverConnectOption Option = dcoDriverComplete;
    String ConnectStr;
    String Message;
};
/// What a connect prompt did.
enum TConnectPromptResult {
    cprNotShown, ///< no prompt can be shown here (no GUI): connect without one
    cprAccepted, ///< connect with the request's ConnectStr
    cprCancelled ///< the user cancelled: the database stays closed, without an error
};
using TConnectPrompt = std::function<TConnectPromptResult(TConnectPromptRequest& request)>;
/// \brief Installs the process-wide connect prompt (empty: none) and returns the one it replaces.
/// Called from any thread; the prompt itself runs on the thread that connects.
TConnectPrompt SetConnectPrompt(TConnectPrompt prompt);

/// \brief What a connection needs of a dataset attached to it. TODBCDataSet implements it and
/// registers itself with AddDataSet / RemoveDataSet.
class TODBCDataSetClient {
public:
    /// The dataset itself.
    virtual TODBCDataSet* ODBCDataSet() noexcept = 0;
    /// Closes the dataset (the framework's Close, then InternalClose if it still holds a statement).
    virtual void CloseForDatabase() = 0;
    /// Sets the dataset's database to none, which removes it from the database's list.
    virtual void DetachFromDatabase() = 0;

protected:
    ~TODBCDataSetClient() = default;
};

/// \brief The one process-wide registry of connections (global ODBCSession).
class TODBCSession : public TComponent {
public:
    TODBCSession();
    /// Frees the registered databases that nobody owns (last to first); owned ones are closed and
    /// left to their owners. Never throws.
    ~TODBCSession() override;

    virtual int GetDatabaseCount() const;
    /// \brief The registered database at `index`; throws EListError-like EDatabaseError when out of range.
    virtual TODBCDatabase* GetDatabase(int index) const;

    /// \brief Data source names and descriptions (either list may be null); throws EODBCError.
    void GetDSNNames(TStrings* names, TStrings* descriptions);
    /// \brief Driver descriptions and their attributes as "key=value;key=value" (either list may
    /// be null); throws EODBCError.
    void GetDriverNames(TStrings* names, TStrings* attributes);
    /// \brief First registered database whose DatabaseName equals `name` (case-sensitive), or null.
    TODBCDatabase* FindDatabase(const String& name) const;
    /// \brief A copy of the list of registered databases (threads add and remove them).
    std::vector<TODBCDatabase*> Databases() const;

private:
    friend class TODBCDatabase;
    void AddDatabase(TODBCDatabase* db);
    void RemoveDatabase(TODBCDatabase* db) noexcept;

    // Pooled connections come and go on several threads.
    mutable std::recursive_mutex lock_;
    std::vector<TODBCDatabase*> databases_;
};

/// The session, created when the library is loaded and freed when it is unloaded.
extern TODBCSession* ODBCSession;

/// \brief One ODBC connection as a component. Registers with ODBCSession while it lives. Its
/// owner (or the caller, without one) frees it; the datasets attached to it are not owned by it,
/// but it closes and detaches them when it closes or goes.
class TODBCDatabase : public TComponent {
public:
    explicit TODBCDatabase(TComponent* owner = nullptr);
    /// Closes (swallowing errors), detaches the datasets, frees the handle and leaves the session.
    ~TODBCDatabase() override;

    const String& DatabaseName() const noexcept { return databaseName_; }
    /// \brief Throws EODBCDatabaseError "Database open" while connected, EDatabaseError
    /// "ODBC Database with name %s allready exists" for a name another database has.
    void SetDatabaseName(const String& name);
    const String& DSNName() const noexcept { return dsnName_; }
    void SetDSNName(const String& value) { dsnName_ = value; }
    /// Connection string for csDriverConnect; after a connect the driver's completed string.
    const String& ConnectStr() const noexcept { return connectStr_; }
    void SetConnectStr(const String& value) { connectStr_ = value; }
    TIsolationLevel IsolationLevel() const noexcept { return isolationLevel_; }
    /// \brief Applied at once while connected; throws EODBCError when the driver refuses.
    void SetIsolationLevel(TIsolationLevel level);
    TSQLCursorOption SQLCursorOption() const noexcept { return cursorOption_; }
    /// \brief Throws EDatabaseError "ODBC This operation is not allowed on open database" while connected.
    void SetSQLCursorOption(TSQLCursorOption value);
    TDriverConnectOption DriverConnectOption() const noexcept { return driverConnectOption_; }
    /// \brief Throws EDatabaseError "ODBC This operation is not allowed on open database" while connected.
    void SetDriverConnectOption(TDriverConnectOption value);
    TAutoCommitOption AutoCommitOption() const noexcept { return autoCommitOption_; }
    void SetAutoCommitOption(TAutoCommitOption value) { autoCommitOption_ = value; }
    TConnectStyle ConnectStyle() const noexcept { return connectStyle_; }
    void SetConnectStyle(TConnectStyle value) { connectStyle_ = value; }
    const String& Password() const noexcept { return password_; }
    void SetPassword(const String& value) { password_ = value; }
    const String& UserID() const noexcept { return userID_; }
    void SetUserID(const String& value) { userID_ = value; }
    int ParamAtExecSize() const noexcept { return paramAtExecSize_; }
    void SetParamAtExecSize(int value) { paramAtExecSize_ = value; }
    bool StringTrimRight() const noexcept { return stringTrimRight_; }
    void SetStringTrimRight(bool value) { stringTrimRight_ = value; }
    bool IgnoreOriginInfo() const noexcept { return ignoreOriginInfo_; }
    void SetIgnoreOriginInfo(bool value) { ignoreOriginInfo_ = value; }
    const TNotifyEvent& OnBeforeConnect() const noexcept { return onBeforeConnect_; }
    void SetOnBeforeConnect(TNotifyEvent handler) { onBeforeConnect_ = std::move(handler); }
    const TNotifyEvent& OnAfterConnect() const noexcept { return onAfterConnect_; }
    void SetOnAfterConnect(TNotifyEvent handler) { onAfterConnect_ = std::move(handler); }
    bool Connected() const noexcept { return connected_; }
    /// \brief Open or Close. While the component is being read from a stored form the value is
    /// kept and applied in Loaded().
    void SetConnected(bool value);

    virtual int GetDatasetCount() const;
    virtual TODBCDataSet* GetDataset(int index) const;
    /// Closes every attached dataset, last to first.
    virtual void CloseDatasets();
    /// Detaches every attached dataset, last to first.
    virtual void FreeDatasets();
    /// \brief Connects (nothing when connected); throws EODBCError. A connect the driver answers
    /// with "no data", or a prompt the user cancelled, leaves the database closed without an error.
    virtual void Open();
    /// \brief Closes the datasets, rolls back an open transaction and disconnects; throws EODBCError.
    virtual void Close();

    /// \brief Under acoNoAutoCommit switches auto-commit off and marks the transaction; else nothing.
    void StartTransaction();
    /// \brief SQLTransact(SQL_COMMIT); under acoNoAutoCommit auto-commit goes back on. Throws EODBCError.
    void Commit();
    /// \brief SQLTransact(SQL_ROLLBACK); under acoNoAutoCommit auto-commit goes back on. Throws EODBCError.
    void Rollback();
    bool InTransaction() const noexcept { return inTransaction_; }
    /// \brief Counts the transactions StartTransaction began, so a holder can tell whether the one
    /// it began is still the open one.
    unsigned long long TransactionNumber() const noexcept { return transactionNumber_; }

    /// \brief Every table, view and system table the driver reports (each list may be null; a
    /// NULL owner or remark is an empty text). Throws EODBCError.
    void GetTables(TStrings* tableNames, TStrings* owners, TStrings* tableTypes, TStrings* remarks);
    /// \brief Column names of `tableName` in the driver's order. Throws EODBCError.
    void GetColumns(const String& tableName, TStrings* columnNames);

    /// \brief The connection handle, allocated on first use; throws EODBCError.
    TODBCHandle GetDBC();

    void AddDataSet(TODBCDataSetClient* dataSet);
    void RemoveDataSet(TODBCDataSetClient* dataSet) noexcept;

    /// \brief Throws EDatabaseError "ODBC Database with name %s allready exists" when another
    /// registered database has the non-empty `name`.
    void ValidateName(const String& name) const;

protected:
    void Loaded() override;

private:
    friend class TODBCSession;
    int16_t driverConnect(const String& connectStr);
    void applyIsolationLevel(TIsolationLevel level);
    void setAutoCommit(bool on);
    void closeNoThrow() noexcept;

    String databaseName_;
    String dsnName_;
    String connectStr_;
    TIsolationLevel isolationLevel_ = ilDontCare;
    TSQLCursorOption cursorOption_ = curUseIfNeeded;
    TDriverConnectOption driverConnectOption_ = dcoDriverComplete;
    TAutoCommitOption autoCommitOption_ = acoNoAutoCommit;
    TConnectStyle connectStyle_ = csDriverConnect;
    String password_;
    String userID_;
    int paramAtExecSize_ = 8192;
    bool stringTrimRight_ = false;
    bool ignoreOriginInfo_ = false;
    TNotifyEvent onBeforeConnect_;
    TNotifyEvent onAfterConnect_;

    std::unique_ptr<ODBCConnectionHandle> dbc_;
    bool connected_ = false;
    bool inTransaction_ = false;
    unsigned long long transactionNumber_ = 0;
    bool streamedConnected_ = false;
    bool registered_ = false;
    std::vector<TODBCDataSetClient*> dataSets_;
};

/// \brief Scope guard for one transaction: StartTransaction when made, Rollback when it goes
/// without Commit (errors of that rollback are swallowed).
class TODBCTransaction {
public:
    explicit TODBCTransaction(TODBCDatabase& db);
    ~TODBCTransaction();
    TODBCTransaction(const TODBCTransaction&) = delete;
    TODBCTransaction& operator=(const TODBCTransaction&) = delete;
    /// \brief Commits; throws EODBCError (the guard then still rolls back).
    void Commit();

private:
    TODBCDatabase& db_;
    bool done_ = false;
};

}  // namespace vantrel
