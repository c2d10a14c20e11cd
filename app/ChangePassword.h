#pragma once
// The password change window (launcher button PASSWORD).
#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class TChangePassword;
}

class TChangePassword : public QWidget {
    Q_OBJECT
public:
    explicit TChangePassword(QWidget* parent = nullptr);
    ~TChangePassword() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Button1Click();
    void Button2Click();

    std::unique_ptr<Ui::TChangePassword> ui;
};

extern QPointer<TChangePassword> ChangePassword;
