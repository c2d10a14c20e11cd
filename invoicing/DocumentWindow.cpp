#include "DocumentWindow.h"

#include "ui_TInvoice.h"

#include "Archive.h"

#include "Concurrency.h"
#include "DataModule.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "FirstShow.h"
#include "Format.h"
#include "Grid.h"
#include "History.h"
#include "InputError.h"
#include "InvoiceReport.h"
#include "Keys.h"
#include "LineEditor.h"
#include "Figures.h"
#include "ListCombo.h"
#include "Mdi.h"
#include "Query.h"
#include "QueryModel.h"
#include "ReportPreview.h"
#include "TTax.h"
#include "Timer.h"
#include "Transaction.h"
#include "UpperCaseValidator.h"
#include "WindowFactory.h"

#include <QAction>
#include <QFocusEvent>
#include <QMenu>
#include <QMetaObject>
#include <QPushButton>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace kestrum::invoicing {

namespace {

const QString SaveQuestion = QStringLiteral("Are you sure you want to Save this Record?");
const QString DeleteQuestion = QStringLiteral("Are you sure you want to Delete this Record?");
const QString Balanced = QStringLiteral("......................");
const QString ArchiveCode = QStringLiteral("Quelmo");

// The list's columns: the nine titled ones first, in the order of their titles, then the rest of
// the header, so every title stands over the column it names.
const QStringList ListColumns = {"InvoiceNo_Inv", "CustomerName_Inv", "RepairPerson_Inv", "InvoiceDate_Inv",
                                 "PO_Inv",        "Amount_Inv",       "Plate_Inv",        "DueDate_Inv",
                                 "Remark_Inv",    "Paid_Inv",         "JobLocation_Inv",  "Vin_Inv",
                                 "TruckNo_Inv",   "Mileage_Inv",      "Make_Inv",         "Model_Inv",
                                 "Year_Inv",      "Tax_Inv",          "RowVersion"};
const int ListWidths[] = {60, 150, 100, 70, 100, 100, 100, 70, 200};

QVariant textValue(const QString& text)
{
    return QVariant(text.isNull() ? QString(QLatin1String("")) : text);
}

Decimal labelNumber(const QString& text)
{
    return Decimal::parse(text).value_or(Decimal{});
}

/// Paid documents on cream with maroon text, the others on the light 3-D colour.
class PaidRowDelegate : public QStyledItemDelegate {
public:
    PaidRowDelegate(kestrum::Query* query, QObject* parent) : QStyledItemDelegate(parent), query_(query) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!query_ || !query_->Active())
            return;
        const int paid = query_->fieldIndex(QStringLiteral("Paid_Inv"));
        const bool isPaid = paid >= 0 && query_->fieldAt(index.row(), paid).AsBoolean();
        option->backgroundBrush = isPaid ? ui::colorValue(0xF0FBFF) : option->palette.color(QPalette::Midlight);
        const QColor text = isPaid ? ui::colorValue(0x000080) : QColor(Qt::black);
        option->palette.setColor(QPalette::Text, text);
        option->palette.setColor(QPalette::HighlightedText, text);
    }

private:
    QPointer<kestrum::Query> query_;
};

}  // namespace

DocumentWindow::DocumentWindow(const DocumentSpec& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), ui(std::make_unique<Ui::TInvoice>()),
      record_(doc_.headerTable, QStringLiteral("InvoiceNo_Inv"), [this] { return proposeNumber(); })
{
    setAttribute(Qt::WA_DeleteOnClose);
    ui::openMaximised(this);
    ui->setupUi(this);
    setWindowTitle(doc_.caption);
    ui->CaptionPanel->setText(doc_.caption);
    ui->capEdit1->setText(doc_.numberCaption);
    ui->capLabel14->setText(doc_.totalCaption);
    ui->Button9->setText(doc_.printCaption);
    ui->Edit13->setValidator(new records::UpperCaseValidator(ui->Edit13));
    // The grids have no caption of their own to be named by.
    ui->DBGrid1->setAccessibleName(doc_.caption + QStringLiteral(" list"));
    ui->DBGrid2->setAccessibleName(doc_.caption + QStringLiteral(" part lines"));
    ui->DBGrid3->setAccessibleName(doc_.caption + QStringLiteral(" labor lines"));

    auto wire = [this](QAbstractButton* b, void (DocumentWindow::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, [this, handler] { ui::runGuarded(this, [&] { (this->*handler)(); }); });
    };
    wire(ui->Button3, &DocumentWindow::newDocument);
    wire(ui->Button2, &DocumentWindow::saveDocument);
    wire(ui->Button4, &DocumentWindow::deleteDocument);
    wire(ui->Button5, &DocumentWindow::refreshList);
    wire(ui->Button7, &DocumentWindow::refreshList);
    wire(ui->Button9, &DocumentWindow::printDocument);
    wire(ui->Button6, &DocumentWindow::openPartLines);
    wire(ui->Button8, &DocumentWindow::openLaborLines);
    wire(ui->Button11, &DocumentWindow::openReceivable);
    wire(ui->Button10, &DocumentWindow::openPaidHistory);
    wire(ui->Button12, &DocumentWindow::archiveDocument);
    connect(ui->Button1, &QAbstractButton::clicked, this, [this] { ui::closeWindow(this); });
    addFootButton(QStringLiteral("VehicleHistoryButton"), QStringLiteral("Vehicle History"),
                  &DocumentWindow::openVehicleHistory);
    auto* vinHistory = new QAction(QStringLiteral("Vehicle History"), ui->Edit6);
    connect(vinHistory, &QAction::triggered, this, [this] { ui::runGuarded(this, [&] { openVehicleHistory(); }); });
    ui->Edit6->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->Edit6, &QWidget::customContextMenuRequested, this, [this, vinHistory](const QPoint& at) {
        std::unique_ptr<QMenu> menu(ui->Edit6->createStandardContextMenu());
        menu->addSeparator();
        menu->addAction(vinHistory);
        menu->exec(ui->Edit6->mapToGlobal(at));
    });

    connect(ui->Edit11, &QLineEdit::textChanged, this,
            [this](const QString& code) { ui->Button12->setEnabled(code == ArchiveCode); });
    connect(ui->Edit13, &QLineEdit::textChanged, this,
            [this](const QString& t) { ui::runGuarded(this, [&] { search(t); }); });
    connect(ui->ComboBox5, &QComboBox::currentTextChanged, this, [this] { ui::runGuarded(this, [&] { computeTotal(); }); });
    connect(ui->Edit4, &QLineEdit::textChanged, this, [this] { ui::runGuarded(this, [&] { computeTotal(); }); });
    // The tax follows the date typed or picked, not only the date stored.
    connect(ui->Edit2, &QLineEdit::textChanged, this, [this] {
        if (!filling_)
            ui::runGuarded(this, [&] {
                lookUpRate();
                computeTotal();
            });
    });

    const std::pair<QRadioButton*, Filter> filters[] = {
        {ui->RadioButton1, Filter::Open}, {ui->RadioButton2, Filter::Paid}, {ui->RadioButton3, Filter::All}};
    for (const auto& [button, filter] : filters) {
        const Filter f = filter;
        connect(button, &QRadioButton::toggled, this, [this, f](bool on) {
            if (!on)
                return;
            ui::runGuarded(this, [&] {
                setPickersToday();
                openList(f);
                showCurrentRow();
            });
        });
    }

    connect(ui->DateTimePicker1, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { ui->Edit2->setText(formatShortDate(d)); });
    connect(ui->DateTimePicker2, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { ui->Edit3->setText(formatShortDate(d)); });

    const struct {
        records::ListCombo* combo;
        QString sql, column;
    } lists[] = {
        {ui->ComboBox1, "Select distinct Name_Customer From Customer", "Name_Customer"},
        {ui->ComboBox2, "Select distinct Name_Employee From Employee", "Name_Employee"},
        {ui->ComboBox3, "Select distinct Make_Inv From " + doc_.headerTable, "Make_Inv"},
        {ui->ComboBox4, "Select distinct Model_Inv From " + doc_.headerTable, "Model_Inv"},
    };
    for (const auto& l : lists) {
        const QString name = l.combo->objectName(), sql = l.sql, column = l.column;
        connect(l.combo, &records::ListCombo::dropDown, this,
                [this, name, sql, column] { ui::runGuarded(this, [&] { fillList(name, sql, column); }); });
    }
    ui->ComboBox1->installEventFilter(this);
    ui->Edit4->installEventFilter(this);

    if (!doc_.showsPayments) {
        for (QWidget* w : std::initializer_list<QWidget*>{ui->Button10, ui->Button11, ui->capLabel19, ui->Label19})
            w->hide();
    }

    setupGrids();
    setupKeys();
    ui::startSecondTimer(this, [this] { timerTick(); });
}

DocumentWindow::~DocumentWindow()
{
    ui->ComboBox1->removeEventFilter(this);
    ui->Edit4->removeEventFilter(this);
}

kestrum::Query* DocumentWindow::q(kestrum::Query* TDM::*member) const
{
    return DM->*member;
}

QTableView* DocumentWindow::list() const
{
    return ui->DBGrid1;
}

QString DocumentWindow::number() const
{
    return ui->Edit1->text().trimmed();
}

void DocumentWindow::setupGrids()
{
    kestrum::Query* listQ = q(doc_.list);
    // Most of a shop's invoices can be open: the window shows the first of them while they are counted.
    listQ->setCountFollows(true);
    listGrid_ = ui::bindGrid(ui->DBGrid1, listQ, this).grid;
    ui->DBGrid1->setItemDelegate(new PaidRowDelegate(listQ, this));
    QList<ui::GridColumn> columns;
    for (int i = 0; i < 9; ++i)
        columns << ui::GridColumn{doc_.listTitles.value(i), ListWidths[i]};
    listGrid_->setColumns(columns);
    listGrid_->setFitToContents(true);
    connect(listGrid_, &ui::Grid::titleClicked, this, [this](int position, const QString& field) {
        ui::runGuarded(this, [&] { titleClick(position, field); });
    });
    connect(ui->DBGrid1, &QTableView::clicked, this, [this](const QModelIndex& index) {
        ui::runGuarded(this, [&] {
            q(doc_.list)->SetRecNo(index.row());
            showCurrentRow();
        });
    });
    connect(listGrid_, &ui::Grid::keyReleased, this, [this] {
        if (ui->DBGrid1->hasFocus())
            ui::runGuarded(this, [&] { showCurrentRow(); });
    });
    const std::pair<QToolButton*, void (kestrum::Query::*)()> nav[] = {
        {ui->NavFirst, &kestrum::Query::First},
        {ui->NavPrior, &kestrum::Query::Prior},
        {ui->NavNext, &kestrum::Query::Next},
        {ui->NavLast, &kestrum::Query::Last}};
    for (const auto& [button, move] : nav) {
        auto m = move;
        connect(button, &QToolButton::clicked, this, [this, m] {
            ui::runGuarded(this, [&] {
                if (!q(doc_.list)->Active())
                    return;
                (q(doc_.list)->*m)();
                showCurrentRow();
            });
        });
    }

    auto* items = new kestrum::QueryModel(q(doc_.items), this);
    ui->DBGrid2->setModel(items);
    itemGrid_ = new ui::Grid(ui->DBGrid2);
    itemGrid_->setColumns({{"", 240}, {"", 30}, {"", 40}, {"", 40}, {"", 40}});
    itemGrid_->setFitToContents(true);
    auto* labor = new kestrum::QueryModel(q(doc_.labor), this);
    ui->DBGrid3->setModel(labor);
    laborGrid_ = new ui::Grid(ui->DBGrid3);
    laborGrid_->setColumns({{"", 150}, {"", 30}, {"", 40}, {"", 40}, {"", 40}, {"", 40}, {"", 40}});
    laborGrid_->setFitToContents(true);
}

void DocumentWindow::setupKeys()
{
    // Only these fields react to keys: Enter moves on, Left moves back (nothing where no
    // target is named), F2 saves.
    struct Hop {
        QWidget* from;
        QWidget* enter;
        QWidget* left;
    };
    const Hop hops[] = {{ui->Edit1, ui->ComboBox1, ui->Memo2},
                        {ui->ComboBox1, ui->ComboBox2, ui->Edit1},
                        {ui->ComboBox2, ui->Edit2, ui->ComboBox1},
                        {ui->Edit2, nullptr, ui->ComboBox2},
                        {ui->Edit3, ui->Memo2, nullptr}};
    class HopFilter : public QObject {
    public:
        HopFilter(DocumentWindow* w, std::vector<Hop> hops) : QObject(w), window_(w), hops_(std::move(hops)) {}

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() != QEvent::KeyPress)
                return false;
            const int key = static_cast<QKeyEvent*>(event)->key();
            for (const Hop& h : hops_) {
                if (h.from != watched)
                    continue;
                if (key == ui::keys::F2) {
                    ui::runGuarded(window_, [this] { window_->saveDocument(); });
                    return true;
                }
                QWidget* target = ui::keys::isEnter(key) ? h.enter : key == ui::keys::Left ? h.left : nullptr;
                if (ui::keys::isEnter(key) || key == ui::keys::Left) {
                    if (target)
                        target->setFocus(Qt::TabFocusReason);
                    return ui::keys::isEnter(key) || target;
                }
            }
            return false;
        }

    private:
        DocumentWindow* window_;
        std::vector<Hop> hops_;
    };
    auto* filter = new HopFilter(this, std::vector<Hop>(std::begin(hops), std::end(hops)));
    for (const Hop& h : hops)
        h.from->installEventFilter(filter);
}

bool DocumentWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (watched == ui->ComboBox1 && reason != Qt::PopupFocusReason)
            ui::runGuarded(this, [&] { customerLeft(); });
        else if (watched == ui->Edit4 && ui->Edit4->text().isEmpty())
            ui->Edit4->setText("0");
    }
    return QWidget::eventFilter(watched, event);
}

void DocumentWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ui::runOnFirstShow(this, shown_, [&] { formShow(); });
}

void DocumentWindow::setPickersToday()
{
    const QSignalBlocker b1(ui->DateTimePicker1), b2(ui->DateTimePicker2);
    ui->DateTimePicker1->setDate(QDate::currentDate());
    ui->DateTimePicker2->setDate(QDate::currentDate());
}

void DocumentWindow::formShow()
{
    setPickersToday();
    openList(Filter::Open);
    showCurrentRow();
}

void DocumentWindow::openList(Filter filter)
{
    kestrum::Query* list = q(doc_.list);
    const QString select = "Select " + ListColumns.join(',') + " From " + doc_.headerTable;
    if (filter == Filter::All)
        list->setStatement(select + "\nOrder By InvoiceNo_Inv");
    else
        list->setStatement(select + "\nwhere Paid_Inv=?\nOrder By InvoiceNo_Inv", {filter == Filter::Paid});
    list->Open();
    sortColumn_.clear();
    listGrid_->markSorted(-1);
}

void DocumentWindow::showCurrentRow()
{
    fillHeader();
    loadLines();
    lookUpRate();
    computeTotal();
}

void DocumentWindow::fillHeader()
{
    filling_ = true;
    const auto done = qScopeGuard([this] { filling_ = false; });
    kestrum::Query* list = q(doc_.list);
    const bool row = list->Active() && list->RecNo() >= 0;
    auto text = [&](const char* column) { return row ? list->FieldByName(column).AsString() : QString(); };
    ui->Edit1->setText(text("InvoiceNo_Inv"));
    ui->Edit2->setText(text("InvoiceDate_Inv"));
    ui->Edit3->setText(text("DueDate_Inv"));
    ui->Edit4->setText(text("Amount_Inv"));
    ui->Memo2->setPlainText(text("Remark_Inv"));
    ui->Memo1->setPlainText(text("JobLocation_Inv"));
    ui->Edit5->setText(text("PO_Inv"));
    ui->Edit6->setText(text("Vin_Inv"));
    ui->Edit7->setText(text("Mileage_Inv"));
    ui->Edit8->setText(text("Year_Inv"));
    ui->Edit9->setText(text("Plate_Inv"));
    ui->Edit10->setText(text("TruckNo_Inv"));
    ui->ComboBox1->setEditText(text("CustomerName_Inv"));
    ui->ComboBox2->setEditText(text("RepairPerson_Inv"));
    ui->ComboBox3->setEditText(text("Make_Inv"));
    ui->ComboBox4->setEditText(text("Model_Inv"));
    // The tax flag always comes with its invoice: the total and the printout use the one shown.
    if (row)
        ui->ComboBox5->setCurrentText(list->FieldByName("Tax_Inv").AsBoolean() ? "Yes" : "No");
    ui->CheckBox1->setChecked(row && list->FieldByName("Paid_Inv").AsBoolean());
    record_.setLoaded(row ? text("InvoiceNo_Inv") : QString(), row ? list->FieldByName("RowVersion").AsInteger() : 0);
}

void DocumentWindow::loadLines()
{
    bool ok = false;
    const qint64 n = number().toLongLong(&ok);
    kestrum::Query* items = q(doc_.items);
    kestrum::Query* labor = q(doc_.labor);
    if (!ok) {
        // No number, no statements: the grids and totals show nothing.
        items->Close();
        labor->Close();
        ui->Label12->clear();
        ui->Label15->clear();
        ui->Label19->clear();
        return;
    }
    items->setStatement("Select Name_Item,Qty_Item,Rate_Item,Amount_Item,Color_Item ,Inv_Item From " + doc_.itemTable +
                            " where Inv_Item =?",
                        {n});
    items->Open();
    itemGrid_->applyColumns();

    auto sum = [n](kestrum::Query* s, const QString& sql) {
        s->setStatement(sql, {n});
        s->Open();
        return s->FieldByName("Expr1000").AsString();
    };
    ui->Label12->setText(sum(q(doc_.itemSum), "Select Sum(Amount_Item) From " + doc_.itemTable + " where Inv_Item =?"));

    labor->setStatement(
        "Select Description_Labor,PartNo_Labor,Qty_Labor,Rate_Labor,Amount_Labor ,Remark_Labor,Inv_Labor From " +
            doc_.laborTable + " where Inv_Labor=?",
        {n});
    labor->Open();
    laborGrid_->applyColumns();
    ui->Label15->setText(
        sum(q(doc_.laborSum), "Select Sum(Amount_Labor) From " + doc_.laborTable + " where Inv_Labor =?"));
    if (doc_.showsPayments)
        ui->Label19->setText(
            sum(DM->QReceivable1, "Select Sum(Amount_Receivable) From Receivable where InvoiceNo_Receivable=?"));
}

void DocumentWindow::lookUpRate()
{
    rate_.reset();
    const auto date = parseShortDate(ui->Edit2->text());
    if (!date)
        return;
    const Decimal r = records::taxRate(*date);
    if (DM->QTax->RecordCount() > 0)
        rate_ = r;
}

void DocumentWindow::computeTotal()
{
    const Decimal p = labelNumber(ui->Label12->text());
    const Decimal l = labelNumber(ui->Label15->text());
    const bool taxable = ui->ComboBox5->currentText() == QLatin1String("Yes");
    Decimal total = p + l;
    QString note;
    if (taxable) {
        if (rate_)
            total += p * *rate_;
        else if (!p.isZero())
            note = QStringLiteral("No tax rate for this month: tax counted as 0");
    }
    // To four decimals first, as money is kept, then shown "#.##".
    ui->Label14->setText(formatMoney(total.rounded(4)));
    ui->TaxNote->setText(note);
    ui->Label17->setText(ui->Label14->text() != ui->Edit4->text() ? doc_.notBalanced : Balanced);
}

void DocumentWindow::timerTick()
{
    if (ui->Label12->text().isEmpty())
        ui->Label12->setText("0.00");
    if (ui->Label15->text().isEmpty())
        ui->Label15->setText("0.00");
}

void DocumentWindow::customerLeft()
{
    ui->Memo1->clear();
    kestrum::Query* c = DM->QPo3;
    c->setStatement("Select * From Customer where Name_Customer =?", {textValue(ui->ComboBox1->currentText())});
    c->Open();
    if (c->RecordCount() == 0)
        return;  // an unknown name leaves the address empty rather than bare separators
    ui->Memo1->setPlainText(c->FieldByName("Address_Customer").AsString() + " " +
                            c->FieldByName("City_Customer").AsString() + ", " +
                            c->FieldByName("State_Customer").AsString() + " " +
                            c->FieldByName("Zip_Customer").AsString());
}

void DocumentWindow::fillList(const QString& control, const QString& sql, const QString& column)
{
    findChild<records::ListCombo*>(control)->setValues(records::columnValues(DM->QPo2, sql, column));
}

void DocumentWindow::titleClick(int position, const QString& field)
{
    listGrid_->markSorted(-1);
    if (position < 0 || position >= 9 || field.isEmpty())
        return;
    kestrum::Query* list = q(doc_.list);
    list->SetSort(field);
    sortColumn_ = field;
    listGrid_->markSorted(position);
    // Keep the shown document current, so the list row and the header stay one document.
    if (!number().isEmpty())
        list->Locate("InvoiceNo_Inv", number(), false);
}

void DocumentWindow::search(const QString& text)
{
    kestrum::Query* list = q(doc_.list);
    if (!list->Active())
        return;
    // Before a title click, names are what people type here.
    const QString column = sortColumn_.isEmpty() ? QStringLiteral("CustomerName_Inv") : sortColumn_;
    list->Locate(column, text, true);
    showCurrentRow();
}

qint64 DocumentWindow::proposeNumber()
{
    return nextNumber(doc_, q(doc_.probe));
}

void DocumentWindow::newDocument()
{
    filling_ = true;
    const auto done = qScopeGuard([this] { filling_ = false; });
    for (QLineEdit* e : {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit5, ui->Edit6, ui->Edit7, ui->Edit8, ui->Edit9,
                         ui->Edit10})
        e->clear();
    for (QComboBox* c : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3, ui->ComboBox4})
        c->setEditText(QString());
    ui->Memo1->clear();
    ui->Memo2->clear();
    ui->Edit4->setText("0.00");
    ui->CheckBox1->setChecked(false);
    const QString today = formatShortDate(QDate::currentDate());
    ui->Edit2->setText(today);
    ui->Edit3->setText(today);
    ui->Edit1->setText(record_.propose());
    loadLines();
    lookUpRate();
    computeTotal();
    ui->ComboBox1->setFocus(Qt::OtherFocusReason);
}

QList<std::pair<QString, QVariant>> DocumentWindow::headerValues() const
{
    const QVariant invoiceDate = optionalDate(ui->Edit2->text(), ui->capEdit2->text());
    const QVariant dueDate = optionalDate(ui->Edit3->text(), ui->capEdit3->text());
    const Decimal amount = decimalOrZero(ui->Edit4->text(), ui->capEdit4->text());
    return {
        {"Paid_Inv", ui->CheckBox1->isChecked()},
        {"CustomerName_Inv", textValue(ui->ComboBox1->currentText())},
        {"RepairPerson_Inv", textValue(ui->ComboBox2->currentText())},
        {"InvoiceDate_Inv", invoiceDate},
        {"PO_Inv", textValue(ui->Edit5->text())},
        {"Amount_Inv", QVariant::fromValue(amount)},
        {"JobLocation_Inv", textValue(ui->Memo1->toPlainText())},
        {"DueDate_Inv", dueDate},
        {"Vin_Inv", textValue(ui->Edit6->text())},
        {"TruckNo_Inv", textValue(ui->Edit10->text())},
        {"Mileage_Inv", textValue(ui->Edit7->text())},
        {"Make_Inv", textValue(ui->ComboBox3->currentText())},
        {"Model_Inv", textValue(ui->ComboBox4->currentText())},
        {"Year_Inv", textValue(ui->Edit8->text())},
        {"Plate_Inv", textValue(ui->Edit9->text())},
        {"Tax_Inv", ui->ComboBox5->currentText() == QLatin1String("Yes")},
        {"Remark_Inv", textValue(ui->Memo2->toPlainText())},
    };
}

void DocumentWindow::saveDocument()
{
    const QString numberText = number();
    if (numberText.isEmpty())
        return;
    // Every box is checked before the question: bad input stops here, nothing written.
    const qint64 n = requireInteger(numberText, doc_.numberCaption);
    const QList<std::pair<QString, QVariant>> values = headerValues();

    if (!ui::confirm(SaveQuestion)) {
        ui->DBGrid1->setFocus(Qt::OtherFocusReason);
        refreshList();
        return;
    }
    const std::optional<qint64> key = storeHeader(n, values);
    if (!key)
        return;
    if (*key == n)
        ui::showMessage(QStringLiteral("Saved!"));
    // Focus first: leaving the customer box rewrites the address box, and after the reload the
    // boxes must show what was stored. The saved document stays shown and selected, ready to
    // print or take a payment.
    ui->DBGrid1->setFocus(Qt::OtherFocusReason);
    reloadShowing(*key);
}

std::optional<qint64> DocumentWindow::storeHeader(qint64 n, const QList<std::pair<QString, QVariant>>& values)
{
    const SaveResult r = record_.save(q(doc_.list), n, values);
    if (r.outcome == SaveResult::Outcome::Changed) {
        if (ui::confirm(changedQuestion(doc_.word)))
            refreshList();
        return std::nullopt;
    }
    if (r.outcome == SaveResult::Outcome::Taken) {
        ui::showMessage(QStringLiteral("There is already a %1 %2. Nothing was saved: choose it in the list "
                                       "to change it, or press New for a new one.")
                            .arg(doc_.word)
                            .arg(n));
        return std::nullopt;
    }
    if (r.key != n) {
        ui->Edit1->setText(record_.loadedNumber());
        ui::showMessage(renumberedMessage(doc_.word, r.key, n));
    }
    return r.key;
}

DocumentWindow::Filter DocumentWindow::shownFilter() const
{
    return ui->RadioButton2->isChecked() ? Filter::Paid : ui->RadioButton3->isChecked() ? Filter::All : Filter::Open;
}

void DocumentWindow::reloadShowing(qint64 n)
{
    const QString key = QString::number(n);
    openList(shownFilter());
    kestrum::Query* list = q(doc_.list);
    if (!list->Locate("InvoiceNo_Inv", key, false) && shownFilter() != Filter::All) {
        const QSignalBlocker block(ui->RadioButton3);
        ui->RadioButton3->setChecked(true);
        openList(Filter::All);
        list->Locate("InvoiceNo_Inv", key, false);
    }
    showCurrentRow();
}

bool DocumentWindow::unsaved()
{
    bool ok = false;
    const qint64 n = number().toLongLong(&ok);
    if (!ok)
        return true;
    QList<std::pair<QString, QVariant>> shown;
    try {
        shown = headerValues();
    } catch (const InputError&) {
        return true;  // a box no stored value could have come from
    }
    QStringList columns;
    for (const auto& v : shown)
        columns << v.first;
    kestrum::Query* probe = q(doc_.probe);
    probe->setStatement("Select " + columns.join(',') + " From " + doc_.headerTable + " where InvoiceNo_Inv=?", {n});
    probe->Open();
    if (probe->RecordCount() == 0)
        return true;
    // Compared as values, so "12.50" shown for a stored 12.5 or a reformatted date is no change.
    for (const auto& [column, value] : shown) {
        const Field stored = probe->FieldByName(column);
        bool same = true;
        if (value.metaType() == QMetaType::fromType<bool>())
            same = stored.AsBoolean() == value.toBool();
        else if (value.metaType() == QMetaType::fromType<Decimal>())
            same = !stored.IsNull() ? stored.AsCurrency() == value.value<Decimal>() : value.value<Decimal>().isZero();
        else if (value.metaType() == QMetaType::fromType<QDate>() || (value.isNull() && column.contains("Date")))
            same = value.isNull() ? stored.IsNull() : stored.AsDate() == value.toDate();
        else
            same = stored.AsString() == value.toString();
        if (!same)
            return true;
    }
    return false;
}

lines::LineHold DocumentWindow::holdForLines(const QString& lineNumber, const QString&)
{
    const qint64 n = requireInteger(lineNumber, doc_.numberCaption);
    // The editor's document may no longer be the one shown: then it must be stored already.
    const bool shown = lineNumber == number();
    // On the probe query: the list stays on screen while a line editor saves.
    const SaveResult r = record_.hold(q(doc_.probe), n, shown, [this] { return headerValues(); }, doc_.caption);
    if (!shown || r.key == n)
        return {shown ? record_.loadedNumber() : lineNumber, {}};
    ui->Edit1->setText(record_.loadedNumber());
    return {record_.loadedNumber(), renumberedMessage(doc_.word, r.key, n)};
}

void DocumentWindow::deleteDocument()
{
    const QString numberText = number();
    if (numberText.isEmpty())
        return;
    const qint64 n = requireInteger(numberText, doc_.numberCaption);
    if (ui::confirm(DeleteQuestion)) {
        kestrum::Query* d = DM->QLabor2;
        d->setStatement("Delete  From " + doc_.headerTable + " where InvoiceNo_Inv=?", {n});
        d->ExecSQL();
    }
    refreshList();
}

void DocumentWindow::refreshList()
{
    {
        const QSignalBlocker block(ui->RadioButton1);
        ui->RadioButton1->setChecked(true);
    }
    openList(Filter::Open);
    showCurrentRow();
}

void DocumentWindow::printDocument()
{
    if (number().isEmpty())
        return;
    // What is typed is never dropped for a stored row: the clerk saves it first or prints nothing.
    if (unsaved()) {
        const QString question = QStringLiteral("This %1 is not saved. Save it before printing?").arg(doc_.word);
        if (ui::ask(question) != ui::Dialogs::Answer::Yes)
            return;
        const qint64 n = requireInteger(number(), doc_.numberCaption);
        const std::optional<qint64> key = storeHeader(n, headerValues());
        if (!key)
            return;
        reloadShowing(*key);
    }
    kestrum::Query* list = q(doc_.list);
    // The printout reads the list's current row: make it the shown document.
    if (!list->Active() || list->FieldByName("InvoiceNo_Inv").AsString() != number())
        reloadShowing(requireInteger(number(), doc_.numberCaption));
    if (!list->Active() || list->RecNo() < 0 || list->FieldByName("InvoiceNo_Inv").AsString() != number())
        return;
    loadLines();
    // The rate of the stored invoice date's month, from the shared look-up (it leaves the row in QTax).
    const QDate date = list->FieldByName("InvoiceDate_Inv").AsDate();
    const Decimal rate = date.isValid() ? records::taxRate(date) : Decimal{};
    const bool taxed = ui->ComboBox5->currentText() == QLatin1String("Yes");
    InvoiceReport printout({list, q(doc_.items), q(doc_.labor), DM->QReg1}, taxed, rate, doc_.printTitle);
    report::showReport(printout.report(), this);
}

void DocumentWindow::openEditor(const QString& className)
{
    QWidget* w = ui::WindowFactory::create(className);
    if (!w) {
        ui::showMessage(ui::notAvailableMessage());
        return;
    }
    if (auto* editor = qobject_cast<lines::LineEditor*>(w)) {
        editor->setDocument(this);
        connect(editor, &lines::LineEditor::linesClosed, this, [this] { ui::runGuarded(this, [&] { linesClosed(); }); });
    }
    ui::openMdiChild(w);
}

void DocumentWindow::openPartLines()
{
    openEditor(doc_.itemEditorClass);
}

void DocumentWindow::openLaborLines()
{
    openEditor(doc_.laborEditorClass);
}

void DocumentWindow::linesClosed()
{
    // The lines of the document shown here, whatever the editor worked on, and a total that
    // agrees with them.
    loadLines();
    computeTotal();
}

void DocumentWindow::openReceivable()
{
    const QString n = number();
    QWidget* w = ui::launchWindow(QStringLiteral("TReceivable"), false);
    if (!w)
        return;
    // Writing the number runs the receivable window's own look-up.
    if (auto* box = w->findChild<QLineEdit*>(QStringLiteral("Edit1")))
        box->setText(n);
}

void DocumentWindow::openPaidHistory()
{
    records::openChildHistory(QStringLiteral("TInvoiceHistory"));
}

void DocumentWindow::archiveDocument()
{
    const QString numberText = number();
    if (numberText.isEmpty())
        return;
    // The header is archived as shown, so its boxes are checked before anything is asked.
    const qint64 n = requireInteger(numberText, doc_.numberCaption);
    const QList<std::pair<QString, QVariant>> values = headerValues();
    if (!ui::confirm(SaveQuestion))
        return;
    if (!moveToArchive(doc_, n, values))
        return;
    ui::showMessage(QStringLiteral("Removed!"));
    refreshList();
}

QPushButton* DocumentWindow::addFootButton(const QString& name, const QString& text, void (DocumentWindow::*handler)())
{
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    // After "Print ..." and before the stretch: the buttons and the search box stay where they were.
    ui->footPanel->insertWidget(ui->footPanel->indexOf(ui->Button9) + 1 + footButtons_++, b);
    connect(b, &QAbstractButton::clicked, this, [this, handler] { ui::runGuarded(this, [&] { (this->*handler)(); }); });
    return b;
}

void DocumentWindow::openVehicleHistory()
{
    QWidget* w = ui::launchWindow(QStringLiteral("TVehicleHistory"), false);
    if (!w)
        return;
    // The history window looks the vehicle up by the boxes it is handed.
    QMetaObject::invokeMethod(w, "lookUpVehicle", Q_ARG(QString, ui->Edit6->text()), Q_ARG(QString, ui->Edit9->text()),
                              Q_ARG(QString, ui->Edit10->text()));
}

bool DocumentWindow::showDocument(qint64 number)
{
    if (!shown_)
        ui::runOnFirstShow(this, shown_, [&] { formShow(); });
    {
        const QSignalBlocker block(ui->RadioButton3);
        ui->RadioButton3->setChecked(true);
    }
    openList(Filter::All);
    const bool found = q(doc_.list)->Locate("InvoiceNo_Inv", QString::number(number), false);
    showCurrentRow();
    return found;
}

}  // namespace kestrum::invoicing
