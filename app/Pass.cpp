#include "Pass.h"

#include "Dialogs.h"
#include "Keys.h"
#include "MainForm.h"
#include "Mdi.h"
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
    });
}
