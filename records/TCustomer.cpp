#include "TCustomer.h"

#include "ui_TCustomer.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Figures.h"
#include "History.h"

using namespace kestrum;
using namespace kestrum::records;

QPointer<TCustomer> Customer;

namespace {

RecordSpec customerSpec()
{
    RecordSpec s;
    s.table = "Customer";
    s.keyColumn = "ID_Customer";
    s.listQuery = &TDM::QCustomer1;
    s.probeQuery = &TDM::QCustomer2;
    s.listSql = "Select * From Customer";
    s.savedListSql =
        "Select ID_Customer,Name_Customer,Type_Customer,Tell_Customer,Address_Customer,City_Customer,"
        "State_Customer,Zip_Customer,Email_Customer,Web_Customer,Tel_Customer,Tel1_Customer From Customer";
    s.fields = {
        {"Edit2", "Name_Customer"},
        {"Edit3", "Tell_Customer"},
        {"Edit9", "Tel_Customer"},
        {"Edit10", "Tel1_Customer"},
        {"Edit7", "Address_Customer"},
        {"Edit5", "Web_Customer"},
        {"Edit4", "Email_Customer"},
        {"Edit8", "Zip_Customer"},
        {"ComboBox1", "Type_Customer", FieldKind::Text, "Customer", ComboList::OnDropDown},
        {"ComboBox2", "City_Customer", FieldKind::Text, "Turlock", ComboList::OnDropDown},
        {"ComboBox3", "State_Customer", FieldKind::Upper, "CA", ComboList::OnDropDown},
    };
    s.cycle = {"Edit1", "Edit2", "ComboBox1", "Edit3", "Edit7", "ComboBox2", "ComboBox3", "Edit8", "Edit4", "Edit5"};
    s.wrapTo = "Edit2";
    // Cell and fax share the telephone box's keys; Left in the key box goes forward.
    s.hops = {{"Edit1", {}, "Edit2"}, {"Edit9", "Edit7", "ComboBox1"}, {"Edit10", "Edit7", "ComboBox1"}};
    s.focusAfterNew = "Edit2";
    s.afterSave = AfterSave::LocateKeepControls;
    s.refreshAction = RefreshAction::CopyFirstRow;
    s.cancelAction = CancelAction::ReloadCopyFirstRow;
    s.titles = {{"No", 100},      {"Name", 200}, {"Type", 200}, {"Tell", 100},  {"Address", 100},
                {"City", 100},    {"State", 100}, {"Zip", 100}, {"Email", 100}, {"Web", 100}};
    s.refreshTitles = {{0, "ID No"}};
    s.cancelTitles = {{0, "ID No"}, {2, "type"}};
    s.sortable = {"ID_Customer",  "Name_Customer", "Type_Customer", "Tell_Customer", "Address_Customer",
                  "City_Customer", "State_Customer", "Zip_Customer", "Email_Customer", "Web_Customer"};
    s.defaultSearchColumn = "Name_Customer";
    s.searchRecomputesFigures = true;
    s.figuresAtShow = true;
    s.gridKeys.create = true;
    s.gridKeys.refresh = true;
    return s;
}

}  // namespace

TCustomer::TCustomer(QWidget* parent) : RecordWindow(customerSpec(), parent), ui(std::make_unique<Ui::TCustomer>())
{
    ui->setupUi(this);
    setupRecordWindow();
    connect(ui->Button8, &QPushButton::clicked, this,
            [this] { ui::runGuarded(this, [] { openChildHistory("TCustomerHistory"); }); });
    connect(ui->Button9, &QPushButton::clicked, this,
            [this] { ui::runGuarded(this, [] { openChildHistory("TCustomerInvoiceHistory"); }); });
    Customer = this;
}

TCustomer::~TCustomer() = default;

void TCustomer::recomputeFigures()
{
    // Documents name their customer, so the figures follow the name, not the number.
    const QString name = ui->Edit2->text();
    const auto invoiced = sumWhere(DM->QCustomer3, "Amount_Inv", "Invoice", "CustomerName_Inv", name);
    const auto paid = sumWhere(DM->QCustomer3, "Amount_Receivable", "Receivable", "Name_Receivable", name);
    ui->Label15->setText(invoiced ? invoiced->toString() : "0");
    ui->Label16->setText(paid ? paid->toString() : "0");
    ui->Label18->setText((invoiced.value_or(Decimal{}) - paid.value_or(Decimal{})).toString());
}
