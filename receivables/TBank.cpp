#include "TBank.h"

#include "ui_TBank.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Figures.h"
#include "Format.h"
#include "History.h"

#include <QSignalBlocker>

using namespace kestrum;
using namespace kestrum::records;

QPointer<TBank> Bank;

namespace {

RecordSpec bankSpec()
{
    RecordSpec s;
    s.table = "Bank";
    s.keyColumn = "ID_Bank";
    s.listQuery = &TDM::QCustomer1;
    s.probeQuery = &TDM::QCustomer2;
    s.listSql = "Select * From Bank";
    s.savedListSql = "Select ID_Bank,Name_Bank,Type_Bank, AccountNo_Bank,Date_Bank,Company_Bank From Bank";
    s.fields = {
        {"Edit2", "Name_Bank"},
        {"ComboBox1", "Type_Bank", FieldKind::Text, "Credit", ComboList::OnDropDown},
        {"Edit3", "AccountNo_Bank"},
        {"Edit4", "Date_Bank", FieldKind::Date},
        {"ComboBox2", "Company_Bank", FieldKind::Text, "Master Card", ComboList::OnDropDown},
    };
    s.editKeys = false;  // no key handling in this window
    s.focusAfterNew = "Edit2";
    s.afterSave = AfterSave::LocateKeepControls;
    s.refreshAction = RefreshAction::LocateKey;
    s.cancelAction = CancelAction::Refresh;
    s.titles = {{"No", 100}, {"Name", 200}, {"Type", 200}, {"Account No", 100}, {"Exp Date", 100},
                {"Company Card", 100}};
    s.sortable = {"ID_Bank", "Name_Bank", "Type_Bank", "AccountNo_Bank", "Date_Bank", "Company_Bank"};
    // Accounts are looked for by name.
    s.defaultSearchColumn = "Name_Bank";
    s.figuresAtShow = true;
    s.searchRecomputesFigures = true;
    return s;  // no grid function keys: a key in the grid only loads the row
}

}  // namespace

TBank::TBank(QWidget* parent) : RecordWindow(bankSpec(), parent), ui(std::make_unique<Ui::TBank>())
{
    ui->setupUi(this);
    setupRecordWindow();
    {
        const QSignalBlocker quiet(ui->DateTimePicker1);
        ui->DateTimePicker1->setDate(QDate::currentDate());
    }
    connect(ui->DateTimePicker1, &QDateEdit::dateChanged, this, &TBank::DateTimePicker1CloseUp);
    connect(ui->Button8, &QPushButton::clicked, this, &TBank::Button8Click);
    Bank = this;
}

TBank::~TBank() = default;

QString TBank::accountName() const
{
    return ui->Edit2->text();
}

void TBank::recomputeFigures()
{
    const QString name = ui->Edit2->text();
    const auto total = name.isEmpty() ? std::nullopt : sumWhere(DM->QBill2, "Amount_Dep", "Deposit", "DepositTo_Dep", name);
    const QString text = formatMoney(total.value_or(Decimal{}));
    ui->Label15->setText(text.isEmpty() ? QStringLiteral("0.00") : text);
}

void TBank::Button8Click()
{
    ui::runGuarded(this, [] { showAuxHistory("TBankHistory"); });
}

void TBank::DateTimePicker1CloseUp()
{
    ui->Edit4->setText(formatShortDate(ui->DateTimePicker1->date()));
}
