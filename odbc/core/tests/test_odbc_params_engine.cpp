// Parameters bound on a raw statement of both drivers: every type goes into a row and comes back
// equal, nulls of every type, repeated names, long text and binary values sent at execution in
// pieces, and money text in a comma locale.
#include "ODBCTestHelpers.h"
#include "test_odbc_params_locale.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/core/ODBCParams.h>

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <memory>

using namespace vantrel;
using testsupport::Engine;

namespace {

// The whole value of column `col` of the current row in C type `ctype` (long values in pieces);
// nullopt-like: `isNull` tells a null apart.
std::string columnData(SQLHSTMT stmt, int col, SQLSMALLINT ctype, bool* isNull = nullptr) {
    std::string out;
    char buf[4096];
    if (isNull) *isNull = false;
    for (;;) {
        SQLLEN ind = 0;
        SQLRETURN rc = SQLGetData(stmt, static_cast<SQLUSMALLINT>(col), ctype, buf, sizeof buf, &ind);
        if (rc == SQL_NO_DATA) break;
        ODBCCheck(rc, odbcEnv(), SQL_NULL_HDBC, stmt, "SQLGetData");
        if (ind == SQL_NULL_DATA) {
            if (isNull) *isNull = true;
            break;
        }
        size_t room = ctype == SQL_C_CHAR ? sizeof buf - 1 : sizeof buf;
        size_t got = (ind == SQL_NO_TOTAL || static_cast<size_t>(ind) > room) ? room : static_cast<size_t>(ind);
        out.append(buf, got);
        if (rc == SQL_SUCCESS) break;
    }
    return out;
}

template <class T> T columnAs(SQLHSTMT stmt, int col, SQLSMALLINT ctype) {
    T value{};
    SQLLEN ind = 0;
    ODBCCheck(SQLGetData(stmt, static_cast<SQLUSMALLINT>(col), ctype, &value, sizeof value, &ind), odbcEnv(),
              SQL_NULL_HDBC, stmt, "SQLGetData");
    EXPECT_NE(ind, SQL_NULL_DATA) << "column " << col;
    return value;
}

std::string pattern(size_t n, bool binary) {
    std::string s(n, '\0');
    uint32_t x = 2463534242u;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = binary ? static_cast<char>(x) : static_cast<char>('a' + x % 26);
    }
    return s;
}

}  // namespace

class ParamEngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        const bool pg = GetParam() == Engine::PostgreSQL;
        const std::string binary = pg ? "BYTEA" : "BLOB";
        tdb->exec("CREATE TABLE p_all (id INTEGER, s VARCHAR(60), sm SMALLINT, i INTEGER, w INTEGER, b INTEGER, "
                  "f DOUBLE PRECISION, c NUMERIC(19,4), bcd NUMERIC(19,4), d DATE, t TIME, dt TIMESTAMP, "
                  "m TEXT, bl " + binary + ", ai INTEGER, big BIGINT, unk " + binary + ")");
        tdb->exec("CREATE TABLE p_long (id INTEGER, m TEXT, bl " + binary + ")");
        tdb->exec("CREATE TABLE p_two (a VARCHAR(20), b VARCHAR(20), c VARCHAR(20))");
        conn = std::make_unique<odbctest::RawConnection>(tdb->connectionString());
    }

    // A prepared statement on the test connection.
    ODBCStatementHandle prepare(const std::string& sql) {
        ODBCStatementHandle stmt;
        stmt.allocate(odbcEnv(), conn->get());
        VANTREL_ODBC(odbcEnv(), conn->get(), stmt.get(), SQLPrepare(stmt.get(), (SQLCHAR*)sql.c_str(), SQL_NTS));
        return stmt;
    }

    // Runs a query and fetches its first row (the statement is returned positioned on it).
    ODBCStatementHandle selectRow(const std::string& sql) {
        ODBCStatementHandle stmt;
        stmt.allocate(odbcEnv(), conn->get());
        VANTREL_ODBC(odbcEnv(), conn->get(), stmt.get(), SQLExecDirect(stmt.get(), (SQLCHAR*)sql.c_str(), SQL_NTS));
        EXPECT_EQ(VANTREL_ODBC(odbcEnv(), conn->get(), stmt.get(), SQLFetch(stmt.get())), SQL_SUCCESS);
        return stmt;
    }

    static void fillAll(TODBCParams& p, int id) {
        p.CreateParam(ftUnknown, "id")->SetAsInteger(id);
        p.CreateParam(ftUnknown, "s")->SetAsString("O'Brien; \"quoted\" -- not SQL");
        p.CreateParam(ftUnknown, "sm")->SetAsSmallInt(-32768);
        p.CreateParam(ftUnknown, "i")->SetAsInteger(2147483647);
        p.CreateParam(ftUnknown, "w")->SetAsWord(65535);
        p.CreateParam(ftUnknown, "b")->SetAsBoolean(true);
        p.CreateParam(ftUnknown, "f")->SetAsFloat(-0.125e-3);
        p.CreateParam(ftUnknown, "c")->SetAsCurrency(1234.5678);
        p.CreateParam(ftUnknown, "bcd")->SetAsBCD(StrToCurr("-98765.4321"));
        p.CreateParam(ftUnknown, "d")->SetAsDate(EncodeDate(2024, 2, 29));
        p.CreateParam(ftUnknown, "t")->SetAsTime(EncodeTime(7, 8, 9, 0));
        p.CreateParam(ftUnknown, "dt")->SetAsDateTime(EncodeDateTime(1999, 12, 31, 23, 59, 58, 250));
        p.CreateParam(ftUnknown, "m")->SetAsMemo("first line\nsecond line");
        p.CreateParam(ftUnknown, "bl")->SetBlobData("\0\1\2\xff\0", 5);
        auto* ai = p.CreateParam(ftAutoInc, "ai");
        ai->SetText("41");
        p.CreateParam(ftUnknown, "big")->SetAsVariant(Variant(9007199254740993LL));
        p.CreateParam(ftUnknown, "unk")->SetAsVariant(Variant(TBytes{0, 9, 8}));
    }

    // The row `id` holds what fillAll put in.
    void expectAll(int id) {
        ODBCStatementHandle row = selectRow("SELECT * FROM p_all WHERE id = " + std::to_string(id));
        SQLHSTMT st = row.get();
        EXPECT_EQ(columnData(st, 2, SQL_C_CHAR), "O'Brien; \"quoted\" -- not SQL");
        EXPECT_EQ(columnAs<SQLINTEGER>(st, 3, SQL_C_LONG), -32768);
        EXPECT_EQ(columnAs<SQLINTEGER>(st, 4, SQL_C_LONG), 2147483647);
        EXPECT_EQ(columnAs<SQLINTEGER>(st, 5, SQL_C_LONG), 65535);
        EXPECT_EQ(columnAs<SQLINTEGER>(st, 6, SQL_C_LONG), 1);
        EXPECT_EQ(columnAs<double>(st, 7, SQL_C_DOUBLE), -0.125e-3);
        EXPECT_DOUBLE_EQ(columnAs<double>(st, 8, SQL_C_DOUBLE), 1234.5678);
        EXPECT_EQ(StrToCurr(columnData(st, 9, SQL_C_CHAR)), StrToCurr("-98765.4321"));
        auto d = columnAs<DATE_STRUCT>(st, 10, SQL_C_DATE);
        EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day, 20240229);
        auto t = columnAs<TIME_STRUCT>(st, 11, SQL_C_TIME);
        EXPECT_EQ(t.hour * 10000 + t.minute * 100 + t.second, 70809);
        auto ts = columnAs<TIMESTAMP_STRUCT>(st, 12, SQL_C_TIMESTAMP);
        EXPECT_EQ(ts.year * 10000 + ts.month * 100 + ts.day, 19991231);
        EXPECT_EQ(ts.hour * 10000 + ts.minute * 100 + ts.second, 235958);
        EXPECT_EQ(ts.fraction, 250000000u);
        EXPECT_EQ(columnData(st, 13, SQL_C_CHAR), "first line\nsecond line");
        EXPECT_EQ(columnData(st, 14, SQL_C_BINARY), std::string("\0\1\2\xff\0", 5));
        EXPECT_EQ(columnAs<SQLINTEGER>(st, 15, SQL_C_LONG), 41);
        EXPECT_EQ(columnData(st, 16, SQL_C_CHAR), "9007199254740993");
        EXPECT_EQ(columnData(st, 17, SQL_C_BINARY), std::string("\0\x09\x08", 3));
    }

    static const char* insertAll() { return "INSERT INTO p_all VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"; }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<odbctest::RawConnection> conn;
};

TEST_P(ParamEngineTest, EveryTypeGoesInAndComesBackEqual) {
    TODBCParams params;
    fillAll(params, 1);
    TParamValueList items;
    ODBCStatementHandle ins = prepare(insertAll());
    ExecuteWithParams(ins.get(), params, items, 8192, 8192);
    ASSERT_EQ(items.Count(), 17);

    expectAll(1);
}

TEST_P(ParamEngineTest, EveryTypeSurvivesBeingSentAtExecution) {
    TODBCParams params;
    fillAll(params, 8);
    TParamValueList items;
    ODBCStatementHandle ins = prepare(insertAll());
    ExecuteWithParams(ins.get(), params, items, 0, 3);
    for (int i = 0; i < items.Count(); ++i) EXPECT_TRUE(items[i]->AtExec) << i;
    expectAll(8);
}

TEST_P(ParamEngineTest, NullsOfEveryTypeAreBoundWithTheNullIndicator) {
    TODBCParams params;
    fillAll(params, 2);
    for (int i = 1; i < params.Count(); ++i) params.Items(i)->Clear();
    TParamValueList items;
    ODBCStatementHandle ins = prepare(insertAll());
    ExecuteWithParams(ins.get(), params, items, 8192, 8192);
    for (int i = 1; i < items.Count(); ++i) EXPECT_EQ(items[i]->Length, SQL_NULL_DATA) << i;

    ODBCStatementHandle row = selectRow("SELECT * FROM p_all WHERE id = 2");
    for (int col = 2; col <= 17; ++col) {
        bool isNull = false;
        columnData(row.get(), col, SQL_C_CHAR, &isNull);
        EXPECT_TRUE(isNull) << "column " << col;
    }
}

TEST_P(ParamEngineTest, ARepeatedNameBindsTheFirstValueAtEveryPosition) {
    TODBCParams params;
    params.CreateParam(ftUnknown, "v")->SetAsString("first");
    params.CreateParam(ftUnknown, "other")->SetAsString("middle");
    params.CreateParam(ftUnknown, "V")->SetAsString("never used");
    TParamValueList items;
    ODBCStatementHandle ins = prepare("INSERT INTO p_two (a, b, c) VALUES (?, ?, ?)");
    ExecuteWithParams(ins.get(), params, items, 8192, 8192);
    ODBCStatementHandle row = selectRow("SELECT a, b, c FROM p_two");
    EXPECT_EQ(columnData(row.get(), 1, SQL_C_CHAR), "first");
    EXPECT_EQ(columnData(row.get(), 2, SQL_C_CHAR), "middle");
    EXPECT_EQ(columnData(row.get(), 3, SQL_C_CHAR), "first");
}

TEST_P(ParamEngineTest, LongValuesAreSentAtExecutionInPieces) {
    const std::string text = pattern(1 << 20, false);
    const std::string bytes = pattern(1 << 20, true);
    TODBCParams params;
    params.CreateParam(ftUnknown, "id")->SetAsInteger(3);
    params.CreateParam(ftUnknown, "m")->SetAsString(text);  // ftString: becomes long text at execution
    params.CreateParam(ftUnknown, "bl")->SetBlobData(bytes.data(), bytes.size());
    TParamValueList items;
    ODBCStatementHandle ins = prepare("INSERT INTO p_long (id, m, bl) VALUES (?, ?, ?)");
    ExecuteWithParams(ins.get(), params, items, 8192, 8192);
    EXPECT_FALSE(items[0]->AtExec);
    ASSERT_TRUE(items[1]->AtExec);
    EXPECT_EQ(items[1]->SQLType, SQL_LONGVARCHAR);
    EXPECT_EQ(items[1]->ColumnSize, 2 * (1 << 20));
    EXPECT_EQ(items[1]->PutLength, 1 << 20);  // without the zero byte
    EXPECT_TRUE(items[2]->AtExec);
    EXPECT_EQ(items[2]->SQLType, SQL_LONGVARBINARY);

    ODBCStatementHandle row = selectRow("SELECT m, bl FROM p_long WHERE id = 3");
    EXPECT_TRUE(columnData(row.get(), 1, SQL_C_CHAR) == text);
    EXPECT_TRUE(columnData(row.get(), 2, SQL_C_BINARY) == bytes);
}

TEST_P(ParamEngineTest, TheThresholdAndThePieceSizeAreTheCallersAndOddPiecesArrive) {
    // 9000 characters with the default threshold go at execution; pieces of 7 bytes leave a
    // short last piece.
    const std::string text = pattern(9000, false);
    TODBCParams params;
    params.CreateParam(ftUnknown, "id")->SetAsInteger(4);
    params.CreateParam(ftUnknown, "m")->SetAsString(text);
    params.CreateParam(ftUnknown, "bl")->SetBlobData("ab", 2);
    TParamValueList items;
    ODBCStatementHandle ins = prepare("INSERT INTO p_long (id, m, bl) VALUES (?, ?, ?)");
    ExecuteWithParams(ins.get(), params, items, 8192, 7);
    EXPECT_TRUE(items[1]->AtExec);
    EXPECT_FALSE(items[2]->AtExec);

    // With a threshold of 1 every value goes at execution, the integer's four bytes too.
    params.ParamByName("id")->SetAsInteger(5);
    ExecuteWithParams(ins.get(), params, items, 1, 8192);
    EXPECT_TRUE(items[0]->AtExec);
    EXPECT_TRUE(items[2]->AtExec);
    ODBCStatementHandle row = selectRow("SELECT m, bl FROM p_long WHERE id = 5");
    EXPECT_TRUE(columnData(row.get(), 1, SQL_C_CHAR) == text);
    EXPECT_EQ(columnData(row.get(), 2, SQL_C_BINARY), "ab");
    ODBCStatementHandle first = selectRow("SELECT m FROM p_long WHERE id = 4");
    EXPECT_TRUE(columnData(first.get(), 1, SQL_C_CHAR) == text);
}

TEST_P(ParamEngineTest, EmptyTextAndAFailingStatementAreReported) {
    TODBCParams params;
    params.CreateParam(ftUnknown, "a")->SetAsString("");
    params.CreateParam(ftUnknown, "b")->SetAsString("x");
    params.CreateParam(ftUnknown, "c")->SetAsString("");
    TParamValueList items;
    ODBCStatementHandle ins = prepare("INSERT INTO p_two (a, b, c) VALUES (?, ?, ?)");
    ExecuteWithParams(ins.get(), params, items, 8192, 8192);
    ODBCStatementHandle row = selectRow("SELECT a, b FROM p_two");
    bool isNull = true;
    EXPECT_EQ(columnData(row.get(), 1, SQL_C_CHAR, &isNull), "");
    EXPECT_FALSE(isNull);

    ODBCStatementHandle bad = prepare("INSERT INTO p_all (id, d) VALUES (?, ?)");
    TODBCParams wrong;
    wrong.CreateParam(ftUnknown, "id")->SetAsInteger(9);
    wrong.CreateParam(ftCursor, "d");
    EXPECT_THROW(ExecuteWithParams(bad.get(), wrong, items, 8192, 8192), EODBCDatabaseError);
}

TEST_P(ParamEngineTest, MoneyTextReachesTheDriverWithAPointUnderACommaLocale) {
    if (!paramtest::useCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
    TODBCParams params;
    params.CreateParam(ftUnknown, "id")->SetAsInteger(6);
    params.CreateParam(ftUnknown, "c")->SetAsCurrency(0.5);
    params.CreateParam(ftUnknown, "bcd")->SetAsBCD(StrToCurr("1234.25"));
    TParamValueList items;
    ODBCStatementHandle ins = prepare("INSERT INTO p_all (id, c, bcd) VALUES (?, ?, ?)");
    ExecuteWithParams(ins.get(), params, items, 8192, 8192);
    std::setlocale(LC_ALL, "C");
    ODBCStatementHandle row = selectRow("SELECT c, bcd FROM p_all WHERE id = 6");
    EXPECT_EQ(columnAs<double>(row.get(), 1, SQL_C_DOUBLE), 0.5);
    EXPECT_EQ(columnAs<double>(row.get(), 2, SQL_C_DOUBLE), 1234.25);
}

TEST_P(ParamEngineTest, AParameterNeverGivenAValueIsRefusedByName) {
    tdb->exec("INSERT INTO p_two (a, b, c) VALUES ('0', 'x', 'y')");
    TODBCParams params;
    params.CreateParam(ftUnknown, "a")->SetAsString("0");
    params.CreateParam(ftUnknown, "missing");
    TParamValueList items;
    ODBCStatementHandle sel = prepare("SELECT b FROM p_two WHERE a = ? OR c = ?");
    try {
        ExecuteWithParams(sel.get(), params, items, 8192, 8192);
        FAIL() << "an unset parameter was bound";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "ODBC Field missing undefined type");
    }
    // A typed parameter without a value is as unset; a cleared one is a deliberate NULL.
    params.Items(1)->SetDataType(ftInteger);
    EXPECT_THROW(ExecuteWithParams(sel.get(), params, items, 8192, 8192), EDatabaseError);
    params.Items(1)->Clear();
    EXPECT_NO_THROW(ExecuteWithParams(sel.get(), params, items, 8192, 8192));
    EXPECT_EQ(items[1]->Length, SQL_NULL_DATA);

    // Through a query: opening refuses, and with the value given it finds the row.
    TODBCDatabase db(nullptr);
    db.SetConnectStr(tdb->connectionString());
    db.SetConnected(true);
    TODBCQuery q(nullptr);
    q.SetODBCDatabase(&db);
    q.SetSQLText("SELECT b FROM p_two WHERE a = :a AND c = :c");
    q.ParamByName("a")->SetAsString("0");
    try {
        q.Open();
        FAIL() << "the query opened with :c unset";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "ODBC Field c undefined type");
    }
    EXPECT_FALSE(q.Active());
    q.ParamByName("c")->SetAsString("y");
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.Fields()->Fields(0)->AsString(), "x");
}

TEST_P(ParamEngineTest, SixtyFourBitParametersKeepEveryDigit) {
    const int64_t values[] = {std::numeric_limits<int64_t>::min() + 1, -4294967297LL, 0, 4294967296LL,
                              std::numeric_limits<int64_t>::max()};
    ODBCStatementHandle ins = prepare("INSERT INTO p_all (id, big) VALUES (?, ?)");
    TParamValueList items;
    int id = 100;
    for (int64_t v : values) {
        TODBCParams params;
        params.CreateParam(ftUnknown, "id")->SetAsInteger(++id);
        params.CreateParam(ftUnknown, "big")->SetAsLargeInt(v);
        ExecuteWithParams(ins.get(), params, items, 8192, 8192);
        EXPECT_EQ(items[1]->CType, SQL_C_SBIGINT);
        EXPECT_EQ(items[1]->SQLType, SQL_BIGINT);
    }
    // A 64-bit value in a condition finds exactly its row (a value cut to 32 bits would not).
    ODBCStatementHandle sel = prepare("SELECT id, big FROM p_all WHERE big = ?");
    TODBCParams key;
    key.CreateParam(ftUnknown, "big")->SetAsLargeInt(4294967296LL);
    ExecuteWithParams(sel.get(), key, items, 8192, 8192);
    ASSERT_EQ(SQLFetch(sel.get()), SQL_SUCCESS);
    EXPECT_EQ(columnAs<SQLINTEGER>(sel.get(), 1, SQL_C_LONG), 104);
    EXPECT_EQ(columnAs<SQLBIGINT>(sel.get(), 2, SQL_C_SBIGINT), 4294967296LL);
    EXPECT_EQ(SQLFetch(sel.get()), SQL_NO_DATA);
    ODBCStatementHandle all = selectRow("SELECT big FROM p_all WHERE id = 101");
    EXPECT_EQ(columnAs<SQLBIGINT>(all.get(), 1, SQL_C_SBIGINT), std::numeric_limits<int64_t>::min() + 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, ParamEngineTest, TESTSUPPORT_ENGINES);
