#include "Pass.h"

#include "Accessibility.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Keys.h"
#include "MainForm.h"
#include "Mdi.h"
#include "Query.h"
#include "Schema.h"
#include "Users.h"
#include "ui_Pass.h"

#include <QLabel>

QPointer<TPass> Pass;

QString notActiveMessage()
{
    return QStringLiteral("This User Or Password is NOT Active Please try Again ......");
}

TPass::TPass(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TPass>())
{
    ui->setupUi(this);
    // The first user of a new database, so that a fresh install logs in with Enter, Enter.
    ui->Edit1->setText(kestrum::schema::GuestUser);
    ui->Edit2->setText(kestrum::schema::GuestPassword);
    auto* cycle = new kestrum::ui::KeyCycle({ui->Edit1, ui->Edit2, ui->BitBtn2}, this);
    // Left moves the cursor in the name and password boxes, as in any text box.
    cycle->keepLeft(ui->Edit1);
    cycle->keepLeft(ui->Edit2);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TPass::BitBtn2Click);
    setFocusProxy(ui->Edit1);
    kestrum::ui::nameControls(this);
}

TPass::~TPass() = default;

TPass* TPass::open()
{
    auto* w = new TPass;
    Pass = w;
    kestrum::ui::openMdiChild(w, {.frameless = true, .centred = true});
    w->ui->Edit1->setFocus();
    return w;
}

void TPass::BitBtn2Click()
{
    kestrum::ui::runGuarded(this, [this] {
        std::optional<QString> name = kestrum::users::login(ui->Edit1->text(), ui->Edit2->text());
        if (!name) {
            kestrum::ui::showMessage(notActiveMessage());
            return;
        }
        if (MainForm)
            MainForm->Label7()->setText(*name);
        kestrum::ui::closeWindow(this);
        offerProfile();
    });
}

QString emptyProfileQuestion()
{
    return QStringLiteral("The shop profile is empty, so the printouts show no shop name or address. "
                          "Open PROFILE now to fill it in?");
}

void TPass::offerProfile()
{
    // Once a run (of the main window): the clerk may well choose to fill it in later.
    const char* const asked = "kestrumProfileOffered";
    if (!DM || !MainForm || MainForm->property(asked).toBool())
        return;
    // Read again: the row the data module read at start-up may have been filled since.
    kestrum::Query* reg = DM->QReg1;
    reg->Close();
    reg->Open();
    for (const char* column : {"Name_R", "Address_R", "City_R", "Tel_R"})
        if (!reg->FieldByName(column).AsString().trimmed().isEmpty())
            return;
    MainForm->setProperty(asked, true);
    if (kestrum::ui::confirm(emptyProfileQuestion()))
        kestrum::ui::launchWindow(QStringLiteral("TProfile"), true);
}
