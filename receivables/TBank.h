#pragma once
// Bank window: the shop's money accounts (bank accounts and payment cards), whose names the
// payment and deposit windows offer as "Deposit To" and "Via Payment".
#include "RecordWindow.h"

#include <QPointer>
#include <memory>

namespace Ui {
class TBank;
}

class TBank : public kestrum::records::RecordWindow {
    Q_OBJECT
public:
    explicit TBank(QWidget* parent = nullptr);
    ~TBank() override;

    /// The account name in Edit2: the bank history lists the deposits made to it.
    QString accountName() const;

protected:
    /// "Total Amounts $": the sum of the deposits made to the shown account.
    void recomputeFigures() override;

private:
    void Button8Click();  // "History"
    void DateTimePicker1CloseUp();

    std::unique_ptr<Ui::TBank> ui;
};

extern QPointer<TBank> Bank;
