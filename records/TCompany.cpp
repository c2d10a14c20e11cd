#include "TCompany.h"

#include "ui_TCompany.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Figures.h"
#include "History.h"

using namespace kestrum;
using namespace kestrum::records;

QPointer<TCompany> Company;

namespace {

RecordSpec companySpec()
{
    RecordSpec s;
    s.table = "Company";
    s.keyColumn = "ID_Company";
    s.listQuery = &TDM::QCompany1;
    s.probeQuery = &TDM::QCompany2;
    s.listSql = "Select * From Company";
    s.savedListSql =
        "Select ID_Company,Name_Company,Type_Company,Tell_Company,Address_Company,City_Company,State_Company,"
        "Zip_Company,Contact1_Company,Contact2_Company,Email_Company,Web_Company,Fax_Company From Company";
    s.fields = {
        {"Edit2", "Name_Company"},
        {"Edit3", "Tell_Company"},
        {"Edit11", "Fax_Company"},
        {"Edit7", "Address_Company"},
        {"Edit5", "Web_Company"},
        {"Edit4", "Email_Company"},
        {"Edit8", "Zip_Company"},
        {"Edit9", "Contact1_Company"},
        {"Edit10", "Contact2_Company"},
        {"ComboBox1", "Type_Company", FieldKind::Text, "Vendor", ComboList::OnDropDown},
        {"ComboBox2", "City_Company", FieldKind::Text, "Turlock", ComboList::OnDropDown},
        // The state combo lists the states in use (its drop-down used to refill the city list).
        {"ComboBox3", "State_Company", FieldKind::Upper, "CA", ComboList::OnDropDown},
    };
    s.cycle = {"Edit1", "Edit2", "ComboBox1", "Edit3", "Edit7", "ComboBox2",
               "ComboBox3", "Edit8", "Edit4", "Edit5", "Edit9", "Edit10"};
    s.wrapTo = "Edit1";
    // The fax box shares the telephone box's keys; Left in the key box goes to the address.
    s.hops = {{"Edit1", {}, "Edit7"}, {"Edit11", "Edit7", "ComboBox1"}};
    s.focusAfterNew = "Edit2";
    s.afterSave = AfterSave::LocateKeepControls;
    s.refreshAction = RefreshAction::KeepControls;
    s.cancelAction = CancelAction::ReloadCopyFirstRow;
    s.titles = {{"No", 100},    {"Name", 200},        {"Type", 200},        {"Tel", 100},
                {"Address", 100}, {"City", 100},      {"State", 100},       {"Zip", 100},
                {"Name Contact", 100}, {"Tel Contact", 100}, {"Email", 100}, {"Web", 100}};
    s.refreshTitles = {{0, "ID No"}};
    s.cancelTitles = {{0, "ID No"}, {2, "type"}, {3, "Tell"}, {9, "Tell Contact"}};
    s.sortable = {"ID_Company",    "Name_Company",  "Type_Company", "Tell_Company", "Address_Company",
                  "City_Company",  "State_Company", "Zip_Company",  "Email_Company", "Web_Company"};
    s.defaultSearchColumn = "Name_Company";
    s.searchRecomputesFigures = true;
    s.figuresAtShow = true;
    s.gridKeys.create = true;
    s.gridKeys.refresh = true;
    return s;
}

}  // namespace

TCompany::TCompany(QWidget* parent) : RecordWindow(companySpec(), parent), ui(std::make_unique<Ui::TCompany>())
{
    ui->setupUi(this);
    setupRecordWindow();
    connect(ui->Button8, &QPushButton::clicked, this,
            [this] { ui::runGuarded(this, [] { openChildHistory("TVendorHistory"); }); });
    Company = this;
}

TCompany::~TCompany() = default;

void TCompany::recomputeFigures()
{
    // The billed total, not a balance: payments are not subtracted.
    const auto billed = sumWhere(DM->QCompany3, "Amount_Bill", "Bill", "Vendor_Bill", ui->Edit2->text());
    ui->Label15->setText(billed ? billed->toString() : QString());
}
