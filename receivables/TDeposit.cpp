#include "TDeposit.h"

#include "ui_TDeposit.h"

#include "Combos.h"
#include "DataModule.h"
#include "Dialogs.h"
#include "FirstShow.h"
#include "Format.h"
#include "Grid.h"
#include "InputError.h"
#include "Locate.h"
#include "Mdi.h"
#include "Query.h"
#include "QueryModel.h"
#include "RowDelete.h"

#include <QSignalBlocker>

using namespace kestrum;
using kestrum::receivables::ColumnValue;

QPointer<TDeposit> Deposit;

namespace {

const QString SaveQuestion = QStringLiteral("Are you sure you want to Save this Record?");
const QString DeleteQuestion = QStringLiteral("Are you sure you want to Delete this Record?");

const QList<ui::GridColumn>& columnLayout(bool titles)
{
    // At show the titles stay the column names; after a save or reload they are named.
    static const QList<ui::GridColumn> named = {{"Deposit To", 150}, {"Date", 70}, {"From", 150}, {"Acc", 70},
                                                {"SubAcc", 70},      {"Chk#", 100}, {"Amount", 100}, {"Remark", 100}};
    static const QList<ui::GridColumn> plain = [] {
        QList<ui::GridColumn> c = named;
        for (ui::GridColumn& g : c)
            g.title.clear();
        return c;
    }();
    return titles ? named : plain;
}

QVariant textValue(const QString& text)
{
    return QVariant(text.isNull() ? QString(QLatin1String("")) : text);
}

}  // namespace

TDeposit::TDeposit(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TDeposit>())
{
    setAttribute(Qt::WA_DeleteOnClose);
    ui->setupUi(this);

    const ui::GridBinding bound = ui::bindGrid(ui->DBGrid1, DM->QDeposit1, this);
    model_ = bound.model;
    grid_ = bound.grid;

    auto guard = [this](void (TDeposit::*handler)()) {
        return [this, handler] { ui::runGuarded(this, [&] { (this->*handler)(); }); };
    };
    connect(ui->Button1, &QPushButton::clicked, this, guard(&TDeposit::Button1Click));
    connect(ui->Button2, &QPushButton::clicked, this, guard(&TDeposit::Button2Click));
    connect(ui->Button3, &QPushButton::clicked, this, guard(&TDeposit::Button3Click));
    connect(ui->Button5, &QPushButton::clicked, this, guard(&TDeposit::Button5Click));
    connect(ui->Button7, &QPushButton::clicked, this, guard(&TDeposit::Button7Click));
    connect(ui->Button4, &QPushButton::clicked, this, [this] { ui::closeWindow(this); });

    // Cell click and key release in the grid load the deposit; the navigator only moves.
    connect(ui->DBGrid1, &QTableView::clicked, this, [this](const QModelIndex& index) {
        ui::runGuarded(this, [&] {
            DM->QDeposit1->SetRecNo(index.row());
            loadCurrentRow();
        });
    });
    connect(grid_, &ui::Grid::keyReleased, this, [this] {
        if (ui->DBGrid1->hasFocus())
            ui::runGuarded(this, [&] { loadCurrentRow(); });
    });
    connect(grid_, &ui::Grid::titleClicked, this, [this](int position, const QString& field) {
        ui::runGuarded(this, [&] { DBGrid1TitleClick(position, field); });
    });
    connect(ui->NavFirst, &QToolButton::clicked, this, [] { ui::runGuarded([] { DM->QDeposit1->First(); }); });
    connect(ui->NavPrior, &QToolButton::clicked, this, [] { ui::runGuarded([] { DM->QDeposit1->Prior(); }); });
    connect(ui->NavNext, &QToolButton::clicked, this, [] { ui::runGuarded([] { DM->QDeposit1->Next(); }); });
    connect(ui->NavLast, &QToolButton::clicked, this, [] { ui::runGuarded([] { DM->QDeposit1->Last(); }); });
    connect(ui->Edit6, &QLineEdit::textChanged, this,
            [this](const QString& t) { ui::runGuarded(this, [&] { Edit6Change(t); }); });

    using kestrum::receivables::fillDistinct;
    connect(ui->ComboBox1, &records::ListCombo::dropDown, this, [this] {
        ui::runGuarded(this, [&] {
            fillDistinct(ui->ComboBox1, DM->QCompany2, "Select distinct Name_Bank From Bank", "Name_Bank");
        });
    });
    connect(ui->ComboBox2, &records::ListCombo::dropDown, this, [this] {
        ui::runGuarded(this, [&] {
            fillDistinct(ui->ComboBox2, DM->QCompany2, "Select distinct Name_Customer From Customer", "Name_Customer");
        });
    });
    connect(ui->ComboBox3, &records::ListCombo::dropDown, this, [this] {
        ui::runGuarded(this, [&] {
            fillDistinct(ui->ComboBox3, DM->QCompany2, "Select distinct Acc_Dep From Deposit", "Acc_Dep");
        });
    });
    connect(ui->ComboBox4, &records::ListCombo::dropDown, this, [this] {
        ui::runGuarded(this, [&] {
            fillDistinct(ui->ComboBox4, DM->QCompany2, "Select distinct SubAcc_Dep From Deposit", "SubAcc_Dep");
        });
    });

    {
        const QSignalBlocker quiet(ui->DateTimePicker1);
        ui->DateTimePicker1->setDate(QDate::currentDate());
    }
    connect(ui->DateTimePicker1, &QDateEdit::dateChanged, this, &TDeposit::DateTimePicker1CloseUp);
    Deposit = this;
}

TDeposit::~TDeposit() = default;

QTableView* TDeposit::grid() const
{
    return ui->DBGrid1;
}

void TDeposit::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ui::runOnFirstShow(this, shown_, [&] { FormShow(); });
}

void TDeposit::FormShow()
{
    reloadGrid(false);
    loadCurrentRow();
    recomputeTotal();
}

void TDeposit::reloadGrid(bool titles)
{
    Query* q = DM->QDeposit1;
    q->setStatement("Select * From Deposit");
    q->Open();
    sortColumn_.clear();
    grid_->setColumns(columnLayout(titles));
    grid_->markSorted(-1);
}

void TDeposit::loadCurrentRow()
{
    Query* q = DM->QDeposit1;
    if (!q->Active() || q->RecNo() < 0)
        return;
    ui->Edit1->setText(q->FieldByName("Date_Dep").AsString());
    ui->Edit2->setText(q->FieldByName("Chk_Dep").AsString());
    ui->Edit3->setText(q->FieldByName("Remark_Dep").AsString());
    ui->Edit4->setText(q->FieldByName("Amount_Dep").AsString());
    ui->ComboBox1->setEditText(q->FieldByName("DepositTo_Dep").AsString());
    ui->ComboBox2->setEditText(q->FieldByName("From_Dep").AsString());
    ui->ComboBox3->setEditText(q->FieldByName("Acc_Dep").AsString());
    ui->ComboBox4->setEditText(q->FieldByName("SubAcc_Dep").AsString());
}

void TDeposit::recomputeTotal()
{
    const QString total = receivables::sumText(DM->QDeposit3, "Select Sum(Amount_Dep) From Deposit");
    ui->Label3->setText(total.isEmpty() ? QStringLiteral("0.00") : total);
}

void TDeposit::Button2Click()
{
    ui->Edit1->setText(formatShortDate(QDate::currentDate()));
    ui->Edit2->clear();
    ui->Edit3->clear();
    ui->Edit4->setText("0.00");
    for (QComboBox* c : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3, ui->ComboBox4})
        c->setEditText(QString());
}

void TDeposit::Button1Click()
{
    if (ui->Edit1->text().trimmed().isEmpty())
        return;
    // Checked before anything runs: bad input stops here with one message and nothing written.
    const QDate date = requireDate(ui->Edit1->text(), "Date");
    const Decimal amount = decimalOrZero(ui->Edit4->text(), "Amount $");

    if (ui::confirm(SaveQuestion)) {
        const QString account = ui->ComboBox1->currentText();
        const QString check = ui->Edit2->text();
        // A deposit without a check number is not one that can be found again: it always adds.
        bool exists = false;
        if (!check.isEmpty()) {
            Query* probe = DM->QDeposit2;
            probe->setStatement("Select * From Deposit where DepositTo_Dep=?\n"
                                "And Chk_Dep=?",
                                {textValue(account), check});
            probe->Open();
            exists = probe->RecordCount() != 0;
        }
        const QVariantList values = {textValue(account),
                                     date,
                                     textValue(ui->ComboBox2->currentText()),
                                     textValue(ui->ComboBox3->currentText()),
                                     textValue(ui->ComboBox4->currentText()),
                                     textValue(check),
                                     QVariant::fromValue(amount),
                                     textValue(ui->Edit3->text())};
        Query* q = DM->QDeposit1;
        if (exists) {
            q->setStatement(" Update Deposit  Set DepositTo_Dep =?,\n"
                            " Date_Dep =?,\n"
                            " From_Dep =?,\n"
                            " Acc_Dep =?,\n"
                            " SubAcc_Dep =?,\n"
                            " Chk_Dep =?,\n"
                            " Amount_Dep =?,\n"
                            " Remark_Dep =?\n"
                            " where Chk_Dep =?\n"
                            " and DepositTo_Dep =?",
                            values + QVariantList{check, textValue(account)});
        } else {
            q->setStatement(" Insert Into Deposit ( DepositTo_Dep, Date_Dep,\n"
                            "From_Dep,Acc_Dep,SubAcc_Dep,Chk_Dep,Amount_Dep,Remark_Dep) Values ( \n"
                            "?,?,?,?,?,?,?,?)",
                            values);
        }
        q->ExecSQL();
        ui::showMessage("Saved!");
    }
    reloadGrid(true);
    recomputeTotal();
    loadCurrentRow();
    ui->DBGrid1->setFocus(Qt::OtherFocusReason);
}

void TDeposit::Button3Click()
{
    if (ui->ComboBox1->currentText().isEmpty())
        return;
    // The date is part of the deposit's identity: it must be one.
    const QDate date = requireDate(ui->Edit1->text(), "Date");
    if (ui::confirm(DeleteQuestion)) {
        // Only the deposit shown: its account, check number, payer and date; where those match
        // several (deposits without a check number), the one whose other values are shown.
        const QList<ColumnValue> identity = {{"DepositTo_Dep", textValue(ui->ComboBox1->currentText())},
                                             {"Chk_Dep", textValue(ui->Edit2->text())},
                                             {"From_Dep", textValue(ui->ComboBox2->currentText())},
                                             {"Date_Dep", date}};
        QList<ColumnValue> shown = {{"Acc_Dep", textValue(ui->ComboBox3->currentText())},
                                    {"SubAcc_Dep", textValue(ui->ComboBox4->currentText())},
                                    {"Remark_Dep", textValue(ui->Edit3->text())}};
        if (const auto amount = Decimal::parse(ui->Edit4->text()))
            shown.append({"Amount_Dep", QVariant::fromValue(*amount)});
        receivables::deleteOneRow(DM->Q3, "Deposit", identity, shown);
    }
    recomputeTotal();
    reloadGrid(true);
}

void TDeposit::Button5Click()
{
    reloadGrid(true);
    recomputeTotal();
}

void TDeposit::Button7Click()
{
    recomputeTotal();
}

void TDeposit::DBGrid1TitleClick(int position, const QString& field)
{
    grid_->markSorted(-1);
    if (field.isEmpty())
        return;
    // The highlighted row stays the deposit the boxes show: deposits have no key of their own,
    // so it is the row holding every value shown.
    const QList<KeyValue> shown = {{"Date_Dep", ui->Edit1->text()},
                                   {"Chk_Dep", ui->Edit2->text()},
                                   {"Remark_Dep", ui->Edit3->text()},
                                   {"Amount_Dep", ui->Edit4->text()},
                                   {"DepositTo_Dep", ui->ComboBox1->currentText()},
                                   {"From_Dep", ui->ComboBox2->currentText()},
                                   {"Acc_Dep", ui->ComboBox3->currentText()},
                                   {"SubAcc_Dep", ui->ComboBox4->currentText()}};
    Query* q = DM->QDeposit1;
    q->SetSort(field);
    sortColumn_ = field;
    grid_->markSorted(position);
    locateRecord(*q, shown);
}

void TDeposit::Edit6Change(const QString& text)
{
    Query* q = DM->QDeposit1;
    if (!q->Active())
        return;
    // Before any title click the search looks for the payer.
    q->Locate(sortColumn_.isEmpty() ? QStringLiteral("From_Dep") : sortColumn_, text, true);
    loadCurrentRow();
}

void TDeposit::DateTimePicker1CloseUp()
{
    ui->Edit1->setText(formatShortDate(ui->DateTimePicker1->date()));
}
