#pragma once
// The window fixture with this module's windows registered and invoice rows to pay against.
#include "WindowTest.h"

#include "ListCombo.h"
#include "ReceivablesWindows.h"
#include "WindowFactory.h"

#include <QDate>
#include <QPlainTextEdit>

class ReceivablesTest : public testsupport::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        kestrum::registerReceivablesWindows();
    }
    void TearDown() override
    {
        // Windows this module opened by itself (find, list) are not in windows_.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->testAttribute(Qt::WA_DeleteOnClose) && !windows_.contains(w))
                windows_.append(w);
        WindowTest::TearDown();
        kestrum::ui::WindowFactory::clear();
    }

    void invoice(int number, const QString& customer, const QString& amount)
    {
        exec("Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, Amount_Inv) Values (?, ?, ?)",
             {number, customer, amount});
    }
    void payment(int invoice, const QString& ref, const QString& amount, const QString& name = "Ann",
                 const QDate& date = QDate(2026, 3, 4))
    {
        exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, ViaPayment_Receivable, "
             "PayDate_Receivable, Ref_Receivable, DepositTo_Receivable, Amount_Receivable) Values (?,?,?,?,?,?,?)",
             {invoice, name, QString("Check"), date.startOfDay(), ref, QString("Main"), amount});
    }
    /// The list a combo shows after its drop-down was announced.
    static QStringList dropDown(QWidget* w, const QString& combo)
    {
        auto* c = w->findChild<kestrum::records::ListCombo*>(combo);
        EXPECT_NE(c, nullptr) << combo.toStdString();
        if (!c)
            return {};
        emit c->dropDown();
        QStringList items;
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
        return items;
    }
    static QString memo(QWidget* w, const QString& name)
    {
        auto* m = w->findChild<QPlainTextEdit*>(name);
        return m ? m->toPlainText() : QString();
    }
    static QString today() { return QDate::currentDate().toString("M/d/yyyy"); }
};
