#pragma once
// One database per engine for the schema's tests, opened as the program opens it.
#include "Schema.h"
#include "TestDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <memory>

namespace schema = kestrum::schema;

namespace schematest {

using testsupport::Engine;

class SchemaTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb_ = std::make_unique<testsupport::TestDatabase>(GetParam());
        db_ = QSqlDatabase::addDatabase("QODBC", "schema-test");
        db_.setDatabaseName(QString::fromStdString(tdb_->kestrumConnection()));
        ASSERT_TRUE(db_.open()) << db_.lastError().text().toStdString();
    }
    void TearDown() override {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase("schema-test");
        tdb_.reset();
    }
    QStringList columnsOf(const QString& table) {
        QSqlQuery q(db_);
        EXPECT_TRUE(q.exec("SELECT * FROM " + table + " WHERE 1 = 0")) << table.toStdString();
        QStringList names;
        for (int i = 0; i < q.record().count(); ++i) names << q.record().fieldName(i).toLower();
        return names;
    }
    void exec(const QString& sql) {
        QSqlQuery q(db_);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    }
    int count(const QString& sql) {
        QSqlQuery q(db_);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << q.lastError().text().toStdString();
        return q.next() ? q.value(0).toInt() : -1;
    }

    std::unique_ptr<testsupport::TestDatabase> tdb_;
    QSqlDatabase db_;
};

}  // namespace schematest
