#include "InvoicingFixture.h"

#include "AuxWindow.h"
#include "InvoicingWindows.h"
#include "WindowFactory.h"

#include <QFocusEvent>

using namespace kestrum;

void InvoicingTest::SetUp()
{
    WindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    ui::WindowFactory::clear();
    registerInvoicingWindows();
    ui::createAuxWindow("TInvPartFind", "Part Find");
    ui::createAuxWindow("TInvLaborFind", "Labor Find");
}

void InvoicingTest::TearDown()
{
    // Editors opened without a frame are top-level windows; deleting one frees its popups too.
    QList<QPointer<QWidget>> editors;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<kestrum::lines::LineEditor*>(w))
            editors << w;
    for (const QPointer<QWidget>& w : editors)
        delete w.data();
    ui::destroyAuxWindows();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    WindowTest::TearDown();
    ui::WindowFactory::clear();
}

void InvoicingTest::seedShop()
{
    exec("Insert Into Customer (ID_Customer, Name_Customer, Address_Customer, City_Customer, State_Customer, "
         "Zip_Customer) Values (1, 'Whitfield Hauling', '12 Orchard Rd', 'Millbrook', 'NY', '12545')");
    exec("Insert Into Employee (ID_Employee, Name_Employee) Values (1, 'Sam Ortega')");
    exec("Insert Into Part (ID_Material, Number_Material, Description_Material, Mfg_Material, Style_Material, "
         "Color_Material, Price_Material) Values (1, 'Brake pad', 'Front brake pad set', 'Acme', 'Disc', 'BP-1', 10)");
    exec("Insert Into Part (ID_Material, Number_Material, Description_Material, Mfg_Material, Style_Material, "
         "Color_Material, Price_Material) Values (2, 'Rotor', 'Vented ROTOR', 'Acme', 'Disc', 'RT-2', 12.3456)");
    exec("Insert Into Labor (ID_Labor, Description_Labor, PartNo_Labor, Rate_Labor, Remark_Labor) "
         "Values (1, 'Brake job', 'Front axle', 80, 'both sides')");
    exec("Insert Into Labor (ID_Labor, Description_Labor, PartNo_Labor, Rate_Labor, Remark_Labor) "
         "Values (2, 'Road test', '', 40, '')");
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (1, ?, 1, 12, 0.0825)",
         {QDate::currentDate().year()});
}

void InvoicingTest::addInvoice(int number, const QString& customer, bool taxable, const QDate& date, bool paid)
{
    exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, DueDate_Inv, Amount_Inv, "
         "Tax_Inv) Values (?, ?, ?, ?, ?, 0, ?)",
         {number, paid, customer, date, date, taxable});
}

void InvoicingTest::leave(QWidget* w, const QString& control)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(find(w, control), &out);
}

TInvItem* InvoicingTest::openPartLines(TInvoice* w)
{
    click(w, "Button6");
    return InvItem;
}

TInvLabor* InvoicingTest::openLaborLines(TInvoice* w)
{
    click(w, "Button8");
    return InvLabor;
}

void InvoicingTest::chooseName(QWidget* editor, const QString& name)
{
    auto* combo = editor->findChild<QComboBox*>("ComboBox1");
    ASSERT_NE(combo, nullptr);
    const int index = combo->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    combo->setCurrentIndex(index);
}
