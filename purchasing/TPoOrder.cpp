#include "TPoOrder.h"

#include "ui_TPoOrder.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Grid.h"
#include "History.h"
#include "InputError.h"
#include "Locate.h"
#include "Keys.h"
#include "Mdi.h"
#include "Query.h"
#include "TOrderItem.h"
#include "TPayableOrder.h"
#include "UpperCaseValidator.h"

#include <QFocusEvent>

using namespace kestrum;
using namespace kestrum::purchasing;

QPointer<TPoOrder> PoOrder;

namespace {

const QStringList OrderColumns = {"Po_Order",        "SideMark_Order", "OrderBy_Order",
                                  "OrderDate_Order", "Vendor_Order",   "ShipFrom_Order",
                                  "ShipTo_Order",    "ShipDate_Order", "ForInvoice_Order"};

/// The order number of a box, or nullopt when it holds no whole number.
std::optional<qint64> orderNumber(const QString& text) {
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

} // namespace

TPoOrder::TPoOrder(QWidget* parent)
    : Window(parent), ui(std::make_unique<Ui::TPoOrder>()), record_("Orders", "Po_Order", [this] { return proposeNumber(); }) {
    ui->setupUi(this);
    setOpensMaximized(true);
    grid_ = bindGrid(ui->DBGrid1, DM->QPo1, this).grid;
    lines_ = bindGrid(ui->DBGrid2, DM->QItem3, this).grid;
    ui->DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->Edit13->setValidator(new records::UpperCaseValidator(ui->Edit13));

    fillOnDropDown(ui->ComboBox1, DM->QPo2, "Select distinct Name_Customer From Customer", "Name_Customer");
    fillOnDropDown(ui->ComboBox2, DM->QPo2, "Select distinct Name_Employee From Employee", "Name_Employee");
    fillOnDropDown(ui->ComboBox3, DM->QPo2, "Select distinct Name_Company From Company", "Name_Company");
    fillOnDropDown(ui->ComboBox4, DM->QPo2, "Select distinct ShipFrom_Order From Orders", "ShipFrom_Order");
    fillOnDropDown(ui->ComboBox5, DM->QPo2, "Select distinct ShipTo_Order From Orders", "ShipTo_Order");
    wirePicker(ui->DateTimePicker1, ui->Edit2);
    wirePicker(ui->DateTimePicker2, ui->Edit3);

    auto* keys = new ui::KeyCycle({ui->Edit1, ui->ComboBox1, ui->ComboBox2, ui->Edit2, ui->ComboBox3,
                                   ui->ComboBox4, ui->ComboBox5, ui->Edit3, ui->Edit4},
                                  this);
    keys->onF2([this] { Button2Click(); });

    onClick("Button2", [this] { Button2Click(); });
    onClick("Button3", [this] { Button3Click(); });
    onClick("Button4", [this] { Button4Click(); });
    onClick("Button5", [this] { Button5Click(); });
    onClick("Button7", [this] { Button5Click(); }); // Cancel reloads like Refresh
    onClick("Button6", [this] { Button6Click(); });
    onClick("Button8", [this] { Button8Click(); });
    onClick("Button10", [] { records::openChildHistory("TPayableOrderHistory"); });
    onClick("Button1", [this] { ui::closeWindow(this); });

    connect(ui->Edit1, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!t.isEmpty())
            guard([&] { refreshLines(t); });
    });
    connect(ui->Edit13, &QLineEdit::textChanged, this,
            [this](const QString& t) { guard([&] { search(t); }); });

    auto selected = [this] {
        loadSelected();
        refreshLines(ui->Edit1->text());
    };
    connect(ui->DBGrid1, &QTableView::clicked, this, [this, selected](const QModelIndex& index) {
        guard([&] {
            DM->QPo1->SetRecNo(index.row());
            selected();
        });
    });
    connect(grid_, &ui::Grid::keyReleased, this, [this, selected] {
        if (ui->DBGrid1->hasFocus())
            guard(selected);
    });
    connect(grid_, &ui::Grid::characterTyped, this, [this, selected] { guard(selected); });
    connect(grid_, &ui::Grid::titleClicked, this,
            [this](int position, const QString& field) { guard([&] { titleClick(position, field); }); });
    wireNavigator(ui->DBNavigator1, DM->QPo1, selected);
    ui->DBGrid1->installEventFilter(this);

    PoOrder = this;
}

TPoOrder::~TPoOrder() {
    ui->DBGrid1->removeEventFilter(this);
}

bool TPoOrder::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the list by mouse or Tab takes its order into the header; focus moved by a
    // handler (New puts it on "Side Mark") must not overwrite what the handler just wrote.
    if (watched == ui->DBGrid1 && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
            reason == Qt::BacktabFocusReason)
            guard([this] { loadSelected(); });
    }
    return Window::eventFilter(watched, event);
}

void TPoOrder::formShow() {
    ui->DateTimePicker1->setDate(QDate::currentDate());
    ui->DateTimePicker2->setDate(QDate::currentDate());
    Query* q = DM->QPo1;
    openQuery(q, {"Select * From Orders"});
    q->SetSort("Po_Order");
    q->First();
    loadSelected();
    setColumns(false);
    refreshLines(ui->Edit1->text());
}

void TPoOrder::setColumns(bool refreshed) {
    grid_->setColumns({{"Po", 60},
                       {"Side Mark", 100},
                       {"Order By", refreshed ? 100 : 150},
                       {"Order Date", 70},
                       {"Vendor", 100},
                       {"Ship From", 100},
                       {"Ship To", 100},
                       {"Ship Date", 70},
                       {"For Invoice", 200}});
    grid_->markSorted(-1);
}

void TPoOrder::loadSelected() {
    Query* q = DM->QPo1;
    if (!q->Active() || q->RecNo() < 0)
        return;
    ui->Edit1->setText(q->FieldByName("Po_Order").AsString());
    ui->Edit2->setText(q->FieldByName("OrderDate_Order").AsString());
    ui->Edit3->setText(q->FieldByName("ShipDate_Order").AsString());
    ui->Edit4->setText(q->FieldByName("ForInvoice_Order").AsString());
    ui->ComboBox1->setEditText(q->FieldByName("SideMark_Order").AsString());
    ui->ComboBox2->setEditText(q->FieldByName("OrderBy_Order").AsString());
    ui->ComboBox3->setEditText(q->FieldByName("Vendor_Order").AsString());
    ui->ComboBox4->setEditText(q->FieldByName("ShipFrom_Order").AsString());
    ui->ComboBox5->setEditText(q->FieldByName("ShipTo_Order").AsString());
    record_.setLoaded(q->FieldByName("Po_Order").AsString(),
                      q->fieldIndex(RowVersionColumn) >= 0 ? q->FieldByName(RowVersionColumn).AsInteger() : 0);
}

void TPoOrder::refreshLines(const QString& orderNo) {
    const auto po = orderNumber(orderNo);
    if (!po) {
        // A number still being typed ("12a") lists nothing rather than the last order's lines.
        DM->QItem3->Close();
        DM->QItem4->Close();
        ui->Label12->setText(QString());
        return;
    }
    openQuery(DM->QItem3,
              {"Select Name_Item,Qty_Item,Rate_Item,Amount_Item ,Po_Item From Items where Po_Item =?"},
              {*po});
    lines_->setColumns({{"", 240}, {"", 30}, {"", 40}, {"", 40}, {"", 40}});
    ui->Label12->setText(sumText(DM->QItem4, "Amount_Item", "Items", {"Po_Item"}, {*po}));
}

void TPoOrder::titleClick(int position, const QString& field) {
    grid_->markSorted(-1);
    if (field.isEmpty() || !OrderColumns.contains(field, Qt::CaseInsensitive))
        return;
    DM->QPo1->SetSort(field);
    grid_->markSorted(position);
    // The highlighted row stays the order the boxes show.
    if (!record_.loadedNumber().isEmpty())
        locateRecord(*DM->QPo1, {{"Po_Order", record_.loadedNumber()}});
}

void TPoOrder::search(const QString& text) {
    Query* q = DM->QPo1;
    if (!q->Active() || q->Sort().isEmpty())
        return;
    q->Locate(q->Sort(), text, true);
    loadSelected();
}

qint64 TPoOrder::proposeNumber() {
    // The highest number in the table, whatever order the list shows.
    openQuery(DM->QPo2, {"Select Max(Po_Order) From Orders"});
    const Field last = DM->QPo2->FieldByName("Expr1000");
    return last.IsNull() ? 1 : last.AsInteger() + 1;
}

void TPoOrder::Button3Click() {
    for (QLineEdit* e : {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4})
        e->clear();
    for (QComboBox* c : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3, ui->ComboBox4, ui->ComboBox5})
        c->setEditText(QString());
    ui->Edit2->setText(today());
    ui->Edit3->setText(today());
    ui->Edit4->setText("Stock");
    ui->Edit1->setText(record_.propose());
    ui->ComboBox1->setFocus(Qt::OtherFocusReason);
}

ColumnValues TPoOrder::orderValues() const {
    const QVariant orderDate = optionalDate(ui->Edit2->text(), captionOf("Edit2"));
    const QVariant shipDate = optionalDate(ui->Edit3->text(), captionOf("Edit3"));
    return {{"SideMark_Order", textValue(ui->ComboBox1->currentText())},
            {"OrderBy_Order", textValue(ui->ComboBox2->currentText())},
            {"OrderDate_Order", orderDate},
            {"Vendor_Order", textValue(ui->ComboBox3->currentText())},
            {"ShipFrom_Order", textValue(ui->ComboBox4->currentText())},
            {"ShipTo_Order", textValue(ui->ComboBox5->currentText())},
            {"ShipDate_Order", shipDate},
            {"ForInvoice_Order", textValue(ui->Edit4->text())}};
}

void TPoOrder::Button2Click() {
    if (ui->Edit1->text().trimmed().isEmpty())
        return;
    // Every box is checked before the question, so bad input stops with one message.
    const qint64 po = requireInteger(ui->Edit1->text(), captionOf("Edit1"));
    const ColumnValues values = orderValues();
    if (ui::confirm(SaveQuestion)) {
        const SaveResult r = record_.save(DM->QPo1, po, values);
        if (r.outcome == SaveResult::Outcome::Changed) {
            if (ui::confirm(changedQuestion("order")))
                Button5Click();
            return;
        }
        if (r.outcome == SaveResult::Outcome::Taken) {
            ui::showMessage(QStringLiteral("There is already an order %1. Nothing was saved: choose it in the "
                                           "list to change it, or press New for a new one.")
                                .arg(po));
            return;
        }
        if (r.key != po) {
            ui->Edit1->setText(record_.loadedNumber());
            ui::showMessage(renumberedMessage("order", r.key, po));
        } else {
            ui::showMessage("Saved!");
        }
    }
    Button5Click();
    ui->DBGrid1->setFocus(Qt::OtherFocusReason);
}

kestrum::lines::LineHold TPoOrder::holdForLines(const QString& number, const QString&) {
    const qint64 po = requireInteger(number, captionOf("Edit1"));
    // The editor's order may no longer be the one shown: then it must be stored already.
    const bool shown = number == ui->Edit1->text().trimmed();
    const SaveResult r = record_.hold(DM->QPo2, po, shown, [this] { return orderValues(); }, "Order");
    if (!shown || r.key == po)
        return {shown ? record_.loadedNumber() : number, {}};
    ui->Edit1->setText(record_.loadedNumber());
    return {record_.loadedNumber(), renumberedMessage("order", r.key, po)};
}

void TPoOrder::Button4Click() {
    // An empty number does nothing, as in every other window.
    if (ui->Edit1->text().trimmed().isEmpty())
        return;
    const qint64 po = requireInteger(ui->Edit1->text(), captionOf("Edit1"));
    refreshLines(ui->Edit1->text());
    if (DM->QItem3->RecordCount() != 0) {
        ui::showMessage("This PO it has Material Please Delete PO first");
        return;
    }
    if (!ui::confirm(DeleteQuestion))
        return;
    execQuery(DM->QPo1, {"Delete  From Orders where Po_Order=?"}, {po});
    Button5Click();
}

void TPoOrder::Button5Click() {
    Query* q = DM->QPo1;
    openQuery(q, {"Select * From Orders"});
    q->SetSort("PO_Order");
    q->Last();
    loadSelected();
    setColumns(true);
    refreshLines(ui->Edit1->text());
}

void TPoOrder::Button6Click() {
    ui::openMdiChild(new TOrderItem);
}

void TPoOrder::Button8Click() {
    auto* w = new TPayableOrder;
    ui::openMdiChild(w);
    w->setControlText("Edit1", ui->Edit1->text());
}
