#pragma once
// Purchase orders: the order list and header editor, with the lines of the shown order and
// their total.
#include "Concurrency.h"
#include "LineDocument.h"
#include "Support.h"

#include <memory>

namespace Ui {
class TPoOrder;
}

namespace kestrum::ui {
class Grid;
}

class TPoOrder : public kestrum::purchasing::Window, public kestrum::lines::LineDocument {
    Q_OBJECT
public:
    explicit TPoOrder(QWidget* parent = nullptr);
    ~TPoOrder() override;

    /// Lines of an order into DBGrid2 and their total into "Total $" (the line editor runs it on
    /// close for its order).
    void refreshLines(const QString& orderNo);

    void Button2Click(); // Save
    void Button3Click(); // New
    void Button4Click(); // Delete
    void Button5Click(); // Refresh
    void Button6Click(); // "Discription": the line editor
    void Button8Click(); // "Payable"

    /// Stores an order made with New before its first line, or locks the loaded one.
    kestrum::lines::LineHold holdForLines(const QString& number, const QString& owner) override;

protected:
    void formShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadSelected();
    void setColumns(bool refreshed);
    void titleClick(int position, const QString& field);
    void search(const QString& text);
    /// The header boxes as columns (checked; throws InputError naming a bad box).
    kestrum::ColumnValues orderValues() const;
    qint64 proposeNumber();

    std::unique_ptr<Ui::TPoOrder> ui;
    /// The order loaded into the boxes and New's proposal, for Save and the line editor.
    kestrum::NumberedRecord record_;
    kestrum::ui::Grid* grid_ = nullptr;
    kestrum::ui::Grid* lines_ = nullptr;
};

extern QPointer<TPoOrder> PoOrder;
