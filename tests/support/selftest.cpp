#include "TestDatabase.h"

#include <gtest/gtest.h>

using testsupport::Engine;

class TestDatabaseTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override { TESTSUPPORT_REQUIRE_ENGINE(GetParam()); }
};

TEST_P(TestDatabaseTest, FreshDatabaseTakesStatementsAndReportsErrors) {
    testsupport::TestDatabase db(GetParam());
    db.exec("CREATE TABLE t (a integer)");
    db.exec("INSERT INTO t VALUES (1)");
    EXPECT_THROW(db.exec("SELECT * FROM no_such_table"), std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(Engines, TestDatabaseTest, TESTSUPPORT_ENGINES);
