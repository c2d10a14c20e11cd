#include "TProfile.h"

#include "ui_TProfile.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "FirstShow.h"
#include "Mdi.h"
#include "Query.h"

#include <QLineEdit>

using namespace kestrum;

QPointer<TProfile> Profile;

namespace {

struct ProfileField {
    const char* control;
    const char* column;
};

constexpr ProfileField profileFields[] = {
    {"Edit1", "Name_R"}, {"Edit2", "Address_R"}, {"Edit3", "Catagory_R"}, {"Edit4", "City_R"},
    {"Edit5", "State_R"}, {"Edit6", "Zip_R"},    {"Edit7", "Apt_R"},      {"Edit8", "Tel_R"},
    {"Edit9", "Fax_R"},  {"Edit10", "Cell_R"},  {"Edit11", "Web_R"},     {"Edit12", "Email_R"},
};

}  // namespace

TProfile::TProfile(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TProfile>())
{
    setAttribute(Qt::WA_DeleteOnClose);
    ui->setupUi(this);
    connect(ui->Button2, &QPushButton::clicked, this, [this] { ui::runGuarded(this, [this] { Button2Click(); }); });
    connect(ui->Button1, &QPushButton::clicked, this, [this] { ui::closeWindow(this); });
    Profile = this;
}

TProfile::~TProfile() = default;

void TProfile::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ui::runOnFirstShow(this, shown_, [this] { FormShow(); });
}

void TProfile::FormShow()
{
    Query* q = DM->QPass2;
    q->setStatement("Select * From Reg ");
    q->Open();
    for (const ProfileField& f : profileFields)
        findChild<QLineEdit*>(f.control)->setText(q->FieldByName(f.column).AsString());
}

void TProfile::Button2Click()
{
    Query* q = DM->QPass2;
    q->setStatement("Select Id_R From Reg where Id_R =1");
    q->Open();
    if (q->RecordCount() == 0) {
        // The row is never inserted by the program; an update of nothing must not look saved.
        ui::showMessage("The shop profile is missing from the database (table Reg has no row with Id_R = 1). "
                        "Nothing was saved.");
        return;
    }
    QStringList lines{" Update Reg  Set"};
    QVariantList values;
    const int n = int(std::size(profileFields));
    for (int i = 0; i < n; ++i) {
        lines << QString(" %1 =?").arg(profileFields[i].column) + (i + 1 < n ? "," : "");
        const QString text = findChild<QLineEdit*>(profileFields[i].control)->text();
        values << (text.isNull() ? QString(QLatin1String("")) : text);
    }
    lines << " where Id_R =1";
    q->setStatement(lines.join(u'\n'), values);
    q->ExecSQL();
    ui::closeWindow(this);
}
