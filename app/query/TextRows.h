#pragma once
// Reads the rows of a Qt ODBC result as the server's own UTF-8 text, a block of rows per driver call.
//
// Exports of long lists on PostgreSQL spent most of their time in psqlODBC making every value into
// wide text, a timestamp structure or a number, one SQLGetData at a time. Here the columns are bound
// in arrays of rows, as narrow text (the driver only copies the bytes it received) and timestamps as
// the driver's structure (as CellReader reads them): one call brings a block. A value too long for
// its slot, or one whose text is not a plain whole number, is read again from the driver as
// CellReader reads it, so every value equals what Query::fieldAt gives.
#include "CellReader.h"
#include "Query.h"

#include <QSqlRecord>
#include <QVariant>

#include <sqltypes.h>

#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

class TextRows;

/// One row of the block TextRows holds now; valid until the next fetch.
class TextRow {
public:
    int columns() const;
    bool isNull(int column) const;
    /// \brief The value's text as the server sent it (UTF-8; a long value is read whole); empty for
    /// a column of timestamps, which is read as the driver's structure.
    std::string_view text(int column) const;
    /// \brief Whether the value is shown as its text: a character column the query reads as text.
    bool isPlainText(int column) const;
    /// \brief The value as Query::fieldAt gives it. Throws DatabaseError when the driver fails.
    QVariant value(int column) const;

private:
    friend class TextRows;
    TextRow(TextRows* rows, int row) : rows_(rows), row_(row) {}
    TextRows* rows_;
    int row_;
};

class TextRows {
public:
    /// \brief Binds every column of the executed `statement` (a SQLHSTMT), `blockRows` rows a fetch.
    /// `kinds` says how the query normalises each column. Throws DatabaseError when the driver refuses.
    TextRows(void* statement, const QSqlRecord& record, std::vector<ColumnKind> kinds, int blockRows = 256);
    ~TextRows();
    TextRows(const TextRows&) = delete;
    TextRows& operator=(const TextRows&) = delete;

    /// \brief The next block of rows; false after the last. Throws DatabaseError when the driver fails.
    bool fetch();
    int count() const { return int(fetched_); }
    TextRow row(int r) { return TextRow(this, r); }

    /// \brief Whether the driver lets a bound block be read again value by value (SQLGetData after
    /// SQLSetPos), which a value too long for its slot needs.
    static bool supported(void* connection);

private:
    friend class TextRow;
    struct Column {
        SQLLEN slot = 0;           // bytes a value has
        std::vector<char> bytes;   // blockRows slots
        std::vector<SQLLEN> lengths;
        CellReader::As as = CellReader::As::Text;
        ColumnKind kind = ColumnKind::Unknown;
        int longRow = -1;  // the row whose whole text `longText` holds
        std::string longText;
    };
    void unbind() noexcept;
    void position(int row);
    std::string_view text(int row, int column);
    QVariant value(int row, int column);
    QVariant reread(int row, int column);
    [[noreturn]] void failed(const QString& what) const;

    void* statement_;
    CellReader reader_;
    std::vector<Column> columns_;
    int blockRows_;
    SQLULEN fetched_ = 0;  // the driver writes the rows of each block here
    std::vector<SQLUSMALLINT> status_;  // and how each row went
    int positioned_ = -1;
    bool done_ = false;
};

}  // namespace kestrum
