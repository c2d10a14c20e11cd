#include "TextRows.h"

#include "DatabaseError.h"

#include <QDateTime>

#include <sql.h>
#include <sqlext.h>

#include <charconv>
#include <cstring>

namespace kestrum {
namespace {

// Room for nearly every name, remark or number; a longer value is read again whole.
constexpr SQLLEN SlotBytes = 256;

}  // namespace

bool TextRows::supported(void* connection) {
    SQLUINTEGER extensions = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(static_cast<SQLHDBC>(connection), SQL_GETDATA_EXTENSIONS, &extensions,
                                  sizeof extensions, nullptr)))
        return false;
    constexpr SQLUINTEGER needed = SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BLOCK | SQL_GD_BOUND;
    return (extensions & needed) == needed;
}

TextRows::TextRows(void* statement, const QSqlRecord& record, std::vector<ColumnKind> kinds, int blockRows)
    : statement_(statement), reader_(statement, record), blockRows_(std::max(blockRows, 1)) {
    try {
        auto* h = static_cast<SQLHSTMT>(statement_);
        columns_.resize(size_t(record.count()));
        status_.resize(size_t(blockRows_));
        if (!SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_TYPE, SQLPOINTER(SQL_BIND_BY_COLUMN), 0)) ||
            !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, SQLPOINTER(SQLULEN(blockRows_)), 0)) ||
            !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0)) ||
            !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, status_.data(), 0)))
            failed(QStringLiteral("Reading rows in blocks failed"));
        for (size_t c = 0; c < columns_.size(); ++c) {
            Column& col = columns_[c];
            col.as = reader_.type(int(c));
            col.kind = c < kinds.size() ? kinds[c] : ColumnKind::Unknown;
            // Timestamps as psqlODBC would make them for CellReader: as text it makes the structure first
            // and then prints it.
            const bool structure = col.as == CellReader::As::Timestamp;
            col.slot = structure ? SQLLEN(sizeof(SQL_TIMESTAMP_STRUCT)) : SlotBytes;
            col.bytes.resize(size_t(blockRows_) * size_t(col.slot));
            col.lengths.resize(size_t(blockRows_));
            if (!SQL_SUCCEEDED(SQLBindCol(h, SQLUSMALLINT(c + 1), structure ? SQL_C_TYPE_TIMESTAMP : SQL_C_CHAR,
                                          col.bytes.data(), col.slot, col.lengths.data())))
                failed(QStringLiteral("Binding column %1 failed").arg(record.fieldName(int(c))));
        }
    } catch (...) {
        unbind();  // the statement must not point at this half-made object
        throw;
    }
}

TextRows::~TextRows() { unbind(); }

void TextRows::unbind() noexcept {
    // The statement outlives this object (its QSqlQuery frees it): it must not write here again.
    auto* h = static_cast<SQLHSTMT>(statement_);
    SQLFreeStmt(h, SQL_UNBIND);
    SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, SQLPOINTER(SQLULEN(1)), 0);
}

void TextRows::failed(const QString& what) const {
    throw DatabaseError(QStringLiteral("%1: %2").arg(what, statementDiagnostics(statement_)));
}

bool TextRows::fetch() {
    if (done_) return false;
    fetched_ = 0;
    positioned_ = -1;
    for (Column& col : columns_) col.longRow = -1;
    const SQLRETURN rc = SQLFetch(static_cast<SQLHSTMT>(statement_));
    if (rc == SQL_NO_DATA || (SQL_SUCCEEDED(rc) && fetched_ == 0)) {
        done_ = true;
        return false;
    }
    // SQL_SUCCESS_WITH_INFO: a value did not fit its slot; it is read again when asked for.
    if (!SQL_SUCCEEDED(rc)) failed(QStringLiteral("Reading rows failed"));
    // A row the driver could not convert is no row to write as if it were whole.
    for (SQLULEN r = 0; r < fetched_; ++r)
        if (status_[r] == SQL_ROW_ERROR) failed(QStringLiteral("Reading row %1 of a block failed").arg(r + 1));
    return true;
}

void TextRows::position(int row) {
    if (positioned_ == row) return;
    // NOTE: psqlODBC reads a value of a bound block again only for the row SQLSetPos points at.
    if (!SQL_SUCCEEDED(SQLSetPos(static_cast<SQLHSTMT>(statement_), SQLSETPOSIROW(row + 1), SQL_POSITION,
                                 SQL_LOCK_NO_CHANGE)))
        failed(QStringLiteral("Reading row %1 of a block failed").arg(row + 1));
    positioned_ = row;
}

std::string_view TextRows::text(int row, int column) {
    Column& col = columns_[size_t(column)];
    const SQLLEN length = col.lengths[size_t(row)];
    if (length == SQL_NULL_DATA || col.slot != SlotBytes) return {};
    if (length != SQL_NO_TOTAL && length < SlotBytes)
        return {col.bytes.data() + size_t(row) * size_t(SlotBytes), size_t(length)};
    if (col.longRow == row) return col.longText;
    // Too long for its slot: the whole value from the driver, in as few reads as it allows.
    position(row);
    auto* h = static_cast<SQLHSTMT>(statement_);
    col.longText.clear();
    std::vector<char> chunk(size_t(length == SQL_NO_TOTAL ? 4096 : length + 1));
    for (;;) {
        SQLLEN got = 0;
        const SQLRETURN rc =
            SQLGetData(h, SQLUSMALLINT(column + 1), SQL_C_CHAR, chunk.data(), SQLLEN(chunk.size()), &got);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) failed(QStringLiteral("Reading a long value failed"));
        if (got == SQL_NULL_DATA) break;
        const size_t room = chunk.size() - 1;  // one place is the terminator
        col.longText.append(chunk.data(), got == SQL_NO_TOTAL ? room : std::min(size_t(got), room));
        if (rc == SQL_SUCCESS) break;
    }
    col.longRow = row;
    return col.longText;
}

QVariant TextRows::reread(int row, int column) {
    position(row);
    return normalise(reader_.read(column), columns_[size_t(column)].kind);
}

QVariant TextRows::value(int row, int column) {
    const Column& col = columns_[size_t(column)];
    if (col.lengths[size_t(row)] == SQL_NULL_DATA) return {};
    if (col.slot != SlotBytes) {
        SQL_TIMESTAMP_STRUCT v;
        std::memcpy(&v, col.bytes.data() + size_t(row) * sizeof v, sizeof v);
        return normalise(CellReader::timestamp(v.year, v.month, v.day, v.hour, v.minute, v.second, v.fraction),
                         col.kind);
    }
    const std::string_view s = text(row, column);
    switch (col.as) {
    case CellReader::As::Text:
        // The wide text CellReader reads is this text decoded: the same QString.
        return normalise(QVariant(QString::fromUtf8(s.data(), qsizetype(s.size()))), col.kind);
    case CellReader::As::Integer: {
        qlonglong v = 0;
        const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (error == std::errc() && end == s.data() + s.size()) return normalise(QVariant(v), col.kind);
        break;
    }
    default:
        break;  // floating point, dates, times, binary: as the driver converts them
    }
    return reread(row, column);
}

int TextRow::columns() const { return int(rows_->columns_.size()); }

bool TextRow::isNull(int column) const { return rows_->columns_[size_t(column)].lengths[size_t(row_)] == SQL_NULL_DATA; }

std::string_view TextRow::text(int column) const { return rows_->text(row_, column); }

bool TextRow::isPlainText(int column) const {
    const TextRows::Column& col = rows_->columns_[size_t(column)];
    return col.as == CellReader::As::Text && (col.kind == ColumnKind::Text || col.kind == ColumnKind::Unknown);
}

QVariant TextRow::value(int column) const { return rows_->value(row_, column); }

}  // namespace kestrum
