#pragma once
// Picks the invoice for the receivable window from the list of all invoices.
#include <QPointer>
#include <QWidget>
#include <memory>

class QTableView;

namespace Ui {
class TReceivableFind;
}
namespace kestrum::ui {
class Grid;
}

class TReceivableFind : public QWidget {
    Q_OBJECT
public:
    explicit TReceivableFind(QWidget* parent = nullptr);
    ~TReceivableFind() override;

    QTableView* grid() const;

    /// Hands the invoice of `row` to the receivable window and closes.
    void DBGrid1DblClick(int row);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void DBGrid1TitleClick(int position, const QString& field);

    std::unique_ptr<Ui::TReceivableFind> ui;
    kestrum::ui::Grid* grid_ = nullptr;
    bool shown_ = false;
};

extern QPointer<TReceivableFind> ReceivableFind;
