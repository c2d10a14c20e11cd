#pragma once
// Profile window: the shop's own name, address and contact data (the one Reg row).
#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class TProfile;
}

class TProfile : public QWidget {
    Q_OBJECT
public:
    explicit TProfile(QWidget* parent = nullptr);
    ~TProfile() override;

    /// "Change Profile": writes the boxes into the Reg row and closes.
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    std::unique_ptr<Ui::TProfile> ui;
    bool shown_ = false;
};

extern QPointer<TProfile> Profile;
