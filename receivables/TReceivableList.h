#pragma once
// Every payment ever recorded, with the grand total; a payment is deleted here, and the list
// is printed.
#include <QPointer>
#include <QWidget>
#include <memory>

class QTableView;

namespace Ui {
class TReceivableList;
}
namespace kestrum::ui {
class Grid;
}

class TReceivableList : public QWidget {
    Q_OBJECT
public:
    explicit TReceivableList(QWidget* parent = nullptr);
    ~TReceivableList() override;

    QTableView* grid() const;

    /// The navigator's delete: removes the current payment after the usual question.
    void DBNavigator1Delete();
    void Button2Click();  // "Print"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void recomputeTotal();
    void DBGrid1TitleClick(int position, const QString& field);

    std::unique_ptr<Ui::TReceivableList> ui;
    kestrum::ui::Grid* grid_ = nullptr;
    bool shown_ = false;
};

extern QPointer<TReceivableList> ReceivableList;

namespace kestrum::receivables {

/// "Delete record?": the question the grid navigators ask before deleting a row.
QString deleteRowQuestion();

}  // namespace kestrum::receivables
