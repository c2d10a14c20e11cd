#pragma once
// One named query of the pool: statement lines plus bound positional values, run on the pool's
// connection, with a client-side row buffer that supports RecordCount, Sort and Locate.
//
// Rows are fetched lazily (a query over a big table opens instantly); RecordCount, Last, Sort
// and a Locate that has to look further fetch the rest.
#include "DatabaseError.h"
#include "CellReader.h"
#include "Field.h"
#include "Keyset.h"

#include <QObject>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSqlQuery;

namespace kestrum {

/// How the values of a column are read; engines report some types differently (SQLite booleans
/// as integers, PostgreSQL booleans as text), so the schema's own types take precedence.
enum class ColumnKind { Unknown, Integer, Number, Date, Boolean, Text };

struct ColumnHint {
    ColumnKind kind = ColumnKind::Unknown;
    QString name;  // the schema's spelling (PostgreSQL reports names in lower case); "" if unknown
};
using ColumnHintFunction = ColumnHint (*)(const QString& column);

/// \brief One value read from the driver as the windows read it (see Field for the types).
QVariant normalise(const QVariant& v, ColumnKind kind);

class TextRow;

class Query : public QObject {
    Q_OBJECT
public:
    /// \brief A query on `db` (kept by connection name); `name` is its objectName, used in messages.
    Query(const QSqlDatabase& db, const QString& name, QObject* parent = nullptr);
    ~Query() override;

    QString Name() const { return objectName(); }
    /// \brief Installs the column types and spellings of the schema for every query (the data
    /// module does this); without it types come from the driver alone.
    static void setColumnHints(ColumnHintFunction hints);
    /// \brief Installs each table's key and columns (the data module does this); without it no list
    /// is paged.
    static void setTableHints(TableHintFunction hints);
    QSqlDatabase database() const;

    // --- statement -----------------------------------------------------------------------
    /// Sets inactive and drops the rows; keeps SQL text and bound values.
    void Close();
    /// Closes, clears the SQL text and the bound values.
    void Clear();
    /// \brief Clear, then `sql` as the statement and `values` bound in order: the one way every
    /// "run this with these values" is set up.
    void setStatement(const QString& sql, const QVariantList& values = {});
    /// Appends one line (closes the query, as changing the SQL does).
    void Add(const QString& line);
    /// \brief Next positional `?` value: QString, int, qint64, double, Decimal (QVariant::fromValue),
    /// QDate, QDateTime, bool, or a null QVariant for NULL.
    void Bind(const QVariant& value);
    /// The lines joined by "\n".
    QString SQLText() const;
    const QVariantList& boundValues() const { return values_; }

    /// \brief Runs the statement and makes the first row current. Throws DatabaseError (driver text)
    /// when it fails or returns no result set.
    void Open();
    /// \brief Runs a statement that changes data; returns the rows affected (-1 when unknown).
    /// Throws DatabaseError.
    int ExecSQL();
    bool Active() const { return active_; }
    /// \brief Open, then the row whose `column` holds the whole number `key` made current, as Open
    /// and Locate(column, key) leave the list (the first row current when no row has it). A paged
    /// list keyed by `column` reads only the rows around that row, counting the rows before it with
    /// its count. Returns whether the row was found.
    bool OpenAt(const QString& column, qint64 key);

    // --- paging ----------------------------------------------------------------------------
    /// \brief From the next Open, a plain select over one table with a key is read a page at a time
    /// by key (grids ask for this): the row count comes from Count(*), only pages around what is read
    /// are held, and Sort and Locate are answered by the database. Other statements are read as before.
    void setPaged(bool paged) { pagingWanted_ = paged; }
    bool paged() const { return plan_.has_value(); }
    /// \brief From the next Open, a paged list longer than its first page shows that page at once and
    /// counts its rows on a connection of its own: fetchedCount() is the rows known until the count
    /// arrives, and then grows to it (rowsFetched). Whatever needs the whole count sooner (Last, a
    /// row past the known ones, RecordCount, Locate) counts at once on this connection.
    void setCountFollows(bool follows) { countFollows_ = follows; }
    /// Whether a paged list's row count is still being worked out.
    bool countPending() const { return countPending_; }
    /// Rows held in memory now (all fetched rows when not paged).
    int heldRows() const;
    /// \brief A statement giving every row in the order shown, with boundValues() bound; "" when the
    /// order is a client-side sort the database cannot repeat.
    QString shownOrderSql() const;

    // --- reading ---------------------------------------------------------------------------
    /// \brief Value of `name` (case-insensitive) in the current row; with no current row a null
    /// value. "Expr1000", "Expr1001", ... name the unnamed expression columns (aggregates) in order.
    /// Throws DatabaseError "<query>: Field '<name>' not found" for an unknown name or when closed.
    Field FieldByName(const QString& name);
    /// Value of column `column` of row `row` (both 0-based, row in current order); null outside.
    Field fieldAt(int row, int column);
    QStringList FieldNames() const { return names_; }
    int FieldCount() const { return int(names_.size()); }
    ColumnKind columnKind(int column) const;
    /// Index of a column by name (case-insensitive, Expr100N rule included) or -1.
    int fieldIndex(const QString& name) const;

    /// All rows (fetches the rest).
    int RecordCount();
    /// Rows buffered so far (paged: every row, as each can be read), and whether the cursor has more.
    int fetchedCount() const { return plan_ ? total_ : int(order_.size()); }
    bool canFetchMore() const;
    /// Fetches up to `rows` more rows; returns how many came.
    int fetchMore(int rows);

    // --- navigation (Delphi dataset rules) -------------------------------------------------
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    /// 0-based current row, -1 when there are no rows.
    int RecNo() const { return current_; }
    /// Moves to `row` (fetching as needed); out of range is ignored. Returns whether it moved there.
    bool SetRecNo(int row);

    /// \brief Client-side ascending, stable sort by one column (case-insensitive text, numbers
    /// by value, dates by date, NULL first); "" restores the statement's order. The first row
    /// becomes current. Throws DatabaseError for an unknown column.
    void SetSort(const QString& column);
    QString Sort() const { return sort_; }
    /// \brief Makes current the first row whose column, read AsString, equals `text`
    /// case-insensitively, or starts with it when `partial`. Returns false (row unchanged) if none.
    bool Locate(const QString& column, const QString& text, bool partial);

    /// \brief Runs the open statement again on a cursor of its own (shownOrderSql) and hands each row,
    /// normalised as fieldAt gives it, to `row` in the shown order without keeping it; stops when
    /// `row` returns false. The buffered rows, sort and current row stay as they are (exports of long
    /// lists read this way). A paged list is read by key `chunk` rows at a time. Throws
    /// DatabaseError, or when the query is not open.
    void streamRows(const std::function<bool(const std::vector<QVariant>&)>& row, int chunk = 8192);
    /// \brief streamRows with each row as the server's text, a block of rows per driver call (see
    /// TextRow); false, with nothing read, where the engine's text is not read this way (SQLite).
    /// Throws as streamRows does.
    bool streamText(const std::function<bool(const TextRow&)>& row, int chunk = 8192);
    /// \brief Whether rows on `db` can be read as the server's text (see TextRow): PostgreSQL with
    /// UTF-8 text. Asked of the server once per session (see Session.h).
    static bool readsText(const QSqlDatabase& db);
    /// \brief Runs the statement once, without opening the query or buffering a row, and hands each
    /// row to `row` as text a block of rows per driver call (each value as fieldAt would give it);
    /// `names` gets the columns as FieldNames() would name them. Only on a connection readsText()
    /// said yes to. Throws DatabaseError.
    void readText(const std::function<void(const TextRow&)>& row, QStringList& names);

signals:
    /// After Open, Close and Sort: rows and columns may all be different.
    void reloaded();
    /// Rows [first, last] were appended to the buffer (lazy fetch).
    void rowsFetched(int first, int last);
    /// A paged list's count that followed its first page is known now (fetchedCount()).
    void counted();
    void currentChanged(int row);

private:
    void ensureRows(int count);  // fetches until `count` rows are buffered or the cursor ends
    void fetchAll();
    void setCurrent(int row);
    // Prepares and binds the statement (or `sql` in its place, the same rows) on a fresh cursor, then runs it.
    void startStatement(const QString& sql = {});
    QString fewValuesSql() const;  // "" or the distinct values of one column read by index probes
    std::unique_ptr<QSqlQuery> execute(const QString& sql, const QVariantList& values);
    void describe(const QSqlQuery& q);  // names_, kinds_, exprColumns_ from a result
    bool openPaged();                   // false: the statement is read whole instead
    // openPaged with the row of `key` current and only its page read; nothing when it cannot say.
    std::optional<bool> openPagedAt(const QString& column, qint64 key);
    void startCount();                  // the count of a paged list, now or in the background
    void countArrived(qint64 rows);     // grows the list to `rows` if that is more than known
    void finishCount();                 // a pending count worked out here, at once

    // Paging: held pages of consecutive rows in the shown order.
    struct Page {
        int first = 0;
        int rows = 0;
        std::vector<QVariant> cells;
    };
    const QVariant* heldCell(int row, int column) const;
    void loadRow(int row);
    void loadAround(int row, const QVariant& key, bool leadNull);  // row's position is known, its key too
    // Rows after (or before, in shown order) the row of `key`, appended to `cells`.
    int seek(const QVariant& key, bool leadNull, bool backward, bool including, int limit, std::vector<QVariant>& cells);
    // Runs one statement (SQL, bound values) and hands its rows on: how many, or -1 when they were refused.
    using StatementRows = std::function<int(const QString&, const QVariantList&)>;
    int seekRows(const QVariant& key, bool leadNull, bool backward, bool including, int limit, const StatementRows& read);
    // The list in its shown order through `read`, a paged one `chunk` rows a statement; `last` gives
    // the key of the last row read and whether its first sort value is NULL.
    void streamStatements(int chunk, const StatementRows& read, const std::function<std::pair<QVariant, bool>()>& last);
    bool textReadable() const;  // whether streamText can read this connection's rows
    bool leadNullAt(int row) const;  // whether a held row's first sort value is NULL
    int readRows(const QString& sql, const QVariantList& values, std::vector<QVariant>& cells, bool reversed);
    void keepPage(Page page, int near);
    int positionOf(const QVariant& key, bool* leadNull);  // -1 when no row has it now
    bool locatePaged(int column, const QString& text, bool partial);
    void reopenPaged();
    int leadColumn() const;  // the first sort column's position in the rows
    // After a lost connection: opens it again and throws the message for the user (always).
    [[noreturn]] void reconnect(QSqlDatabase& db);
    void dropCursor();
    [[noreturn]] void fail(const QString& what) const;

    QString connection_;
    QStringList lines_;
    QVariantList values_;
    std::unique_ptr<QSqlQuery> cursor_;
    CellReader reader_;  // reads the fetched rows of cursor_
    bool more_ = false;
    bool active_ = false;
    bool quiet_ = false;
    QStringList names_;
    std::vector<int> exprColumns_;  // unnamed expression columns, for Expr1000...
    std::vector<ColumnKind> kinds_;  // per column: how its values are normalised
    std::vector<QVariant> cells_;   // rows * columns, in fetch order
    std::vector<int> order_;        // current order: indices of fetched rows
    QString sort_;
    int current_ = -1;
    bool eof_ = true;
    bool bof_ = true;

    bool pagingWanted_ = false;
    std::optional<KeysetPlan> plan_;
    std::vector<Page> pages_;
    int total_ = 0;
    int keyColumn_ = -1;
    bool countFollows_ = false;
    bool countPending_ = false;
    quint64 countTicket_ = 0;  // a count that arrives for an older opening is dropped
};

}  // namespace kestrum
