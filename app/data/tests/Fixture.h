#pragma once
// A created database on one engine with a data module connected to it.
#include "DataModule.h"
#include "Schema.h"
#include "TestDatabase.h"

#include <QSqlError>

#include <gtest/gtest.h>

#include <memory>

class DataTest : public ::testing::TestWithParam<testsupport::Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb_ = std::make_unique<testsupport::TestDatabase>(GetParam());
        const QString conn = QString::fromStdString(tdb_->kestrumConnection());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "create");
            db.setDatabaseName(conn);
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            kestrum::schema::createDatabase(db);
            db.close();
        }
        QSqlDatabase::removeDatabase("create");
        dm_ = std::make_unique<TDM>(conn);
    }
    void TearDown() override {
        dm_.reset();
        tdb_.reset();
    }
    // Runs one bound statement on the scratch query Q5.
    int exec(const QString& sql, const QVariantList& values = {}) {
        dm_->Q5->Clear();
        dm_->Q5->Add(sql);
        for (const QVariant& v : values) dm_->Q5->Bind(v);
        return dm_->Q5->ExecSQL();
    }

    std::unique_ptr<testsupport::TestDatabase> tdb_;
    std::unique_ptr<TDM> dm_;
};
