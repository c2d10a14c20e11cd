#include "TBill.h"

#include "ui_TBill.h"

#include "DataModule.h"
#include "Decimal.h"
#include "Dialogs.h"
#include "Format.h"
#include "Grid.h"
#include "History.h"
#include "InputError.h"
#include "Locate.h"
#include "Mdi.h"
#include "Query.h"
#include "Transaction.h"
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
    loaded_ = LoadedBill{q->FieldByName("Ref_Bill").AsString(), q->FieldByName("Vendor_Bill").AsString(),
                         q->FieldByName("BillDate_Bill").AsVariant(),
                         q->fieldIndex(RowVersionColumn) >= 0 ? q->FieldByName(RowVersionColumn).AsInteger() : 0};
    proposedRef_.clear();
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
    // A bill's lines are those of its reference and vendor: other vendors may use the reference.
    const QVariantList bill = {textValue(ref), textValue(ui->ComboBox1->currentText())};
    openQuery(DM->QBillPart3,
              {"Select Name_Bill,Qty_Bill,Rate_Bill,Amount_Bill ,Inv_Bill From BillItem where Inv_Bill =?",
               "and Vendor_Bill =?"},
              bill);
    parts_->setColumns({{"", 240}, {"", 30}, {"", 40}, {"", 40}, {"", 40}});
    ui->Label12->setText(sumText(DM->QBillPart4, "Amount_Bill", "BillItem", {"Inv_Bill", "Vendor_Bill"}, bill));
    showTotal();
}

void TBill::refreshExpenseLines(const QString& ref) {
    const QVariantList bill = {textValue(ref), textValue(ui->ComboBox1->currentText())};
    openQuery(
        DM->QBillExpense3,
        {"Select Description_Expense,PartNo_Expense,Qty_Expense,Rate_Expense,Amount_Expense ,Remark_Expense,"
         "Bill_Expense From BillExpense where Bill_Expense =?",
         "and Vendor_Expense =?"},
        bill);
    expenses_->setColumns({{"", 150}, {"", 30}, {"", 40}, {"", 40}, {"", 40}, {"", 40}, {"", 40}});
    ui->Label15->setText(
        sumText(DM->QBillExpense4, "Amount_Expense", "BillExpense", {"Bill_Expense", "Vendor_Expense"}, bill));
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
    // The highlighted row stays the bill the boxes show, found by its reference and vendor.
    if (loaded_)
        locateRecord(*DM->QBill1, {{"Ref_Bill", loaded_->ref}, {"Vendor_Bill", loaded_->vendor}});
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

QString TBill::nextReference() {
    // The highest numeric reference plus one; references that are not numbers do not count.
    openQuery(DM->QBill2, {"Select Ref_Bill From Bill"});
    std::optional<qint64> highest;
    for (DM->QBill2->First(); !DM->QBill2->Eof(); DM->QBill2->Next()) {
        bool ok = false;
        const qint64 n = DM->QBill2->FieldByName("Ref_Bill").AsString().trimmed().toLongLong(&ok);
        if (ok && (!highest || n > *highest))
            highest = n;
    }
    return highest ? QString::number(*highest + 1) : QStringLiteral("1000");
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
    loaded_.reset();
    proposedRef_ = nextReference();
    ui->Edit1->setText(proposedRef_);
    ui->Edit1->setFocus(Qt::OtherFocusReason);
}

ColumnValues TBill::billValues(const QString& ref) const {
    // The bill date is part of what identifies the bill, so it must be a date.
    const QDate billDate = requireDate(ui->Edit2->text(), captionOf("Edit2"));
    const QVariant dueDate = optionalDate(ui->Edit3->text(), captionOf("Edit3"));
    const Decimal amount = decimalOrZero(ui->Edit4->text(), captionOf("Edit4"));
    return {{"Ref_Bill", textValue(ref)},
            {"Vendor_Bill", textValue(ui->ComboBox1->currentText())},
            {"BillDate_Bill", billDate},
            {"Chart_Bill", textValue(ui->ComboBox2->currentText())},
            {"SubChart_Bill", textValue(ui->ComboBox3->currentText())},
            {"DueDate_Bill", dueDate},
            {"Amount_Bill", decimalValue(amount)},
            {"Address_Bill", textValue(ui->Memo1->toPlainText())},
            {"Remark_Bill", textValue(ui->Memo2->toPlainText())}};
}

QString TBill::insertBill() {
    QString ref = ui->Edit1->text();
    // Only a reference the program proposed may be changed for the user; a typed one is the vendor's.
    const bool proposed = !proposedRef_.isEmpty() && ref == proposedRef_;
    for (int attempt = 0; attempt < 50; ++attempt) {
        ColumnValues values = billValues(ref);
        const ColumnValues key = {values.takeFirst(), values.takeFirst()};
        // Not on the list query: a line editor may be saving, and the list stays on screen.
        if (insertIfFree(DM->QBill2, "Bill", key, values))
            return ref;
        if (!proposed)
            return {};
        ref = nextReference();
    }
    throw DatabaseError(busyMessage(), DatabaseError::Reason::Busy);
}

void TBill::Button2Click() {
    const QString ref = ui->Edit1->text();
    if (ref.trimmed().isEmpty())
        return;
    const ColumnValues values = billValues(ref);  // bad input stops here, before the question
    const QString vendor = ui->ComboBox1->currentText();
    if (!ui::confirm(SaveQuestion)) {
        Button5Click();
        ui->DBGrid1->setFocus(Qt::OtherFocusReason);
        return;
    }
    enum class Outcome { Saved, Taken, Changed, Duplicate } outcome = Outcome::Saved;
    QString stored = ref;
    retryOnce([&] {
        Transaction transaction(DM->database());
        outcome = Outcome::Saved;
        stored = ref;
        if (loaded_) {
            // The bill the window loaded, found by what it was loaded as: a corrected reference,
            // vendor or date changes that bill instead of making a second one.
            const bool renamed = loaded_->ref.compare(ref, Qt::CaseInsensitive) != 0 ||
                                 loaded_->vendor.compare(vendor, Qt::CaseInsensitive) != 0;
            if (renamed) {
                openQuery(DM->QBill2, {"Select Count(*) From Bill where Ref_Bill =?", "and Vendor_Bill =?"},
                          {textValue(ref), textValue(vendor)});
                if (DM->QBill2->fieldAt(0, 0).AsInteger() > 0) {
                    outcome = Outcome::Duplicate;
                    return;
                }
            }
            const ColumnValues where = {{"Ref_Bill", textValue(loaded_->ref)},
                                        {"Vendor_Bill", textValue(loaded_->vendor)},
                                        {"BillDate_Bill", loaded_->date}};
            if (!updateIfUnchanged(DM->QBill1, "Bill", where, loaded_->version, values)) {
                outcome = Outcome::Changed;
                return;
            }
            if (renamed) {
                // Lines and payments go with their bill.
                const QVariantList move = {textValue(ref), textValue(vendor), textValue(loaded_->ref),
                                           textValue(loaded_->vendor)};
                execQuery(DM->QBill1, {" Update BillItem  Set Inv_Bill =?, Vendor_Bill =?",
                                       " where Inv_Bill =? and Vendor_Bill =?"}, move);
                execQuery(DM->QBill1, {" Update BillExpense  Set Bill_Expense =?, Vendor_Expense =?",
                                       " where Bill_Expense =? and Vendor_Expense =?"}, move);
                execQuery(DM->QBill1, {" Update Payable  Set BillNo_Payable =?, Name_Payable =?",
                                       " where BillNo_Payable =? and Name_Payable =?"}, move);
            }
        } else {
            stored = insertBill();
            if (stored.isEmpty()) {
                outcome = Outcome::Taken;
                return;
            }
        }
        transaction.commit();
    });
    switch (outcome) {
    case Outcome::Saved:
        if (stored != ref)
            ui::showMessage(QStringLiteral("Saved as bill %1: reference %2 was saved at another workstation "
                                           "meanwhile.").arg(stored, ref));
        else
            ui::showMessage("Saved!");
        break;
    case Outcome::Taken:
    case Outcome::Duplicate:
        ui::showMessage(QStringLiteral("%1 already has a bill with the reference %2. Nothing was saved.")
                            .arg(vendor.trimmed().isEmpty() ? QStringLiteral("This vendor") : vendor, ref));
        return;
    case Outcome::Changed:
        if (ui::confirm(QStringLiteral("This bill was changed or deleted at another workstation after you opened "
                                       "it. Nothing was saved. Load the bills as they are now?")))
            Button5Click();
        return;
    }
    Button5Click();
    ui->DBGrid1->setFocus(Qt::OtherFocusReason);
}

kestrum::lines::LineHold TBill::holdForLines(const QString& ref, const QString& vendor) {
    const bool shown = ref == ui->Edit1->text().trimmed() && vendor == ui->ComboBox1->currentText();
    if (shown && !loaded_) {
        // A new bill is stored with its first line, so the line has a bill to belong to.
        const QString stored = insertBill();
        if (stored.isEmpty())
            throw DatabaseError(QStringLiteral("%1 already has a bill with the reference %2. The line was not saved.")
                                    .arg(vendor, ref));
        ColumnValues values = billValues(stored);
        loaded_ = LoadedBill{stored, vendor, values[2].second, 0};
        proposedRef_.clear();
        QString notice;
        if (stored != ref) {
            ui->Edit1->setText(stored);
            notice = QStringLiteral("The bill was saved as %1: reference %2 was saved at another workstation "
                                    "meanwhile.").arg(stored, ref);
        }
        return {stored, notice};
    }
    if (!lockRow(DM->QBill2, "Bill", {{"Ref_Bill", textValue(ref)}, {"Vendor_Bill", textValue(vendor)}}))
        throw DatabaseError(QStringLiteral("Bill %1 of %2 is not in the database (deleted at another workstation, "
                                           "or its reference or vendor changed and not saved yet). The line was "
                                           "not saved.").arg(ref, vendor));
    return {ref, {}};
}

void TBill::Button4Click() {
    const QString ref = ui->Edit1->text();
    if (ref.trimmed().isEmpty())
        return;
    const QDate billDate = requireDate(ui->Edit2->text(), captionOf("Edit2"));
    if (!ui::confirm(DeleteQuestion))
        return;
    const QVariantList bill = {textValue(ref), textValue(ui->ComboBox1->currentText())};
    bool paid = false;
    retryOnce([&] {
        Transaction transaction(DM->database());
        // A bill with payments stays: deleting it would leave payments for nothing.
        openQuery(DM->QBill2, {"Select Count(*) From Payable where BillNo_Payable =?", "and Name_Payable =?"}, bill);
        paid = DM->QBill2->fieldAt(0, 0).AsInteger() > 0;
        if (paid)
            return;
        const int removed = execQuery(
            DM->QBill1, {"Delete  From Bill where Ref_Bill=?", "and Vendor_Bill=?", "and BillDate_Bill=?"},
            bill + QVariantList{billDate});
        // Its lines go with it, so they never turn up on a later bill with that reference.
        if (removed > 0) {
            execQuery(DM->QBill1, {"Delete  From BillItem where Inv_Bill=?", "and Vendor_Bill=?"}, bill);
            execQuery(DM->QBill1, {"Delete  From BillExpense where Bill_Expense=?", "and Vendor_Expense=?"}, bill);
        }
        transaction.commit();
    });
    if (paid) {
        ui::showMessage(QStringLiteral("Bill %1 has payments and was not deleted. Delete its payments first.").arg(ref));
        return;
    }
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
