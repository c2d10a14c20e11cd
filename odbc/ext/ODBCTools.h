// Query tools: queries on the application's connection made and run in one call, searching a
// dataset for text, the text export and import of datasets and tables, appending query results
// to a file, and remembering a grid's column layout.
//
// Text file format, one record per line: the field names joined by ","; then per record the
// values joined by ",": ftSmallint, ftInteger and ftFloat bare, every other type in single
// quotes, each escaped by ConverString(text, true). A null value is written as nothing (no
// quotes), so it reads back as null while an empty text reads back as empty text.
#pragma once

#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/framework/AppServices.h>
#include <vantrel/framework/DB.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace vantrel {

class TMultiDataBases;
class TMultiODBCDataBase;
class TODBCMultiQuery;
class TODBCExtQuery;

/// The connection of every query CreateQuery makes (set by the application).
extern TODBCDatabase* DataBase;
/// The pool CreateMQuery draws from (set by the application).
extern TMultiDataBases* MultiDataBases;
/// The screen cursor shown while a statement runs.
extern TCursor ExecCursor;

enum TImportType { itIgnoreExists, itUpdateExists };

/// \brief Shows ExecCursor while it lives (only on the thread that loaded the library; worker
/// threads never touch the cursor) and puts back the cursor it found.
class TExecCursor {
public:
    TExecCursor();
    ~TExecCursor();
    TExecCursor(const TExecCursor&) = delete;
    TExecCursor& operator=(const TExecCursor&) = delete;

private:
    TCursor FSaved = crDefault;
    bool FActive = false;
};

/// \brief "'" <-> "''", "\" <-> "\\", NUL <-> "\x00", CR <-> "\x0D", LF <-> "\x0A", scanning left
/// to right and trying the pairs in that order (encode: left to right side; decode: the reverse).
String ConverString(const String& text, bool encode);

/// \brief A new query on DataBase (BlobBufferSize 250, MaxBlobBuffer 1000); the caller owns it.
std::unique_ptr<TODBCQuery> CreateQuery();

/// \brief A new editable query on DataBase (BlobBufferSize 255, MaxBlobBuffer 1000).
std::unique_ptr<TODBCExtQuery> CreateQueryExt();
/// \brief Under the pool's lock, a new pooled query on FindDataBase(MultiDataBases)
/// (BlobBufferSize 250, MaxBlobBuffer 1000). \throws EDatabaseError when MultiDataBases is not set.
std::unique_ptr<TODBCMultiQuery> CreateMQuery();
/// \brief The same on the given pooled connection.
std::unique_ptr<TODBCMultiQuery> CreateMQuery2(TMultiODBCDataBase* database);

/// \brief ExecSQL under the busy cursor.
void ExecQry(TODBCDataSet& dataSet);
/// \brief Open under the busy cursor with the controls disabled.
void OpenQry(TODBCDataSet& dataSet);
void PrepareQry(TODBCDataSet& dataSet);

/// \brief Runs `sql` on a new query; the rows affected.
int ExecuteQuery(const String& sql);
/// \brief Opens `sql` on a new query; the caller owns it.
std::unique_ptr<TODBCQuery> OpenQuery(const String& sql);
/// \brief Runs `sql` with parameter i := values[i] (a null value binds a null integer), then
/// clears the parameters listed in `nullIndexes` unless its first element is -1.
/// \throws EDatabaseError when `values` holds fewer elements than the statement has parameters,
/// or an index of `nullIndexes` names no parameter.
int ExecQueryLong(const String& sql, const std::vector<Variant>& values,
                  const std::vector<int>& nullIndexes = {-1});
/// \brief Opens `sql` with parameter i := values[i]; the caller owns the query.
/// \throws EDatabaseError when `values` holds fewer elements than the statement has parameters.
std::unique_ptr<TODBCQuery> OpenQueryLong(const String& sql, const std::vector<Variant>& values);
/// \brief The same on a forward-only cursor.
std::unique_ptr<TODBCQuery> OpenQueryLongUni(const String& sql, const std::vector<Variant>& values);

/// \brief The same functions on a query from CreateMQuery (for worker threads).
int ExecuteMQuery(const String& sql);
std::unique_ptr<TODBCMultiQuery> OpenMQuery(const String& sql);
int ExecMQueryLong(const String& sql, const std::vector<Variant>& values,
                   const std::vector<int>& nullIndexes = {-1});
std::unique_ptr<TODBCMultiQuery> OpenMQueryLong(const String& sql, const std::vector<Variant>& values);
std::unique_ptr<TODBCMultiQuery> OpenMQueryLongUni(const String& sql, const std::vector<Variant>& values);

/// \brief Searches forward from the record after the current one for a record in which some
/// non-blob field's text starts with `text` (ignoring case unless `caseSensitive`); stays there,
/// or goes back to where it started when none does. True when one was found.
bool FindAnyRecord(TDataSet& dataSet, bool caseSensitive, const String& text);

/// \brief Writes the text file format of `dataSet` from the current record to the end; the file
/// is created or overwritten. Throws EFCreateError / EWriteError.
void ExportDataSet(TDataSet& dataSet, const String& fileName);

/// \brief Inserts the records of a text file into `tableName` on DataBase, all in one transaction
/// (auto-commit off for it and restored after). `condition` ("where ..." with ":column"
/// parameters) finds an existing row for a line: itIgnoreExists skips the line, itUpdateExists
/// deletes those rows and inserts the line; an empty condition inserts every line.
/// \throws EDatabaseError naming the file and line for a header name that is no column of the
/// table, a line with another number of values than the header, an unterminated quote, a bad
/// escape or a value that does not convert; any failure rolls the whole import back.
void ImportDataSet(const String& fileName, const String& tableName, const String& condition,
                   TImportType importType);

/// \brief Appends one line per record from the current one to the end: `prefix`, then for each
/// of the first names.size() fields "," and its value in the text file format.
/// \throws EDatabaseError when `names` holds more names than the dataset has fields.
void SaveQryToFile(const String& fileName, const String& prefix, TDataSet& dataSet,
                   const std::vector<String>& names);

/// \brief The text file format of one field's value (bare, quoted or empty for null).
String FormatExportValue(TField* field);

/// \brief One column of a remembered grid layout.
struct TFieldSaveItem {
    String FieldName;
    String Caption;
    int Width = 0;
    int Index = 0;
};

/// \brief A grid's column layout by field name: captions, widths and order.
class TFieldSave {
public:
    TFieldSaveItem* FieldByName(const String& name);
    TFieldSaveItem& GetFields(int index) { return FItems.at(static_cast<size_t>(index)); }
    int GetFieldCount() const { return static_cast<int>(FItems.size()); }
    void Clear() { FItems.clear(); }
    TFieldSaveItem& Add(const TFieldSaveItem& item);

    /// \brief One line per column: field name, caption, width, index (for a settings store).
    void SaveToStrings(TStrings& lines) const;
    /// \brief Reads what SaveToStrings wrote. \throws EDatabaseError for a malformed line.
    void LoadFromStrings(const TStrings& lines);

    /// \brief Remembers the columns of `grid` (an extended data grid).
    template <class Grid> void GetInfoGrid(Grid& grid) {
        Clear();
        auto& cols = grid.Columns();
        for (int i = 0; i < cols.Count(); ++i) {
            auto* c = cols[i];
            Add({c->FieldName(), c->TitleCaption(), c->Width(), c->Index()});
        }
    }
    /// \brief Gives the remembered captions, widths and order to the columns of `grid` that show
    /// the same fields; other columns keep theirs and follow.
    template <class Grid> void SetInfoGrid(Grid& grid) {
        auto& cols = grid.Columns();
        if (FItems.empty())
            return;
        cols.Customize();
        std::vector<const TFieldSaveItem*> order;
        for (const TFieldSaveItem& item : FItems)
            order.push_back(&item);
        std::stable_sort(order.begin(), order.end(), [](const TFieldSaveItem* a, const TFieldSaveItem* b) {
            return a->Index < b->Index;
        });
        int position = 0;
        for (const TFieldSaveItem* item : order) {
            auto* c = cols.FindByFieldName(item->FieldName);
            if (!c)
                continue;
            c->SetTitleCaption(item->Caption);
            if (item->Width > 0)
                c->SetWidth(item->Width);
            c->SetIndex(position++);
        }
    }

private:
    std::vector<TFieldSaveItem> FItems;
};

} // namespace vantrel
