#include "TBill.h"

#include "ui_TBill.h"

#include "DataModule.h"
#include "Decimal.h"
#include "Dialogs.h"
#include "Format.h"
#include "Grid.h"
#include "History.h"
#include "InputError.h"
#include "Mdi.h"
#include "Query.h"
#include "TBillExpense.h"
#include "TBillPart.h"
#include "TPayable.h"
#include "UpperCaseValidator.h"

#include <QFocusEvent>

using namespace kestrum;
using namespace kestrum::purchasing;

QPointer<TBill> Bill;

namespace {
const QStringList BillColumns = {"Ref_Bill",     "Vendor_Bill",   "BillDate_Bill",
                                 "DueDate_Bill", "Amount_Bill",   "Address_Bill",
                                 "Chart_Bill",   "SubChart_Bill", "Remark_Bill"};
} // namespace

TBill::TBill(QWidget* parent) : Window(parent), ui(std::make_unique<Ui::TBill>()) {
    ui->setupUi(this);
    grid_ = bindGrid(ui->DBGrid1, DM->QBill1, this).grid;
    parts_ = bindGrid(ui->DBGrid2, DM->QBillPart3, this).grid;
    expenses_ = bindGrid(ui->DBGrid3, DM->QBillExpense3, this).grid;
    ui->Edit13->setValidator(new records::UpperCaseValidator(ui->Edit13));

    fillOnDropDown(ui->ComboBox1, DM->QBill2, "Select distinct Name_Company From Company", "Name_Company");
    fillOnDropDown(ui->ComboBox2, DM->QBill2, "Select distinct Chart_Bill From Bill", "Chart_Bill");
    fillOnDropDown(ui->ComboBox3, DM->QBill2, "Select distinct SubChart_Bill From Bill", "SubChart_Bill");
    wirePicker(ui->DateTimePicker1, ui->Edit2);
    wirePicker(ui->DateTimePicker2, ui->Edit3);

    onClick("Button2", [this] { Button2Click(); });
    onClick("Button3", [this] { Button3Click(); });
    onClick("Button4", [this] { Button4Click(); });
    onClick("Button5", [this] { Button5Click(); });
    onClick("Button6", [] { ui::openMdiChild(new TBillPart); });
    onClick("Button8", [] { ui::openMdiChild(new TBillExpense); });
    onClick("Button11", [this] { Button11Click(); });
    onClick("Button10", [] { records::openChildHistory("TPayableHistory"); });
    onClick("Button1", [this] { ui::closeWindow(this); });
    // Neither has ever had an action.
    ui->Button7->setEnabled(false);
    ui->Button9->setEnabled(false);

    // Payments count for the bill of their reference and vendor.
    connect(ui->Edit1, &QLineEdit::textChanged, this, [this] { guard([this] { showPaid(); }); });
    connect(ui->ComboBox1, &QComboBox::editTextChanged, this, [this] { guard([this] { showPaid(); }); });
    connect(ui->Edit13, &QLineEdit::textChanged, this,
            [this](const QString& t) { guard([&] { search(t); }); });

    auto selected = [this] { loadSelected(); };
    connect(ui->DBGrid1, &QTableView::clicked, this, [this](const QModelIndex& index) {
        guard([&] {
            DM->QBill1->SetRecNo(index.row());
            loadSelected();
        });
    });
    connect(grid_, &ui::Grid::keyReleased, this, [this, selected] {
        if (ui->DBGrid1->hasFocus())
            guard(selected);
    });
    connect(grid_, &ui::Grid::titleClicked, this,
            [this](int position, const QString& field) { guard([&] { titleClick(position, field); }); });
    wireNavigator(ui->DBNavigator1, DM->QBill1, selected);
    ui->ComboBox1->installEventFilter(this);

    Bill = this;
}

TBill::~TBill() {
    ui->ComboBox1->removeEventFilter(this);
}

bool TBill::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->ComboBox1 && event->type() == QEvent::FocusOut) {
        // Not when the drop-down list takes the focus: the vendor is still being chosen.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            guard([this] { ComboBox1Exit(); });
    }
    return Window::eventFilter(watched, event);
}

void TBill::formShow() {
    ui->DateTimePicker1->setDate(QDate::currentDate());
    ui->DateTimePicker2->setDate(QDate::currentDate());
    openQuery(DM->QBill1, {"Select * From Bill"});
    DM->QBill1->Last();
    loadSelected();
    setColumns();
}

void TBill::setColumns() {
    grid_->setColumns(
        {{"Ref #", 60}, {"Vendor Name", 120}, {"Bill Date", 70}, {"Due Date", 70}, {"Amount", 50}});
    grid_->markSorted(-1);
}

void TBill::loadSelected() {
    Query* q = DM->QBill1;
    if (!q->Active() || q->RecNo() < 0)
        return;
    loading_ = true;
    ui->Edit1->setText(q->FieldByName("Ref_Bill").AsString());
    ui->Edit2->setText(q->FieldByName("BillDate_Bill").AsString());
    ui->Edit3->setText(q->FieldByName("DueDate_Bill").AsString());
    ui->Memo2->setPlainText(q->FieldByName("Remark_Bill").AsString());
    ui->Edit4->setText(q->FieldByName("Amount_Bill").AsString());
    ui->Memo1->setPlainText(q->FieldByName("Address_Bill").AsString());
    ui->ComboBox1->setEditText(q->FieldByName("Vendor_Bill").AsString());
    ui->ComboBox2->setEditText(q->FieldByName("Chart_Bill").AsString());
    ui->ComboBox3->setEditText(q->FieldByName("SubChart_Bill").AsString());
    loading_ = false;
    // Every load shows both kinds of lines of the bill and what it has been paid.
    refreshExpenseLines(ui->Edit1->text());
    refreshPartLines(ui->Edit1->text());
    showPaid();
}

void TBill::showPaid() {
    if (loading_)
        return;
    ui->Label19->setText(sumText(DM->QPayable2, "Amount_Payable", "Payable",
                                 {"BillNo_Payable", "Name_Payable"},
                                 {textValue(ui->Edit1->text()), textValue(ui->ComboBox1->currentText())}));
}

void TBill::refreshPartLines(const QString& ref) {
    openQuery(DM->QBillPart3,
              {"Select Name_Bill,Qty_Bill,Rate_Bill,Amount_Bill ,Inv_Bill From BillItem where Inv_Bill =?"},
              {textValue(ref)});
    parts_->setColumns({{"", 240}, {"", 30}, {"", 40}, {"", 40}, {"", 40}});
    ui->Label12->setText(sumText(DM->QBillPart4, "Amount_Bill", "BillItem", {"Inv_Bill"}, {textValue(ref)}));
    showTotal();
}

void TBill::refreshExpenseLines(const QString& ref) {
    openQuery(
        DM->QBillExpense3,
        {"Select Description_Expense,PartNo_Expense,Qty_Expense,Rate_Expense,Amount_Expense ,Remark_Expense,"
         "Bill_Expense From BillExpense where Bill_Expense =?"},
        {textValue(ref)});
    expenses_->setColumns({{"", 150}, {"", 30}, {"", 40}, {"", 40}, {"", 40}, {"", 40}, {"", 40}});
    ui->Label15->setText(
        sumText(DM->QBillExpense4, "Amount_Expense", "BillExpense", {"Bill_Expense"}, {textValue(ref)}));
    showTotal();
}

void TBill::showTotal() {
    // The bill's lines together: parts plus expenses.
    const Decimal total =
        Decimal::fromVariant(ui->Label12->text()) + Decimal::fromVariant(ui->Label15->text());
    ui->Label14->setText(total.isZero() ? QStringLiteral("0.00") : formatMoney(total));
}

void TBill::titleClick(int position, const QString& field) {
    grid_->markSorted(-1);
    if (field.isEmpty() || !BillColumns.contains(field, Qt::CaseInsensitive))
        return;
    DM->QBill1->SetSort(field);
    grid_->markSorted(position);
}

void TBill::search(const QString& text) {
    Query* q = DM->QBill1;
    if (!q->Active())
        return;
    // Before any title click the list is searched by reference.
    q->Locate(q->Sort().isEmpty() ? QStringLiteral("Ref_Bill") : q->Sort(), text, true);
    loadSelected();
}

void TBill::ComboBox1Exit() {
    ui->Memo1->clear();
    openQuery(DM->QBill3, {"Select * From Company where Name_Company =?"},
              {textValue(ui->ComboBox1->currentText())});
    Query* q = DM->QBill3;
    ui->Memo1->setPlainText(
        q->FieldByName("Address_Company").AsString() + " " + q->FieldByName("City_Company").AsString() +
        ", " + q->FieldByName("State_Company").AsString() + " " + q->FieldByName("Zip_Company").AsString());
}

void TBill::Button3Click() {
    for (QLineEdit* e : {ui->Edit1, ui->Edit2, ui->Edit3})
        e->clear();
    ui->Memo1->clear();
    ui->Memo2->clear();
    for (QComboBox* c : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3})
        c->setEditText(QString());
    ui->Edit4->setText("0.00");
    ui->Edit2->setText(today());
    ui->Edit3->setText(today());
    // The highest numeric reference plus one; references that are not numbers do not count.
    openQuery(DM->QBill2, {"Select Ref_Bill From Bill"});
    std::optional<qint64> highest;
    for (DM->QBill2->First(); !DM->QBill2->Eof(); DM->QBill2->Next()) {
        bool ok = false;
        const qint64 n = DM->QBill2->FieldByName("Ref_Bill").AsString().trimmed().toLongLong(&ok);
        if (ok && (!highest || n > *highest))
            highest = n;
    }
    ui->Edit1->setText(highest ? QString::number(*highest + 1) : QStringLiteral("1000"));
    ui->Edit1->setFocus(Qt::OtherFocusReason);
}

void TBill::Button2Click() {
    const QString ref = ui->Edit1->text();
    if (ref.trimmed().isEmpty())
        return;
    // The bill date is part of what identifies the bill, so it must be a date.
    const QDate billDate = requireDate(ui->Edit2->text(), captionOf("Edit2"));
    const QVariant dueDate = optionalDate(ui->Edit3->text(), captionOf("Edit3"));
    const Decimal amount = decimalOrZero(ui->Edit4->text(), captionOf("Edit4"));
    const QString vendor = ui->ComboBox1->currentText();
    if (ui::confirm(SaveQuestion)) {
        const QVariantList identity = {textValue(ref), textValue(vendor), billDate};
        openQuery(DM->QBill2,
                  {"Select * From Bill where Ref_Bill=?", "and Vendor_Bill=?", "and BillDate_Bill=?"},
                  identity);
        const bool exists = DM->QBill2->RecordCount() != 0;
        const QVariantList rest = {textValue(ui->ComboBox2->currentText()),
                                   textValue(ui->ComboBox3->currentText()),
                                   dueDate,
                                   decimalValue(amount),
                                   textValue(ui->Memo1->toPlainText()),
                                   textValue(ui->Memo2->toPlainText())};
        if (exists) {
            execQuery(DM->QBill1,
                      {" Update Bill  Set Chart_Bill =?,", " SubChart_Bill =?,", " DueDate_Bill =?,",
                       " Amount_Bill =?,", " Address_Bill =?,", " Remark_Bill =?", " where Ref_Bill =?",
                       "and Vendor_Bill=?", "and BillDate_Bill=?"},
                      rest + identity);
        } else {
            execQuery(DM->QBill1,
                      {" Insert Into Bill ( Ref_Bill, Vendor_Bill,BillDate_Bill,Chart_Bill,SubChart_Bill,",
                       " DueDate_Bill,Amount_Bill,Address_Bill,Remark_Bill ) Values ( ?,?,?,?,?,?,?,?,?)"},
                      identity + rest);
        }
        ui::showMessage("Saved!");
    }
    Button5Click();
    ui->DBGrid1->setFocus(Qt::OtherFocusReason);
}

void TBill::Button4Click() {
    const QString ref = ui->Edit1->text();
    if (ref.trimmed().isEmpty())
        return;
    const QDate billDate = requireDate(ui->Edit2->text(), captionOf("Edit2"));
    if (!ui::confirm(DeleteQuestion))
        return;
    // The lines and payments stay: they belong to the reference, which another bill may share.
    execQuery(DM->QBill1, {"Delete  From Bill where Ref_Bill=?", "and Vendor_Bill=?", "and BillDate_Bill=?"},
              {textValue(ref), textValue(ui->ComboBox1->currentText()), billDate});
    Button5Click();
}

void TBill::Button5Click() {
    openQuery(DM->QBill1, {"Select * From Bill"});
    DM->QBill1->First();
    loadSelected();
    setColumns();
}

void TBill::Button11Click() {
    auto* w = new TPayable;
    ui::openMdiChild(w);
    w->showBill(ui->Edit1->text(), ui->ComboBox1->currentText());
}
