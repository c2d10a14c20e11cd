#pragma once
// The entity: one table (the fact table) and the view that shows it, described by a list of field
// items, from which the entity generates and runs select, insert, update, delete, row-lock and
// stored-procedure statements on the query tools' connection (DataBase), and keeps an open query
// of the view. TUserEntity is the designer component that publishes the settings and stores the
// field list in the form.
//
// Safety of the generated SQL: every value is a bound parameter; table and column names from the
// field list are checked against the catalog (the table must exist, a written column must be a
// column of the fact table) and written as quoted identifiers in the catalog's spelling, so a
// field list cannot inject SQL. With another SQLDialect the names are written as given, without a
// connection: quoted (a name may not hold a quote, ";", ":" or a control character) or plain (a
// name must be an identifier). Select phrases, the where phrase and the filter are SQL written by
// the developer; they are refused when they hold a ";", a comment, "$", "[" or "`" outside quotes,
// or unbalanced quotes or parentheses (so they cannot end the statement or hide the rest of it).
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/framework/Classes.h>
#include <vantrel/framework/DBFields.h>
#include <vantrel/framework/Variant.h>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace vantrel {

class TEntity;
class TUserEntity;
class TFiler;
class TReader;
class TWriter;

// ---- Enumerations -------------------------------------------------------------------------------

/// The operations of an entity (index of stored procedures, members of a field's exec set).
enum TExecType { fetSelect, fetInsert, fetUpdate, fetDelete, fetLock, fetCLock, fetClose };
constexpr int ExecTypeCount = 7;

/// \brief A set of TExecType (bit i = member i).
class TSetExecType {
public:
    constexpr TSetExecType() = default;
    constexpr TSetExecType(std::initializer_list<TExecType> members) {
        for (TExecType m : members)
            FMask |= bit(m);
    }
    static constexpr TSetExecType FromMask(unsigned mask) {
        TSetExecType s;
        s.FMask = mask & ((1u << ExecTypeCount) - 1);
        return s;
    }
    constexpr unsigned Mask() const { return FMask; }
    constexpr bool Contains(TExecType t) const { return (FMask & bit(t)) != 0; }
    constexpr bool Empty() const { return FMask == 0; }
    constexpr void Include(TExecType t) { FMask |= bit(t); }
    constexpr void Exclude(TExecType t) { FMask &= ~bit(t); }
    friend constexpr bool operator==(TSetExecType a, TSetExecType b) { return a.FMask == b.FMask; }

private:
    static constexpr unsigned bit(TExecType t) { return 1u << static_cast<unsigned>(t); }
    unsigned FMask = 0;
};

/// Where the values of a command's parameters come from.
enum TCommandDataType {
    cdtArray, ///< element i of the value array for parameter i
    cdtQry,   ///< the column of a source dataset named like the parameter
    cdtField  ///< the field item named like the parameter
};
enum TLockResult { lrOk, lrLocked, lrDeleted };
enum TDirectionFind { dfNext, dfPrior };
/// How Find compares a text column with the search text.
enum TEntityFindOption {
    efoFullConCur,  ///< the whole column text equals the search text
    efoFirstConCur, ///< the column text starts with the search text (default)
    efoSubConCur    ///< the column text contains the search text
};
/// \brief How generated SQL writes table and column names, and which row lock it writes.
enum TEntitySQLDialect {
    esdConnection, ///< checked against DataBase's catalog and quoted its way (needs a connection)
    esdPlain,      ///< as written, unquoted; every name must be an identifier (letters, digits, "_")
    esdQuoted,     ///< as written, in double quotes (SQLite and most databases)
    esdPostgreSQL  ///< as written, in double quotes; the row lock is SELECT ... FOR UPDATE NOWAIT
};
/// One stored-procedure name per operation.
using TSPType = std::array<String, ExecTypeCount>;

/// The operations of an ordinary column.
inline constexpr TSetExecType cnstETField{fetSelect, fetInsert, fetUpdate, fetDelete};
/// The operations of a key column.
inline constexpr TSetExecType cnstETPK{fetSelect, fetInsert, fetLock, fetCLock};
/// A column that is only shown.
inline constexpr TSetExecType cnstETView{};

/// Names of the TExecType values, by ordinal ("fetSelect" ...).
extern const std::vector<String> ExecTypeNames;

// ---- Globals ------------------------------------------------------------------------------------

/// Statement prefix of stored-procedure calls ("EXECUTE PROCEDURE"; e.g. "CALL" or
/// "SELECT * FROM" on PostgreSQL).
extern String strExecuteProc;
/// Settings file of ReadFromINI / WriteToINI (see SettingsFilePath); empty: no settings are kept.
extern String EntityINIFileName;
/// A null variant.
extern const Variant NullValue;
/// The open entities: one entry per living entity, text = its viewEntity, object = the entity.
/// An entity enters when it is created and leaves when it is destroyed.
extern TStringList* lstOpenEntity;

/// \brief Generation or binding failed ("Can not create select lock query", "Can not create empty
/// procedure", "Field %s not found", refused names and phrases).
class EEntityException : public Exception {
public:
    using Exception::Exception;
};

/// \brief Raises EEntityException with `message`.
[[noreturn]] void EntityError(const String& message);

// ---- Field item ---------------------------------------------------------------------------------

/// \brief One column of an entity: its names, how it is shown, its type, the operations it takes
/// part in, and its current command, search and filter values.
class TFieldItem : public TPersistent {
public:
    explicit TFieldItem(TEntity* entity);

    TEntity* Entity() const { return FEntity; }

    /// Column name in the fact table; also the parameter name.
    const String& FactName() const { return FFactName; }
    void SetFactName(const String& v) { FFactName = v; }
    /// Select phrase used instead of the column name (empty: the column).
    const String& SelectStr() const { return FSelectStr; }
    void SetSelectStr(const String& v) { FSelectStr = v; }
    const String& DisplayName() const { return FDisplayName; }
    void SetDisplayName(const String& v) { FDisplayName = v; }
    /// Table or alias the column is read from (kept trimmed).
    const String& viewTable() const { return FViewTable; }
    void SetviewTable(const String& v);
    /// In the select list.
    bool flgView() const { return FFlgView; }
    void SetflgView(bool v) { FFlgView = v; }
    /// Shown in grids.
    bool flgVisible() const { return FFlgVisible; }
    void SetflgVisible(bool v) { FFlgVisible = v; }
    int dspWidth() const { return FDspWidth; }
    void SetdspWidth(int v) { FDspWidth = v; }
    /// May be a sort column.
    bool flgSort() const { return FFlgSort; }
    void SetflgSort(bool v) { FFlgSort = v; }
    TFieldType fType() const { return FFType; }
    void SetfType(TFieldType v) { FFType = v; }
    /// Current search value (null initially).
    const Variant& findStr() const { return FFindStr; }
    void SetfindStr(const Variant& v) { FFindStr = v; }
    /// Current filter value (null initially): feeds the filter phrase's parameter of this name,
    /// or else the view shows the rows whose column equals it.
    const Variant& filterStr() const { return FFilterStr; }
    void SetfilterStr(const Variant& v) { FFilterStr = v; }
    /// Value for commands (null initially).
    const Variant& Value() const { return FValue; }
    void SetValue(const Variant& v) { FValue = v; }
    /// The column identifies the record ("Fixed").
    bool IdentRecord() const { return FIdentRecord; }
    void SetIdentRecord(bool v) { FIdentRecord = v; }
    /// Bookmark allowed; true when created.
    bool IsBookMark() const { return FIsBookMark; }
    void SetIsBookMark(bool v) { FIsBookMark = v; }
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& v) { FDisplayFormat = v; }
    /// Sort descending.
    bool OrderingDesk() const { return FOrderingDesk; }
    void SetOrderingDesk(bool v) { FOrderingDesk = v; }
    /// The operations the column takes part in.
    TSetExecType ExecSet() const { return FExecSet; }
    void SetExecSet(TSetExecType v) { FExecSet = v; }
    /// Texts of the stored form written around the column name and the select phrase. They are
    /// kept and stored; generated SQL writes names itself (see SQLDialect), so they do not reach it.
    const String& NameWrapper() const { return FNameWrapper; }
    void SetNameWrapper(const String& v) { FNameWrapper = v; }
    const String& PhraseWrapper() const { return FPhraseWrapper; }
    void SetPhraseWrapper(const String& v) { FPhraseWrapper = v; }

    /// \brief True when the current record of `dataSet` matches this item's search value in the
    /// column `name` (see TEntity::Find).
    bool CheckFind(TDataSet& dataSet, const String& name) const;

    /// \brief Copies every setting and value of another field item.
    void Assign(TPersistent* source) override;
    TPersistent* GetOwner() override;

private:
    TEntity* FEntity;
    String FFactName;
    String FSelectStr;
    String FDisplayName;
    String FViewTable;
    bool FFlgView = true;
    bool FFlgVisible = true;
    int FDspWidth = 10;
    bool FFlgSort = false;
    TFieldType FFType = ftString;
    Variant FFindStr = Variant::Null();
    Variant FFilterStr = Variant::Null();
    Variant FValue = Variant::Null();
    bool FIdentRecord = false;
    bool FIsBookMark = true;
    String FDisplayFormat;
    bool FOrderingDesk = false;
    TSetExecType FExecSet = cnstETField;
    String FNameWrapper;
    String FPhraseWrapper;
};

// ---- Entity -------------------------------------------------------------------------------------

/// \brief One table and its view: generates and runs the statements, keeps an open query of the
/// view. Statements run on DataBase (the query tools' connection), which must be set and
/// connected when a statement is run, and when one is generated under esdConnection.
class TEntity : public TComponent {
public:
    explicit TEntity(TComponent* owner = nullptr);
    /// Frees the field items and the query and leaves lstOpenEntity.
    ~TEntity() override;

    // ---- Description ---------------------------------------------------------------------------
    /// The field items: FactName with its TFieldItem as object, in column order (owned).
    TStringList* lstFields() const { return FFields.get(); }
    int FieldCount() const { return FFields->Count(); }
    /// \brief Field item by list name (ignoring case), or null.
    TFieldItem* FieldByName(const String& name) const;
    /// \brief Field item at `index`; throws EListError when out of range.
    TFieldItem* GetFields(int index) const;
    /// \brief Creates a field item and appends it under `factName`.
    TFieldItem* CreateField(const String& factName, const String& selectStr, const String& displayName,
                            int width, bool flgView, bool flgVisible, bool flgSort, bool identRecord,
                            TFieldType type, TSetExecType execSet);
    /// \brief The same with an item made by `create` (a descendant of TFieldItem).
    TFieldItem* CreateFieldExt(const std::function<TFieldItem*(TEntity*)>& create, const String& factName,
                               const String& selectStr, const String& displayName, int width, bool flgView,
                               bool flgVisible, bool flgSort, bool identRecord, TFieldType type,
                               TSetExecType execSet);
    /// \brief Frees every field item.
    void ClearFields();

    const String& viewTable() const { return FViewTable; }
    void SetviewTable(const String& v);
    const String& factTable() const { return FFactTable; }
    void SetfactTable(const String& v);
    /// Settings section name; a change reads the settings (ReadFromINI).
    const String& viewFull() const { return FViewFull; }
    virtual void SetViewFull(const String& name);
    /// Re-read pending.
    bool flgReread() const { return FFlgReread; }
    virtual void SetFlgReread(bool flag);
    /// Name under which the entity is registered in lstOpenEntity.
    const String& viewEntity() const { return FViewEntity; }
    virtual void SetviewEntity(const String& name);
    bool LockUniDirectional() const { return FLockUniDirectional; }
    void SetLockUniDirectional(bool v) { FLockUniDirectional = v; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int v) { FPrecision = v; }
    int Digits() const { return FDigits; }
    void SetDigits(int v) { FDigits = v; }
    bool SaveFindIni() const { return FSaveFindIni; }
    void SetSaveFindIni(bool v) { FSaveFindIni = v; }
    bool SaveFilterIni() const { return FSaveFilterIni; }
    void SetSaveFilterIni(bool v) { FSaveFilterIni = v; }
    bool FindSensitive() const { return FFindSensitive; }
    void SetFindSensitive(bool v) { FFindSensitive = v; }
    TEntityFindOption FindOption() const { return FFindOption; }
    void SetFindOption(TEntityFindOption v) { FFindOption = v; }
    TDirectionFind FindDown() const { return FFindDown; }
    void SetFindDown(TDirectionFind v) { FFindDown = v; }
    /// Condition of the view (SQL phrase; its parameters take the field items' values).
    const String& WherePhrase() const { return FWherePhrase; }
    void SetWherePhrase(const String& v) { FWherePhrase = v; }
    /// Filter of the view (SQL phrase; its parameters take the field items' filter values).
    const String& FilterStr() const { return FFilterStrPhrase; }
    void SetFilterStr(const String& v) { FFilterStrPhrase = v; }
    /// Sort field index into the sortable fields' order (-1: none).
    int Ordering() const { return FOrdering; }
    void SetOrdering(int v) { FOrdering = v; }
    bool OrderingDesc() const { return FOrderingDesc; }
    void SetOrderingDesc(bool v) { FOrderingDesc = v; }
    /// How generated statements write names (esdConnection by default). Any other dialect
    /// generates without a connection, so a program can show or log a statement first; the
    /// statements the entity runs are then written the same way.
    TEntitySQLDialect SQLDialect() const { return FSQLDialect; }
    void SetSQLDialect(TEntitySQLDialect v) { FSQLDialect = v; }

    // ---- Stored procedures ---------------------------------------------------------------------
    const String& GetSP(TExecType execType) const { return FSP[execType]; }
    void SetSP(TExecType execType, const String& name) { FSP[execType] = name; }
    /// True when the operation's procedure returns rows (opened rather than executed).
    bool GetSPOpen(TExecType execType) const { return FSPOpen[execType]; }
    void SetSPOpen(TExecType execType, bool flag) { FSPOpen[execType] = flag; }
    const TSPType& SPNames() const { return FSP; }

    // ---- Values --------------------------------------------------------------------------------
    /// Set a field item's Value, findStr or filterStr; raise "Field %s not found" for no item.
    void SetFieldValue(const String& name, const Variant& value);
    void SetFieldFind(const String& name, const Variant& value);
    void SetFieldFilter(const String& name, const Variant& value);
    void ClearFieldsValue();
    void ClearFieldsFind();
    void ClearFieldsFilter();

    // ---- Generation ----------------------------------------------------------------------------
    /// \brief The select of the view (`forFact`: of the fact table, leaving out fields read from
    /// another table): "SELECT " and the items + " FROM " + table. Throws EEntityException.
    virtual void GenerateSQLSelect(TStrings* lines, bool forFact);
    /// \brief "INSERT INTO " table, "(" columns ")", "VALUES(" parameters ")".
    void GenerateSQLInsert(TStrings* lines);
    /// \brief "UPDATE " table " SET ", the assignments, "WHERE " key condition. With cdtField the
    /// fields whose Value equals the entity query's current row are left out, but only when that
    /// row has the same key; with the other data types every update column is written, so array
    /// values stay on their own columns. False (and no lines) when nothing is left to write.
    bool GenerateSQLUpdate(TStrings* lines, TCommandDataType dataType = cdtField);
    /// \brief "DELETE FROM " table " WHERE " key condition.
    void GenerateSQLDelete(TStrings* lines);
    /// \brief "WHERE " key condition (the fetLock fields).
    virtual void GenerateSQLLockWhere(TStrings* lines);
    /// \brief The row lock for the key (`cascade`: for the fetCLock fields): on PostgreSQL a
    /// SELECT ... FOR UPDATE NOWAIT, elsewhere an update that changes nothing. The lock lasts until
    /// the connection's transaction ends. Throws "Can not create select lock query".
    void GenerateSQLLock(TStrings* lines, bool cascade = false);
    /// \brief "ORDER BY " the sortable fields from `index` on, then those before it; "" for -1.
    virtual String GenerateOrder(int index);
    /// \brief The view's condition: "WHERE (where phrase) AND (filter)" where the filter is the
    /// filter phrase and one equality per field with a filter value the phrase does not take as a
    /// parameter; "" when there is none.
    String GenerateWhere();

    // ---- Commands ------------------------------------------------------------------------------
    /// Values for cdtArray are in the statement's parameter order: for insert the fetInsert
    /// fields, for update the fetUpdate fields then the key fields, for delete and lock the key
    /// fields (cascade lock: the fetCLock fields), for a procedure the fields of its operation.
    /// cdtQry takes them from the current row of the entity's query. After an insert, update or
    /// delete every entity of the same viewEntity is marked for re-reading.
    ///
    /// A lock outside a transaction starts one on DataBase and holds it until Commit or Unlock
    /// (or the application ends the transaction); TEntityLock does that at the end of a scope.
    /// When the lock fails, a transaction it started is rolled back. lrDeleted: no such row;
    /// lrLocked: the driver refused (the error is shown with Application().ShowException, not
    /// raised).
    virtual void AddForArray(TCommandDataType dataType, const std::vector<Variant>& values);
    virtual void EditForArray(TCommandDataType dataType, const std::vector<Variant>& values);
    virtual void DeleteForArray(TCommandDataType dataType, const std::vector<Variant>& values);
    virtual TLockResult LockForArray(TCommandDataType dataType, const std::vector<Variant>& values);
    virtual TLockResult LockCascadeForArray(TCommandDataType dataType, const std::vector<Variant>& values);
    /// The same with the values from the entity's query (current row).
    virtual TLockResult LockForQry();
    virtual TLockResult LockCascadeForQry();
    virtual void DeleteForQry();
    /// The same with the values of the field items.
    virtual void Add();
    virtual TLockResult Lock();
    virtual TLockResult LockCascade();
    virtual void Edit();
    virtual void Delete();
    /// \brief True while the transaction a lock of this entity started is still open.
    bool LockHeld() const;
    /// \brief Ends the lock by rolling back the transaction it started: what was written under
    /// the lock is undone. Nothing when no lock of this entity holds one (a lock taken inside the
    /// application's own transaction lasts until the application ends it). Throws EODBCError; the
    /// lock is then still held.
    void Unlock();
    /// \brief Commits what was written under the lock and ends it; nothing when no lock of this
    /// entity holds a transaction. Throws EODBCError; the lock is then still held.
    void Commit();
    /// \brief Whether an update may go ahead (TUserEntity asks its OnCheckUpdate). Consulted by
    /// Edit and EditForArray only while HasUpdateCheck is true; they then write nothing when it
    /// answers false.
    virtual bool CheckUpdate() = 0;
    /// \brief True when the application checks updates (TUserEntity: OnCheckUpdate is assigned).
    virtual bool HasUpdateCheck() const { return false; }

    /// \brief Runs the operation's stored procedure with the parameters bound from `dataType`.
    void RunCommand(TExecType execType, TCommandDataType dataType, TDataSet* source,
                    const std::vector<Variant>& values);
    /// \brief Prepares `query` and sets its parameters. Throws "Field %s not found".
    void SetParam(TODBCDataSet* query, TCommandDataType dataType, TDataSet* source,
                  const std::vector<Variant>& values);
    /// \brief A new query calling GetSP(execType): strExecuteProc + " " + name + "(" parameters
    /// ")". The name must be an identifier (optionally schema-qualified). Throws "Can not create
    /// empty procedure".
    std::unique_ptr<TODBCQuery> CreateSProcedure(TExecType execType);
    void ProcedureOpen(TODBCDataSet* query);
    void ProcedureExec(TODBCDataSet* query);

    // ---- The view ------------------------------------------------------------------------------
    /// \brief The entity's query of the view (made on DataBase when first asked for).
    TODBCQuery* Query();
    /// \brief Runs the select procedure when one is set, then EntityOpenOnly.
    virtual void EntityOpen();
    /// \brief (Re)opens the query on the generated select, keeping the current position.
    virtual void EntityOpenOnly();
    /// \brief Re-reads an open query (and runs the select procedure when a re-read is pending).
    virtual void ReOpenSql();
    /// \brief Runs the close procedure when one is set and closes the query.
    virtual void execClose();
    /// \brief After a successful lock: re-reads the view when it is open.
    virtual void SelectAfterLock();
    /// \brief Marks every entity registered under viewEntity for re-reading, this one first.
    virtual void SetRereadEntity();
    /// \brief Moves from the record after (or before) the current one to the first record that
    /// matches every field item's search value; stays where it was when none does.
    bool Find();
    /// \brief True when the query is at its end in `direction`.
    bool FindEofBof(TDirectionFind direction);

    // ---- Settings ------------------------------------------------------------------------------
    /// Section viewFull of EntityINIFileName: "FindSensitive", "FindOption", "FindDown", and per
    /// field FactName + "-find" / "-filter" when SaveFindIni / SaveFilterIni are set.
    void ReadFromINI();
    void WriteToINI();

    // ---- Registry of open entities -------------------------------------------------------------
    /// \brief Sets flgReread on every entity of that name and brings `entity` first.
    static void SetUpdateEntity(const String& name, TEntity* entity);
    /// \brief Sets flgReread on every entity whose viewEntity equals `name`.
    static void SetRereadFlag(const String& name);
    /// \brief Swaps `entity`'s entry with the first entry of that name.
    static void FirstNumber(const String& name, TEntity* entity);

    /// \brief Forgets the catalog names learnt for the tables (after a schema change).
    void ResetCatalog();

    /// \brief Reads the settings once a stored form is read (viewFull is kept until then).
    void Loaded() override;

protected:
    /// Forgets the catalog when its database goes.
    void Notification(TComponent* component, TOperation operation) override;
    /// Called after the query opened (the query's AfterOpen): applies the field items' captions,
    /// widths, visibility and display formats to the query's fields.
    virtual void OpenTableProc(TDataSet* dataSet);

private:
    struct Catalog;
    enum class Source { Field, Filter };

    void Register();
    void Unregister() noexcept;
    void forgetLock();
    void dropNotification(TComponent* db);
    String TableRef(const String& table);
    String NameRef(const String& name) const;
    bool LockBySelect();
    void Execute(TExecType op, TCommandDataType dataType, TDataSet* source,
                 const std::vector<Variant>& values);
    TLockResult DoLock(bool cascade, TCommandDataType dataType, TDataSet* source,
                       const std::vector<Variant>& values);
    void BindParams(TODBCDataSet* query, TCommandDataType dataType, TDataSet* source,
                    const std::vector<Variant>& values, int filterFrom);
    String ColumnRef(const TFieldItem* item, bool write);
    String ParamRef(const String& name) const;
    String KeyCondition(TExecType keyOp);
    String FactTableRef();
    String ViewTableRef();
    bool CurrentRowHasKey();
    Catalog& GetCatalog();

    std::unique_ptr<TStringList> FFields;
    std::unique_ptr<TODBCQuery> FQuery;
    std::unique_ptr<Catalog> FCatalog;
    String FViewTable;
    String FFactTable;
    String FViewFull;
    String FViewEntity;
    bool FFlgReread = false;
    bool FLockUniDirectional = false;
    int FPrecision = 15;
    int FDigits = 2;
    bool FSaveFindIni = false;
    bool FSaveFilterIni = false;
    bool FFindSensitive = false;
    TEntityFindOption FFindOption = efoFirstConCur;
    TDirectionFind FFindDown = dfNext;
    String FWherePhrase;
    String FFilterStrPhrase;
    int FOrdering = -1;
    bool FOrderingDesc = false;
    TSPType FSP;
    std::array<bool, ExecTypeCount> FSPOpen{};
    int FFilterParamFrom = -1;
    TEntitySQLDialect FSQLDialect = esdConnection;
    TODBCDatabase* FLockDb = nullptr;
    unsigned long long FLockTransaction = 0;
};

/// \brief Scope guard of an entity's row lock: locks when made; when it goes out of scope while
/// the lock still holds the transaction it started, Unlock rolls that back (errors swallowed).
/// Commit keeps what was written under the lock.
///
///     TEntityLock lock(customers);
///     if (lock.Locked()) { customers.Edit(); lock.Commit(); }
class TEntityLock {
public:
    /// \brief Lock() (LockCascade() when `cascade`) on `entity`, which must outlive the guard.
    explicit TEntityLock(TEntity& entity, bool cascade = false);
    /// \brief LockForArray (LockCascadeForArray when `cascade`) with these values.
    TEntityLock(TEntity& entity, TCommandDataType dataType, const std::vector<Variant>& values,
                bool cascade = false);
    ~TEntityLock();
    TEntityLock(const TEntityLock&) = delete;
    TEntityLock& operator=(const TEntityLock&) = delete;

    TLockResult Result() const { return FResult; }
    bool Locked() const { return FResult == lrOk; }
    explicit operator bool() const { return Locked(); }
    /// \brief TEntity::Commit.
    void Commit();
    /// \brief TEntity::Unlock.
    void Unlock();

private:
    TEntity& FEntity;
    TLockResult FResult;
};

// ---- User entity --------------------------------------------------------------------------------

/// Asked before an update: set `flgUpdate` to let it go ahead.
using TCheckUpdateEvent = std::function<void(TUserEntity* sender, bool& flgUpdate)>;

/// \brief The entity as a designer component: publishes the settings, stores the field list as
/// the form property "Fields", offers the seven procedure names as one text. It owns its field
/// items and its view query.
class TUserEntity : public TEntity {
public:
    explicit TUserEntity(TComponent* owner = nullptr);

    /// \brief False unless OnCheckUpdate is assigned; then the handler's answer (starting false).
    bool CheckUpdate() override;
    bool HasUpdateCheck() const override { return static_cast<bool>(OnCheckUpdate); }

    /// \brief The seven procedure names in TExecType order, each followed by ";".
    String StoredProcedures() const;
    /// \brief Clears the seven names, then gives the text up to each ";" to the next operation
    /// (fetSelect first); text after the seventh or the last ";" is dropped.
    void SetStoredProcedures(const String& text);

    TCheckUpdateEvent OnCheckUpdate;

    /// \brief The "Fields" property (written only when the list is not empty).
    void DefineProperties(TFiler* filer) override;
    /// \brief Replaces the field list by the stored one.
    void ReadData(TReader& reader);
    void WriteData(TWriter& writer);
};

} // namespace vantrel
