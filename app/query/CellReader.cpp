#include "CellReader.h"

#include "DatabaseError.h"

#include <QDateTime>
#include <QSqlField>

#include <sql.h>
#include <sqlext.h>

#include <array>

namespace kestrum {
namespace {

// Enough for nearly every name, phone or note; longer values take a second read.
constexpr SQLLEN FirstChunk = 256;

}  // namespace

QString statementDiagnostics(void* handle) {
    auto* statement = static_cast<SQLHSTMT>(handle);
    QString text;
    SQLWCHAR state[6] = {};
    SQLWCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_STMT, statement, i, state, &native, message,
                                                         SQLSMALLINT(std::size(message)), &length));
         ++i) {
        if (!text.isEmpty()) text += u' ';
        text += QString::fromUtf16(reinterpret_cast<const char16_t*>(message),
                                   std::min<qsizetype>(length, qsizetype(std::size(message)) - 1));
    }
    return text;
}

CellReader::CellReader(void* statement, const QSqlRecord& record) : statement_(statement) {
    types_.reserve(size_t(record.count()));
    for (int i = 0; i < record.count(); ++i) {
        names_.push_back(record.fieldName(i));
        // The same choice of C type as Qt's driver makes from the column's SQL type.
        switch (record.field(i).typeID()) {
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: types_.push_back(As::Integer); break;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE: types_.push_back(As::Double); break;
        case SQL_DATE:
        case SQL_TYPE_DATE: types_.push_back(As::Date); break;
        case SQL_TIME:
        case SQL_TYPE_TIME: types_.push_back(As::Time); break;
        case SQL_TIMESTAMP:
        case SQL_TYPE_TIMESTAMP: types_.push_back(As::Timestamp); break;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY: types_.push_back(As::Binary); break;
        default: types_.push_back(As::Text); break;  // characters, DECIMAL, NUMERIC, BIT, the rest
        }
    }
}

QDateTime CellReader::timestamp(int year, int month, int day, int hour, int minute, int second, unsigned fraction) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, int(fraction / 1000000)));
}

void CellReader::failed(int column) const {
    throw DatabaseError(QStringLiteral("Reading column %1 failed: %2")
                            .arg(names_[size_t(column)], statementDiagnostics(statement_)));
}

QVariant CellReader::read(int column) {
    auto* h = static_cast<SQLHSTMT>(statement_);
    const auto number = SQLUSMALLINT(column + 1);
    SQLLEN indicator = 0;
    switch (types_[size_t(column)]) {
    case As::Integer: {
        SQLBIGINT v = 0;
        if (!SQL_SUCCEEDED(SQLGetData(h, number, SQL_C_SBIGINT, &v, 0, &indicator))) failed(column);
        return indicator == SQL_NULL_DATA ? QVariant() : QVariant(qlonglong(v));
    }
    case As::Double: {
        double v = 0;
        if (!SQL_SUCCEEDED(SQLGetData(h, number, SQL_C_DOUBLE, &v, 0, &indicator))) failed(column);
        return indicator == SQL_NULL_DATA ? QVariant() : QVariant(v);
    }
    case As::Timestamp: {
        SQL_TIMESTAMP_STRUCT v{};
        if (!SQL_SUCCEEDED(SQLGetData(h, number, SQL_C_TYPE_TIMESTAMP, &v, sizeof v, &indicator)))
            return readText(column);  // text an engine kept in a date column: shown as stored
        if (indicator == SQL_NULL_DATA) return {};
        return timestamp(v.year, v.month, v.day, v.hour, v.minute, v.second, v.fraction);
    }
    case As::Date: {
        SQL_DATE_STRUCT v{};
        if (!SQL_SUCCEEDED(SQLGetData(h, number, SQL_C_TYPE_DATE, &v, sizeof v, &indicator))) return readText(column);
        return indicator == SQL_NULL_DATA ? QVariant() : QVariant(QDate(v.year, v.month, v.day));
    }
    case As::Time: {
        SQL_TIME_STRUCT v{};
        if (!SQL_SUCCEEDED(SQLGetData(h, number, SQL_C_TYPE_TIME, &v, sizeof v, &indicator))) return readText(column);
        return indicator == SQL_NULL_DATA ? QVariant() : QVariant(QTime(v.hour, v.minute, v.second));
    }
    case As::Binary: return readBinary(column);
    case As::Text: return readText(column);
    }
    return {};
}

QVariant CellReader::readText(int column) {
    auto* h = static_cast<SQLHSTMT>(statement_);
    const auto number = SQLUSMALLINT(column + 1);
    std::array<SQLWCHAR, FirstChunk> chunk;
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(h, number, SQL_C_WCHAR, chunk.data(), SQLLEN(sizeof chunk), &indicator);
    if (!SQL_SUCCEEDED(rc)) failed(column);
    if (indicator == SQL_NULL_DATA) return {};
    const auto* first = reinterpret_cast<const char16_t*>(chunk.data());
    constexpr qsizetype chunkChars = FirstChunk - 1;  // one place is the terminator
    if (rc == SQL_SUCCESS && indicator != SQL_NO_TOTAL)
        return QString::fromUtf16(first, std::min<qsizetype>(indicator / qsizetype(sizeof(SQLWCHAR)), chunkChars));

    // Truncated: the rest in as few reads as the driver allows.
    QString text = QString::fromUtf16(first, chunkChars);
    while (rc == SQL_SUCCESS_WITH_INFO) {
        const qsizetype rest =
            indicator == SQL_NO_TOTAL ? 4096 : indicator / qsizetype(sizeof(SQLWCHAR)) - chunkChars + 1;
        std::vector<SQLWCHAR> more(size_t(std::max<qsizetype>(rest, 2)));
        rc = SQLGetData(h, number, SQL_C_WCHAR, more.data(), SQLLEN(more.size() * sizeof(SQLWCHAR)), &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) failed(column);
        const qsizetype room = qsizetype(more.size()) - 1;
        const qsizetype got = indicator == SQL_NO_TOTAL
                                  ? room
                                  : std::min<qsizetype>(indicator / qsizetype(sizeof(SQLWCHAR)), room);
        text += QString::fromUtf16(reinterpret_cast<const char16_t*>(more.data()), got);
    }
    return text;
}

QVariant CellReader::readBinary(int column) {
    auto* h = static_cast<SQLHSTMT>(statement_);
    const auto number = SQLUSMALLINT(column + 1);
    QByteArray bytes;
    std::array<char, 4096> chunk;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(h, number, SQL_C_BINARY, chunk.data(), SQLLEN(chunk.size()), &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) failed(column);
        if (indicator == SQL_NULL_DATA) return QVariant(QMetaType::fromType<QByteArray>());
        const qsizetype got = indicator == SQL_NO_TOTAL || indicator > SQLLEN(chunk.size())
                                  ? qsizetype(chunk.size())
                                  : qsizetype(indicator);
        bytes.append(chunk.data(), got);
        if (rc == SQL_SUCCESS) break;
    }
    return bytes;
}

}  // namespace kestrum
