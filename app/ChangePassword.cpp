#include "ChangePassword.h"

#include "Dialogs.h"
#include "Mdi.h"
#include "Pass.h"
#include "Users.h"
#include "ui_ChangePassword.h"

#include <QShowEvent>

QPointer<TChangePassword> ChangePassword;

TChangePassword::TChangePassword(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TChangePassword>())
{
    ui->setupUi(this);
    connect(ui->Button1, &QPushButton::clicked, this, &TChangePassword::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TChangePassword::Button2Click);
}

TChangePassword::~TChangePassword() = default;

void TChangePassword::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TChangePassword::FormShow()
{
    ui->Edit1->clear();
    ui->Edit2->clear();
    ui->Edit3->clear();
    ui->Edit4->clear();
    ui->Edit1->setFocus();
}

void TChangePassword::Button1Click()
{
    kestrum::ui::closeWindow(this);
}

void TChangePassword::Button2Click()
{
    namespace users = kestrum::users;
    using kestrum::ui::showMessage;
    kestrum::ui::runGuarded(this, [this] {
        const QString name = ui->Edit1->text(), password = ui->Edit2->text();
        if (!users::anyUser()) {
            // An empty table: the current-value boxes become the first user.
            if (name.trimmed().isEmpty() || password.isEmpty()) {
                showMessage("Please type a user name and a password.");
                return;
            }
            users::add(name, password);
            return;
        }
        std::optional<users::User> self = users::find(name, password);
        if (!self) {
            showMessage(notActiveMessage());
            return;
        }
        const QString newName = ui->Edit3->text(), newPassword = ui->Edit4->text();
        if (newName.trimmed().isEmpty()) {
            showMessage("Please type the new user name.");
            return;
        }
        if (newPassword.isEmpty()) {
            showMessage("Please type the new password.");
            return;
        }
        if (users::nameTaken(newName, *self)) {
            showMessage("Another user already has this user name. Please choose another one.");
            return;
        }
        users::change(*self, newName, newPassword);
        showMessage("This Data was successfully saved.");
        kestrum::ui::closeWindow(this);
    });
}
