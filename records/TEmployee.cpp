#include "TEmployee.h"

#include "ui_TEmployee.h"

#include "DataModule.h"
#include "DatePicker.h"
#include "Format.h"

#include <QDateEdit>

using namespace kestrum;
using namespace kestrum::records;

QPointer<TEmployee> Employee;

namespace {

RecordSpec employeeSpec()
{
    RecordSpec s;
    s.table = "Employee";
    s.keyColumn = "ID_Employee";
    s.listQuery = &TDM::QEmployee1;
    s.probeQuery = &TDM::QEmployee2;
    s.listSql = "Select * From Employee";
    s.fields = {
        {"Edit2", "Name_Employee"},
        {"Edit3", "DOB_Employee", FieldKind::Date},
        {"Edit4", "Email_Employee"},
        {"Edit5", "SSN_Employee"},
        {"Edit6", "Position_Employee"},
        {"Edit7", "Emergency_Employee"},
        {"Edit8", "Cell_Employee"},
        {"Edit9", "Address_Employee"},
        {"ComboBox2", "City_Employee", FieldKind::Text, "San Jose"},
        {"ComboBox1", "State_Employee", FieldKind::Upper, "CA"},
        {"Edit10", "Zip_Employee"},
        {"Edit11", "Start_Employee", FieldKind::Date},
        {"Edit12", "End_Employee", FieldKind::Date},
    };
    s.cycle = {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8",
               "Edit9", "ComboBox2", "ComboBox1", "Edit10", "Edit11", "Edit12"};
    s.wrapTo = "Edit1";
    s.focusAfterNew = "Edit2";
    s.afterSave = AfterSave::Refresh;
    s.refreshAction = RefreshAction::CopyFirstRow;
    s.cancelAction = CancelAction::Refresh;
    s.titles = {{"No", 100},   {"Name", 200},   {"DOB", 200},           {"Email", 100}, {"SSN", 100},
                {"Position", 100}, {"Emergency Call", 100}, {"Cell", 100}, {"Address", 100},
                {"City", 100}, {"State", 100},  {"Zip", 100},           {"Start", 100}, {"End", 100}};
    s.sortable = {"ID_Employee", "Name_Employee", "DOB_Employee", "Email_Employee", "SSN_Employee"};
    s.defaultSearchColumn = "Name_Employee";
    s.searchControl = "Edit13";
    return s;  // no grid function keys: a key in the grid only copies the row
}

}  // namespace

TEmployee::TEmployee(QWidget* parent) : RecordWindow(employeeSpec(), parent), ui(std::make_unique<Ui::TEmployee>())
{
    ui->setupUi(this);
    setupRecordWindow();
    ui->Button6->hide();  // "Help  ( F1 )" has no help behind it
    const std::pair<QDateEdit*, QLineEdit*> pickers[] = {
        {ui->DateTimePicker1, ui->Edit3}, {ui->DateTimePicker2, ui->Edit11}, {ui->DateTimePicker3, ui->Edit12}};
    for (auto [picker, box] : pickers)
        ui::tieDatePicker(picker, box);
    Employee = this;
}

TEmployee::~TEmployee() = default;

void TEmployee::applyNewDefaults()
{
    const QDate today = QDate::currentDate();
    ui->Edit3->setText(formatShortDate(today.addDays(-10000)));
    ui->Edit11->setText(formatShortDate(today));
    ui->Edit12->setText(formatShortDate(today.addDays(365)));
}
