#pragma once
// The window fixture plus what the purchasing tests share: master rows, and windows that other
// windows open (adopted so the fixture frees them).
#include "WindowTest.h"

#include "Decimal.h"
#include "Support.h"

#include <QPlainTextEdit>

class PurchasingTest : public testsupport::WindowTest {
protected:
    static inline const QString SaveQ = "Are you sure you want to Save this Record?";
    static inline const QString DeleteQ = "Are you sure you want to Delete this Record?";

    static QVariant money(const QString& text) { return QVariant::fromValue(*kestrum::Decimal::parse(text)); }

    /// A part of the catalogue.
    void addPart(int id, const QString& name, const QString& partNo, const QString& price,
                 const QString& description = "Pad set") {
        exec("Insert Into Part (ID_Material, Number_Material, Color_Material, Price_Material, Mfg_Material, "
             "Style_Material, Description_Material) Values (?, ?, ?, ?, ?, ?, ?)",
             {id, name, partNo, money(price), "Bosch", "Front", description});
    }
    void addOrder(int po, const QString& vendor) {
        exec("Insert Into Orders (Po_Order, Vendor_Order, OrderDate_Order, ForInvoice_Order) Values (?, ?, "
             "?, ?)",
             {po, vendor, QDate(2026, 11, 2), "Stock"});
    }
    void addBill(const QString& ref, const QString& vendor, const QString& amount,
                 const QDate& date = {2026, 11, 3}) {
        exec(
            "Insert Into Bill (Ref_Bill, Vendor_Bill, BillDate_Bill, Amount_Bill, Chart_Bill, SubChart_Bill) "
            "Values (?, ?, ?, ?, ?, ?)",
            {ref, vendor, date, money(amount), "Parts", "Brakes"});
    }

    /// A window another window opened (through its global reference): freed with the others.
    template <typename W> W* adopt(W* w) {
        EXPECT_NE(w, nullptr);
        if (w)
            windows_.append(w);
        return w;
    }

    static QString memo(QWidget* w, const QString& name) {
        return w->findChild<QPlainTextEdit*>(name)->toPlainText();
    }
    static QTableView* gridOf(QWidget* w, const QString& name = "DBGrid1") {
        return w->findChild<QTableView*>(name);
    }
    static int rows(QWidget* w, const QString& name = "DBGrid1") {
        return gridOf(w, name)->model()->rowCount();
    }
    static QString cell(QWidget* w, const QString& grid, int row, int column) {
        QAbstractItemModel* m = gridOf(w, grid)->model();
        return m->data(m->index(row, column)).toString();
    }
    static QString today() { return kestrum::purchasing::today(); }
};
