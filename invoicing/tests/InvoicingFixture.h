#pragma once
// The window fixture with the invoicing windows registered, the finders created as at start-up,
// and a small shop: a customer, an employee, parts, labor jobs and tax rates.
#include "WindowTest.h"

#include "InvoiceLines.h"
#include "Mdi.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include "TInvoice.h"

class InvoicingTest : public testsupport::WindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Customer "Whitfield Hauling", employee "Sam Ortega", parts BP-1 "Brake pad" at 10 and
    /// RT-2 "Rotor" at 12.3456, labor "Brake job" at 80 and "Road test" at 40, and the tax rate
    /// 0.0825 for every month of this year.
    void seedShop();
    /// An invoice header written straight into the table.
    void addInvoice(int number, const QString& customer, bool taxable, const QDate& date = QDate::currentDate(),
                    bool paid = false);
    /// What leaving a box does (the amount rule, the customer's address).
    static void leave(QWidget* w, const QString& control);
    /// Opens the part-line or labor-line editor of an invoice window through its button.
    TInvItem* openPartLines(TInvoice* w);
    TInvLabor* openLaborLines(TInvoice* w);
    /// Picks a name in an editor's name combo the way choosing it from the list does.
    static void chooseName(QWidget* editor, const QString& name);
};
