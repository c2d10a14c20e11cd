#pragma once
// The login window: an MDI child open from start-up until a user has logged in.
#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class TPass;
}

class TPass : public QWidget {
    Q_OBJECT
public:
    explicit TPass(QWidget* parent = nullptr);
    ~TPass() override;

    /// Opens a new login window as a borderless child centred in the main window's frame.
    static TPass* open();

private:
    void BitBtn2Click();
    /// After the first login of a run on a database whose shop profile is empty: offers PROFILE.
    void offerProfile();

    std::unique_ptr<Ui::TPass> ui;
};

extern QPointer<TPass> Pass;

/// "This User Or Password is NOT Active Please try Again ......"
QString notActiveMessage();
/// The question asked after the login when the shop profile is empty.
QString emptyProfileQuestion();
