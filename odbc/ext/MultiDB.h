// A pool of ODBC connections shared by threads, and the query that runs on the least busy one.
//
// Locks: the pool's section guards its list; each connection's section serializes every ODBC
// call on that connection (statement steps of all its queries, handle creation, bookmark moves,
// blob reads, row counts, cursor names, statement options). Both sections are re-entrant. When a
// thread needs both it takes the pool's first; a connection's holder never waits for the pool.
#pragma once

#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/framework/SyncObjs.h>

#include <atomic>
#include <functional>
#include <vector>

namespace vantrel {

class TMultiDataBases;

/// \brief A connection of a pool: every operation runs under its own critical section, and it
/// counts how often it was locked.
class TMultiODBCDataBase : public TODBCDatabase {
public:
    explicit TMultiODBCDataBase(TComponent* owner = nullptr, TMultiDataBases* pool = nullptr);
    ~TMultiODBCDataBase() override;

    /// \brief Enters the section (re-entrant), marks the connection in use and counts the use.
    void Lock();
    /// \brief Leaves one Lock; the connection is free again when the outermost Lock is left.
    void UnLock();
    /// \brief Times the connection was locked (only grows).
    long GetCounter() const;
    bool InUse() const { return FDepth.load() > 0; }
    TMultiDataBases* Pool() const { return FPool; }

    void Open() override;
    void Close() override;
    void CloseDatasets() override;
    void FreeDatasets() override;
    int GetDatasetCount() const override;
    TODBCDataSet* GetDataset(int index) const override;

private:
    friend class TMultiDataBases;
    mutable TCriticalSection FSection;
    std::atomic<long> FCounter{0};
    std::atomic<int> FDepth{0};
    TMultiDataBases* FPool;
};

/// \brief Holds a pooled connection's lock while it lives (nothing for null).
class TMultiDBLock {
public:
    explicit TMultiDBLock(TMultiODBCDataBase* db) : FDb(db) {
        if (FDb)
            FDb->Lock();
    }
    ~TMultiDBLock() {
        if (FDb)
            FDb->UnLock();
    }
    TMultiDBLock(const TMultiDBLock&) = delete;
    TMultiDBLock& operator=(const TMultiDBLock&) = delete;

private:
    TMultiODBCDataBase* FDb;
};

using TOnDBNotifyEvent = std::function<void(TMultiODBCDataBase* AAddDB)>;

/// \brief The pool: connections with common settings, grown on demand up to MaxCount. It owns
/// and frees its connections.
class TMultiDataBases {
public:
    TMultiDataBases();
    /// Removes, announces and frees every connection (ClearDataBase).
    ~TMultiDataBases();
    TMultiDataBases(const TMultiDataBases&) = delete;
    TMultiDataBases& operator=(const TMultiDataBases&) = delete;

    void Lock() { FSection.Enter(); }
    void UnLock() { FSection.Leave(); }
    TCriticalSection& Section() { return FSection; }

    bool Connected() const { return FConnected; }
    /// \brief true: grows the pool to InitCount and opens every connection; false: CloseDataBase.
    void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    /// \brief A new connection with the pool's settings, appended and announced; not opened.
    TMultiODBCDataBase* AddDataBase();
    /// \brief From the last connection to the first: closes it, and removes, announces and frees
    /// it when no dataset is attached to it any more.
    void CloseDataBase();
    /// \brief Removes, announces and frees every connection, last first.
    void ClearDataBase();
    int Count() const;
    /// \brief \throws EListError for an index out of range.
    TMultiODBCDataBase* GetDataBases(int index) const;

    /// \brief The first pooled connection of `pool` without datasets, else a new one while the
    /// pool is below MaxCount (opened), else the one with the fewest datasets; null when none.
    /// Runs under the pool's lock.
    static TMultiODBCDataBase* FindDataBase(TMultiDataBases* pool);
    /// \brief The same over any list of databases (only its pooled connections count; it never grows).
    static TMultiODBCDataBase* FindDataBase(const std::vector<TODBCDatabase*>& list);

    // Settings copied into each new connection.
    int MaxCount = 1;
    int InitCount = 1;
    String DSNName;
    String ConnectStr;
    TIsolationLevel IsolationLevel = ilDontCare;
    TSQLCursorOption SQLCursorOption = curUseIfNeeded;
    TDriverConnectOption DriverConnectOption = dcoDriverComplete;
    TAutoCommitOption AutoCommitOption = acoDontCare;
    TConnectStyle ConnectStyle = csConnect;
    String Password;
    String UserID;
    int ParamAtExecSize = 8192;
    bool StringTrimRight = false;
    bool IgnoreOriginInfo = false;

    TOnDBNotifyEvent OnAddDataBase;
    TOnDBNotifyEvent OnRemoveDataBase;

private:
    void RemoveAt(size_t index);

    mutable TCriticalSection FSection;
    std::vector<TMultiODBCDataBase*> FItems;
    bool FConnected = false;
};

/// \brief A query that runs on a pooled connection: the query's own when set, else the least
/// busy pooled connection when it opens. Every ODBC step runs under that connection's lock.
/// Use one query per thread.
class TODBCMultiQuery : public TODBCQuery {
public:
    explicit TODBCMultiQuery(TComponent* owner = nullptr);
    /// Closes and detaches the query while holding its connection's lock.
    ~TODBCMultiQuery() override;

    TMultiODBCDataBase* GetMultiODBCDataBase() const;
    void SetMultiODBCDataBase(TMultiODBCDataBase* db) { SetODBCDatabase(db); }
    void SetODBCDatabase(TODBCDatabase* db) override;
    /// \brief The query's connection; when none is set, the least busy pooled connection of the
    /// session, which becomes the query's. Null when the session has no pooled connection.
    TMultiODBCDataBase* FindDB();

    /// \brief Enters the lock of the query's connection (nothing without a pooled connection);
    /// re-entrant. Every ODBC step of the query runs between this and LeaveConnectionLock.
    /// A dataset-level lock hook of the base class is meant to call exactly these two.
    void EnterConnectionLock();
    void LeaveConnectionLock();

    // Operations that call ODBC outside the virtual steps, run under the lock here. They hide
    // the base class's: called through a TODBCDataSet& they are not locked.
    void Prepare();
    void UnPrepare();
    void SetPrepared(bool value);
    void ExecSQL();
    int GetRowsAffected();
    String CursorName();
    void SetCursorName(const String& name);
    void SetUniDirectional(bool value);
    void SetBlockCursor(bool value);
    void SetRowSetSize(int value);
    bool IsDataSet();
    void CreateHandle();
    void Disconnect();
    void ImmediatelyOpen();
    TBookmark SilentClose();
    void SilentOpen(const TBookmark& bookmark);
    bool ReadColumnData(TField* field, String& data);
    bool ReadColumnData(TField* field, TRecordBuffer record, String& data);
    bool FindRecordByValues(const std::vector<String>& fields, const std::vector<Variant>& values,
                            bool fromFirst);
    bool LocateRecord(const String& keyFields, const Variant& keyValues, TLocateOptions options);
    bool LocateFindRecord(const std::vector<TField*>& fields, const Variant& values, bool caseInsensitive,
                          bool partialKey);
    void BindAllParam();
    void SetQuery(TStrings* lines);
    void SetSQLText(const String& text);

    bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override;
    std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    bool GetFieldData(TField* field, void* buffer) override;
    int GetFieldDateTimeParts(TField* field, TDateTimeParts& parts) override;
    bool RetCodeIsSuccessful(int16_t rc) override;
    void InternalExecSQL() override;
    void QueryChanged() override;
    void PrepareSQL(const String& text) override;
    int GetRecordCountExt() override;
    void InternalFreeStmt(int option) override;

protected:
    int GetRecordCount() override;
    void InternalRefresh() override;
    void OpenCursor(bool infoQuery) override;
    void InternalFirst() override;
    void InternalGotoBookmark(const void* bookmark) override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    void InternalOpen() override;
    /// The base class's statement operations hold the connection's lock too, so they are locked
    /// when called through a TODBCDataSet& as well.
    TODBCStatementLock LockStatement() override;

private:
    // The connection locked is the one the operation began on, even if it moves the query.
    template <class F> decltype(auto) Locked(F&& f) {
        TMultiDBLock lock(GetMultiODBCDataBase());
        return f();
    }

    /// The connections entered with EnterConnectionLock, innermost last.
    std::vector<TMultiODBCDataBase*> FEntered;
};

} // namespace vantrel
