#pragma once
// Deposit window: money paid into one of the shop's accounts, with the total of all deposits.
#include <QPointer>
#include <QWidget>
#include <memory>

class QTableView;

namespace Ui {
class TDeposit;
}
namespace kestrum {
class Query;
class QueryModel;
}
namespace kestrum::ui {
class Grid;
}

class TDeposit : public QWidget {
    Q_OBJECT
public:
    explicit TDeposit(QWidget* parent = nullptr);
    ~TDeposit() override;

    QTableView* grid() const;

    // The buttons (each runs guarded: an error stops it with the error box).
    void Button1Click();  // "Save ( F2 )"
    void Button2Click();  // "New  ( F3 )"
    void Button3Click();  // "Delete ( F8 )"
    void Button5Click();  // "Refresh ( F5 )"
    void Button7Click();  // "Cancel ( Esc )"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    /// Copies the grid's current deposit into the boxes.
    void loadCurrentRow();
    void reloadGrid(bool titles);
    void recomputeTotal();
    void DBGrid1TitleClick(int position, const QString& field);
    void Edit6Change(const QString& text);
    void DateTimePicker1CloseUp();

    std::unique_ptr<Ui::TDeposit> ui;
    kestrum::ui::Grid* grid_ = nullptr;
    kestrum::QueryModel* model_ = nullptr;
    QString sortColumn_;
    bool shown_ = false;
};

extern QPointer<TDeposit> Deposit;
