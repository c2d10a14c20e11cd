#include "HistoryBrowser.h"

#include "ui_THistory.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "InputError.h"
#include "Layouts.h"
#include "ListReports.h"
#include "Mdi.h"
#include "Query.h"
#include "QueryModel.h"
#include "RowDelete.h"
#include "TBank.h"
#include "TCompany.h"
#include "TCustomer.h"
#include "TLabor.h"
#include "TPart.h"
#include "TReceivable.h"
#include "WindowFactory.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QShowEvent>

namespace kestrum::reports {

namespace {

using Kind = HistoryMember::Kind;
using Key = HistoryMember::Key;

QList<ui::GridColumn> payments(const QStringList& titles, const QList<int>& widths)
{
    QList<ui::GridColumn> out;
    for (int i = 0; i < titles.size(); ++i)
        out.append({titles[i], widths.value(i, 100)});
    return out;
}

HistoryMember member(QString className, QString caption, QString panel, Kind kind, QString queryName, QString table,
                     QString keyColumn, Key key, QStringList openers, QString keyControl)
{
    HistoryMember m;
    m.className = std::move(className);
    m.caption = std::move(caption);
    m.panel = std::move(panel);
    m.kind = kind;
    m.queryName = std::move(queryName);
    m.table = std::move(table);
    m.keyColumn = std::move(keyColumn);
    m.key = key;
    m.openers = std::move(openers);
    m.keyControl = std::move(keyControl);
    return m;
}

std::vector<HistoryMember> buildMembers()
{
    const QStringList receivableTitles{"Inv#", "Name", "Via Pay", "Pay Date", "Ref", "Deposit To", "Amount $"};
    const QList<int> paymentWidths{60, 150, 50, 100, 100, 100, 100, 100};
    const auto partTitles = [](const QString& last) {
        return payments({"Name", "Mfg", "Qty", "Style", "Part #", "Rate", "Amount", last}, {160, 100, 50, 100, 100, 100, 50, 70});
    };
    std::vector<HistoryMember> m;
    m.push_back(member("TReceivableHistory", "ReceivableHistory", "", Kind::Child, "QReceivable3", "Receivable",
                 "InvoiceNo_Receivable", Key::Integer, {"TReceivable"}, "Edit1"));
    m.back().columns = payments(receivableTitles, paymentWidths);
    m.back().navigator = true;

    m.push_back(member("TInvoiceHistory", "InvoiceHistory", "", Kind::Child, "QReceivable3", "Receivable",
                 "InvoiceNo_Receivable", Key::Integer, {"TInvoice", "TEstimate"}, "Edit1"));
    m.back().columns = payments(receivableTitles, paymentWidths);
    m.back().navigator = true;

    m.push_back(member("TCustomerHistory", "CustomerHistory", "", Kind::Child, "QCustomer4", "Receivable",
                 "Name_Receivable", Key::Text, {"TCustomer"}, "Edit2"));
    m.back().columns =
        payments({"Invoice#", "Customer Name", "Via", "Pay Date", "Refrence#", "Deposit To", "Paid Amount"}, paymentWidths);

    m.push_back(member("TCustomerInvoiceHistory", "CustomerInvoiceHistory", "", Kind::Child, "QCustomer4", "Invoice",
                 "CustomerName_Inv", Key::Text, {"TCustomer"}, "Edit2"));
    m.back().columns =
        payments({"Invoice#", "Customer Name", "Repair By", "Inv Date", "PO#", "Inv Amount", "Address"}, paymentWidths);
    // The titles name the columns in this order; the rest follow with their own names.
    m.back().select =
        "InvoiceNo_Inv, CustomerName_Inv, RepairPerson_Inv, InvoiceDate_Inv, PO_Inv, Amount_Inv, JobLocation_Inv, "
        "Paid_Inv, DueDate_Inv, Vin_Inv, TruckNo_Inv, Mileage_Inv, Make_Inv, Model_Inv, Year_Inv, Plate_Inv, Tax_Inv, "
        "Remark_Inv";

    m.push_back(member("TVendorHistory", "VendorHistory", "", Kind::Child, "QCompany4", "Bill", "Vendor_Bill", Key::Text,
                 {"TCompany"}, "Edit2"));
    m.back().columns = payments({"Ref#", "Name", "Inv Date", "Due Date", "Amount", "Address", "Chart"}, paymentWidths);
    m.back().navigator = true;

    const QStringList payableTitles{"Inv#", "Name", "Via Pay", "Pay Date", "Ref", "Amount $", "Chart", "Sub Chart"};
    m.push_back(member("TPayableHistory", "PayableHistory", "", Kind::Child, "QPayable3", "Payable", "BillNo_Payable",
                 Key::Text, {"TBill"}, "Edit1"));
    m.back().alsoColumn = "Name_Payable";  // bills of two vendors may share a reference
    m.back().alsoControl = "ComboBox1";
    m.back().columns = payments(payableTitles, paymentWidths);
    m.back().navigator = true;

    QStringList orderTitles = payableTitles;
    orderTitles[0] = "PO#";
    m.push_back(member("TPayableOrderHistory", "PayableOrderHistory", "", Kind::Child, "QPayable3", "PayableOrder",
                 "BillNo_Payable", Key::Text, {"TPoOrder"}, "Edit1"));
    m.back().columns = payments(orderTitles, paymentWidths);
    m.back().navigator = true;

    m.push_back(member("TPartOrderHistory", "PartOrderHistory", "Part Order History", Kind::Modal, "Q1", "Items",
                 "Color_Item", Key::Text, {"TPart"}, "Edit8"));
    m.back().columns = partTitles("Po");

    m.push_back(member("TPartInvoiceHistory", "PartInvoiceHistory", "Part Invoice History", Kind::Modal, "Q1", "InvItem",
                 "Color_Item", Key::Text, {"TPart"}, "Edit8"));
    m.back().columns = partTitles("Invoice #");

    m.push_back(member("TLaborInvoiceHistory", "LaborInvoiceHistory", "Labor Invoice History", Kind::Modal, "Q1",
                 "InvLabor", "Description_Labor", Key::Text, {"TLabor"}, "ComboBox1"));
    m.back().columns = payments({"Description", "Part Number", "Qty", "Rate", "Amount", "Remark", "Invoice"},
                                {160, 100, 50, 100, 100, 100, 100});

    m.push_back(member("TBankHistory", "BankHistory", "", Kind::Modal, "QPayable3", "Deposit", "DepositTo_Dep", Key::Text,
                 {"TBank"}, "Edit2"));
    m.back().columns = payments({"Deposit To", "Date", "From", "Account", "Sub Account", "Check #", "Amount $", "Remark"},
                                {160, 150, 150, 200, 100, 100, 100, 100});
    m.back().navigator = true;
    m.back().print = true;
    return m;
}

QString textOf(QWidget* window, const QString& control)
{
    if (!window)
        return {};
    if (auto* edit = window->findChild<QLineEdit*>(control))
        return edit->text();
    if (auto* combo = window->findChild<QComboBox*>(control))
        return combo->currentText();
    return {};
}

}  // namespace

const std::vector<HistoryMember>& historyMembers()
{
    static const std::vector<HistoryMember> members = buildMembers();
    return members;
}

const HistoryMember* findHistoryMember(const QString& className)
{
    for (const HistoryMember& m : historyMembers())
        if (m.className == className)
            return &m;
    return nullptr;
}

QWidget* findOpener(const QStringList& classes)
{
    // The windows of the modules this one builds on keep a global reference; use it.
    const std::pair<const char*, QWidget* (*)()> references[] = {
        {"TPart", [] { return static_cast<QWidget*>(Part.data()); }},
        {"TCustomer", [] { return static_cast<QWidget*>(Customer.data()); }},
        {"TCompany", [] { return static_cast<QWidget*>(Company.data()); }},
        {"TLabor", [] { return static_cast<QWidget*>(Labor.data()); }},
        {"TReceivable", [] { return static_cast<QWidget*>(Receivable.data()); }},
        {"TBank", [] { return static_cast<QWidget*>(Bank.data()); }},
    };
    for (const auto& [name, reference] : references)
        if (classes.contains(QLatin1String(name)))
            if (QWidget* w = reference())
                return w;

    // Windows of modules built after this one are found by class: the one in front first.
    const auto matches = [&classes](const QWidget* w) {
        for (const QString& c : classes)
            if (w->inherits(c.toLatin1().constData()))
                return true;
        return false;
    };
    if (QMdiArea* area = ui::mdiArea())
        if (QMdiSubWindow* sub = area->activeSubWindow(); sub && sub->widget() && matches(sub->widget()))
            return sub->widget();
    if (QWidget* w = QApplication::activeWindow(); w && matches(w))
        return w;
    for (QWidget* w : QApplication::allWidgets())
        if (matches(w))
            return w;
    return nullptr;
}

// --- the browser ---------------------------------------------------------------------------------

HistoryBrowser::HistoryBrowser(const HistoryMember& member, QWidget* host)
    : QObject(host), member_(member), host_(host), ui_(std::make_unique<Ui::THistory>()),
      query_(new Query(DM->database(), member.queryName, this))
{
    host->setObjectName(member.className.mid(1));
    ui_->setupUi(host);
    host->setWindowTitle(member.caption);
    ui_->Panel1->setText(member.panel);
    ui_->Panel1->setVisible(!member.panel.isEmpty());
    ui_->DBNavigator1->setVisible(member.navigator);
    ui_->Button2->setVisible(member.print);

    const ui::GridBinding bound = ui::bindGrid(ui_->DBGrid1, query_, this);
    model_ = bound.model;
    grid_ = bound.grid;
    grid_->setColumns(member.columns);

    connect(ui_->Button1, &QPushButton::clicked, this, [this] { ui::closeWindow(host_); });
    connect(ui_->Button2, &QPushButton::clicked, this, [this] { ui::runGuarded(host_, [this] { print(); }); });
    connect(ui_->NavFirst, &QToolButton::clicked, this, [this] { move(&Query::First); });
    connect(ui_->NavPrior, &QToolButton::clicked, this, [this] { move(&Query::Prior); });
    connect(ui_->NavNext, &QToolButton::clicked, this, [this] { move(&Query::Next); });
    connect(ui_->NavLast, &QToolButton::clicked, this, [this] { move(&Query::Last); });
    connect(ui_->NavDelete, &QToolButton::clicked, this, [this] { ui::runGuarded(host_, [this] { deleteCurrent(); }); });
    connect(ui_->DBGrid1, &QTableView::clicked, this, [this](const QModelIndex& index) { query_->SetRecNo(index.row()); });
}

HistoryBrowser::~HistoryBrowser() = default;

QString HistoryBrowser::key() const
{
    return textOf(opener_, member_.keyControl);
}

void HistoryBrowser::refresh()
{
    query_->Clear();
    QVariant value = key();
    if (member_.key == Key::Integer) {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return;  // no invoice: nothing to list
        value = requireInteger(text, member_.columns.value(0).title);
    }
    query_->Add("Select " + member_.select + " From " + member_.table + " where " + member_.keyColumn + " =?");
    query_->Bind(value);
    if (!member_.alsoColumn.isEmpty()) {
        query_->Add(" And " + member_.alsoColumn + " =?");
        query_->Bind(textOf(opener_, member_.alsoControl));
    }
    query_->Open();
}

void HistoryBrowser::move(void (Query::*step)())
{
    if (query_->Active())
        (query_->*step)();
}

void HistoryBrowser::deleteCurrent()
{
    const int row = query_->RecNo();
    if (!query_->Active() || row < 0)
        return;
    if (!ui::confirm(QStringLiteral("Delete record?")))
        return;
    // The tables have no row key: the row is matched by all its values, and of identical rows
    // exactly one goes.
    QList<receivables::ColumnValue> match;
    const QStringList columns = query_->FieldNames();
    for (int c = 0; c < columns.size(); ++c)
        match.append({columns[c], query_->fieldAt(row, c).AsVariant()});
    Query writer(DM->database(), member_.queryName);
    receivables::deleteOneRow(&writer, member_.table, match);
    // The same statement again; the grid stays near where it was.
    query_->Open();
    const int rows = query_->RecordCount();
    if (rows > 0)
        query_->SetRecNo(std::min(row, rows - 1));
}

void HistoryBrowser::print()
{
    if (!member_.print)
        return;
    showListReport(depositLayout(), query_, host_);
}

// --- the two hosts -------------------------------------------------------------------------------

THistoryChild::THistoryChild(const HistoryMember& member, QWidget* parent)
    : QWidget(parent), browser_(new HistoryBrowser(member, this))
{
    // Made by the opener's button: the opener is the window in front right now.
    browser_->setOpener(findOpener(member.openers));
}

void THistoryChild::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Once, at opening: a restore after the opener has closed must not list another key's rows.
    if (event->spontaneous() || shown_)
        return;
    shown_ = true;
    ui::runGuarded(this, [this] { browser_->refresh(); });
}

THistoryModal::THistoryModal(const HistoryMember& member, QWidget* parent)
    : AuxWindow(parent), browser_(new HistoryBrowser(member, this))
{
}

void THistoryModal::showEvent(QShowEvent* event)
{
    AuxWindow::showEvent(event);
    if (event->spontaneous())
        return;
    browser_->setOpener(findOpener(browser_->member().openers));
    ui::runGuarded(this, [this] { browser_->refresh(); });
}

void registerHistoryWindows()
{
    for (const HistoryMember& m : historyMembers()) {
        const HistoryMember* member = &m;
        ui::WindowFactory::registerWindow(m.className, [member]() -> QWidget* {
            if (member->kind == Kind::Child)
                return new THistoryChild(*member);
            return new THistoryModal(*member);
        });
    }
}

}  // namespace kestrum::reports
