#pragma once
// A fresh database with every table, a data module on it and scripted dialogs, for driving the
// program's windows through their controls on both engines.
#include "DataModule.h"
#include "Query.h"
#include "ScriptedDialogs.h"
#include "TestDatabase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace testsupport {

/// Every table of the program in the database at `connection`.
void createSchema(const std::string& connection);
/// Lets shown windows run their posted work and deletes what was closed.
void settle(int rounds = 3);

class WindowTest : public ::testing::TestWithParam<testsupport::Engine> {
protected:
    void SetUp() override;
    void TearDown() override;
    /// What SetUp does for GetParam(); for fixtures that get their engine another way.
    void openDatabase(testsupport::Engine engine);

    /// A window of class W, shown (its show handler has run).
    template <typename W>
    W* open()
    {
        auto* w = new W;
        windows_.append(w);
        w->resize(1100, 700);
        w->show();
        QApplication::setActiveWindow(w);
        return w;
    }

    /// Runs a statement on the data module's connection (test data written straight in).
    void exec(const QString& sql, const QVariantList& values = {});
    /// First column of the first row of a select, read as text ("" for NULL or no row).
    QString scalar(const QString& sql, const QVariantList& values = {});
    int count(const QString& table);


    static QWidget* find(QWidget* w, const QString& name);
    static void setText(QWidget* w, const QString& control, const QString& text);
    static QString text(QWidget* w, const QString& control);
    static void click(QWidget* w, const QString& button);
    static void clickTitle(QTableView* grid, int section);
    static void clickRow(QTableView* grid, int row);

    std::unique_ptr<testsupport::TestDatabase> db_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<kestrum::ui::ScriptedDialogs> dialogs_;
    QList<QPointer<QWidget>> windows_;
};

}  // namespace testsupport
