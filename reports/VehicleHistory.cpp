#include "VehicleHistory.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Layouts.h"
#include "Mdi.h"
#include "Query.h"
#include "ReportWindow.h"
#include "Schema.h"
#include "ShopWindows.h"
#include "TTax.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QVBoxLayout>

QPointer<TVehicleHistory> VehicleHistory;

namespace kestrum::reports {

namespace {

struct Source {
    const char* kind;
    const char* header;
    const char* items;
    const char* labor;
    bool taxFlag;   // the archive keeps none
    bool payments;  // only invoices are paid
};
constexpr Source Sources[] = {
    {"invoice", "Invoice", "InvItem", "InvLabor", true, true},
    {"estimate", "Estimate", "EstimateItem", "EstimateLabor", true, false},
    {"archived", "InvoiceCash", "InvItemCash", "InvLaborCash", false, false},
};

const Source* sourceOf(const QString& kind)
{
    for (const Source& s : Sources)
        if (kind == QLatin1String(s.kind))
            return &s;
    return nullptr;
}

// Blanks anywhere are not part of a plate or VIN ("ABC 123" is "abc123").
QString squeezed(const QString& text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return QString(text).remove(blanks).toUpper();
}

// FTS5 phrase for a trigram match in one column: quotes doubled, nothing else special inside.
QString phrase(const QString& column, const QString& text)
{
    return "{" + column + "} : \"" + QString(text).replace(u'"', QStringLiteral("\"\"")) + "\"";
}

// Whether SQLite's trigram index of the table is there (an older database may lack it).
bool hasVehicleKeys(const Source& s)
{
    Query q(DM->database(), QStringLiteral("QVehicleKeys"));
    q.Add("Select 1 From sqlite_master where type = 'table' And name = ?");
    q.Bind(schema::vehicleKeyTable(QLatin1String(s.header)));
    q.Open();
    return !q.Eof();
}

}  // namespace

QString vehicleDocumentsSql(const QString& vin, const QString& plate, const QString& truck, QVariantList& values)
{
    struct Wanted {
        const char* column;
        const char* key;  // the column of SQLite's trigram index
        QString text;
    };
    const Wanted wanted[] = {
        {"Vin_Inv", "Vin", squeezed(vin)}, {"Plate_Inv", "Plate", squeezed(plate)}, {"TruckNo_Inv", "Truck", squeezed(truck)}};
    // A trigram index narrows the rows when every text given has three characters at least; the
    // Like below still decides, so the index only has to hold every row that can match.
    const bool sqlite = schema::engineOf(DM->database()) == schema::Engine::SQLite;
    bool narrowed = sqlite;
    QStringList phrases;
    for (const Wanted& w : wanted) {
        if (w.text.isEmpty())
            continue;
        narrowed = narrowed && w.text.toUcs4().size() >= 3;
        phrases << phrase(QLatin1String(w.key), w.text);
    }
    QStringList members;
    for (const Source& s : Sources) {
        QStringList match;
        QVariantList matchValues;
        for (const Wanted& w : wanted) {
            if (w.text.isEmpty())
                continue;
            match << schema::vehicleKeyExpression("H." + QLatin1String(w.column)) + " Like ? Escape '\\'";
            matchValues << containsPattern(w.text);
        }
        if (match.isEmpty())
            return {};
        QString where = "(" + match.join(" Or ") + ")";
        if (narrowed && hasVehicleKeys(s)) {
            const QString keys = schema::vehicleKeyTable(QLatin1String(s.header));
            where = "H.rowid In (Select rowid From " + keys + " where " + keys + " Match ?) And " + where;
            matchValues.prepend(phrases.join(" OR "));
        }
        QString sql = "Select H.InvoiceDate_Inv, H.InvoiceNo_Inv, '" + QLatin1String(s.kind) +
                      "' As Kind, H.CustomerName_Inv, H.Vin_Inv, H.Plate_Inv, H.TruckNo_Inv, H.Mileage_Inv,";
        if (s.taxFlag) {
            sql += " Case When H.Tax_Inv = ? Then 1 Else 0 End As Taxable,";
            values << true;
        } else {
            sql += " 0 As Taxable,";
        }
        sql += QStringLiteral(" Coalesce((Select Sum(Amount_Item) From %1 where Inv_Item = H.InvoiceNo_Inv), 0) As Parts,"
                              " Coalesce((Select Sum(Amount_Labor) From %2 where Inv_Labor = H.InvoiceNo_Inv), 0) As Labor,")
                   .arg(QLatin1String(s.items), QLatin1String(s.labor));
        sql += " " + records::taxRateExpression("H.InvoiceDate_Inv", values) + " As Rate,";
        sql += s.payments ? QStringLiteral(" Coalesce((Select Sum(Amount_Receivable) From Receivable"
                                           " where InvoiceNo_Receivable = H.InvoiceNo_Inv), 0) As Paid")
                          : QStringLiteral(" Null As Paid");
        sql += " From " + QLatin1String(s.header) + " H where " + where;
        values << matchValues;
        members << sql;
    }
    // NOTE: "+ 0.0" keeps every row a real number on SQLite's driver, which types an expression
    // column by its first row.
    return "Select InvoiceDate_Inv, InvoiceNo_Inv, Kind, CustomerName_Inv, Vin_Inv, Plate_Inv, TruckNo_Inv,"
           " Mileage_Inv, Parts + 0.0 As Parts, Labor + 0.0 As Labor, Parts * Rate * Taxable + 0.0 As Tax,"
           " Parts + Labor + Parts * Rate * Taxable + 0.0 As Total, Paid + 0.0 As Paid,"
           " Case When Kind = 'invoice' Then Parts + Labor + Parts * Rate * Taxable - Paid + 0.0 End As Balance"
           " From (" +
           members.join(" Union All ") +
           ") D Order By Case When InvoiceDate_Inv Is Null Then 1 Else 0 End, InvoiceDate_Inv Desc,"
           " InvoiceNo_Inv Desc, Kind";
}

}  // namespace kestrum::reports

using namespace kestrum;
using namespace kestrum::reports;

TVehicleHistory::TVehicleHistory(QWidget* parent)
    : QWidget(parent), vin_(new QLineEdit), plate_(new QLineEdit), truck_(new QLineEdit), grid1_(new QTableView),
      grid2_(new QTableView), grid3_(new QTableView), docs_(new Query(DM->database(), "QVehicle1", this)),
      items_(new Query(DM->database(), "QVehicle2", this)), labor_(new Query(DM->database(), "QVehicle3", this))
{
    VehicleHistory = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Vehicle History"));
    vin_->setObjectName("Edit1");
    plate_->setObjectName("Edit2");
    truck_->setObjectName("Edit3");
    grid1_->setObjectName("DBGrid1");
    grid2_->setObjectName("DBGrid2");
    grid3_->setObjectName("DBGrid3");
    grid1_->setAccessibleName(QStringLiteral("Documents of the vehicle"));
    grid2_->setAccessibleName(QStringLiteral("Part lines"));
    grid3_->setAccessibleName(QStringLiteral("Labor lines"));

    auto* find = new QPushButton(QStringLiteral("Find"));
    find->setObjectName("Button3");
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName("Button1");
    auto* printButton = new QPushButton(QStringLiteral("Print"));
    printButton->setObjectName("Button2");
    for (QPushButton* b : {find, close, printButton})
        b->setAutoDefault(false);

    auto* boxes = new QGridLayout;
    addCaptioned(boxes, 0, 0, QStringLiteral("VIN"), vin_);
    addCaptioned(boxes, 0, 2, QStringLiteral("Plate"), plate_);
    addCaptioned(boxes, 0, 4, QStringLiteral("Truck #"), truck_);
    boxes->addWidget(find, 0, 6);

    auto* lines = new QHBoxLayout;
    for (auto [caption, grid] : {std::pair{"Parts", grid2_}, std::pair{"Labor", grid3_}}) {
        auto* side = new QVBoxLayout;
        auto* label = new QLabel(QLatin1String(caption));
        label->setBuddy(grid);
        side->addWidget(label);
        side->addWidget(grid);
        lines->addLayout(side);
    }
    auto* foot = new QHBoxLayout;
    foot->addWidget(close);
    foot->addWidget(printButton);
    foot->addStretch();

    auto* main = new QVBoxLayout(this);
    main->addLayout(boxes);
    main->addWidget(grid1_, 3);
    main->addLayout(lines, 2);
    main->addLayout(foot);

    makeGrid(grid1_, docs_, this,
             {{"Date", 80}, {"Number", 60}, {"Kind", 70}, {"Customer", 150}, {"VIN", 130}, {"Plate", 80},
              {"Truck #", 60}, {"Mileage", 60}, {"Parts", 70}, {"Labor", 70}, {"Tax", 60}, {"Total", 70},
              {"Paid", 70}, {"Balance", 70}},
             {8, 9, 10, 11, 12, 13});
    makeGrid(grid2_, items_, this, {{"Part", 200}, {"Qty", 40}, {"Rate", 60}, {"Amount", 70}, {"Part No", 80}},
             {2, 3});
    makeGrid(grid3_, labor_, this, {{"Labor", 200}, {"Qty", 40}, {"Rate", 60}, {"Amount", 70}, {"Remark", 120}},
             {2, 3});

    connect(find, &QPushButton::clicked, this, [this] { ui::runGuarded(this, [this] { this->find(); }); });
    for (QLineEdit* e : {vin_, plate_, truck_})
        connect(e, &QLineEdit::returnPressed, this, [this] { ui::runGuarded(this, [this] { this->find(); }); });
    connect(close, &QPushButton::clicked, this, [this] { ui::closeWindow(this); });
    connect(printButton, &QPushButton::clicked, this, [this] { ui::runGuarded(this, [this] { print(); }); });
    connect(docs_, &Query::currentChanged, this, [this] { ui::runGuarded(this, [this] { showLines(); }); });
    connect(grid1_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { ui::runGuarded(this, [&] { openRow(index.row()); }); });
}

void TVehicleHistory::lookUpVehicle(const QString& vin, const QString& plate, const QString& truck)
{
    vin_->setText(vin);
    plate_->setText(plate);
    // A truck number alone is too common to tell vehicles apart when a VIN or plate is known.
    truck_->setText(vin.trimmed().isEmpty() && plate.trimmed().isEmpty() ? truck : QString());
    ui::runGuarded(this, [this] { find(); });
}

void TVehicleHistory::find()
{
    QVariantList values;
    const QString sql = vehicleDocumentsSql(vin_->text(), plate_->text(), truck_->text(), values);
    items_->Close();
    labor_->Close();
    if (sql.isEmpty()) {
        docs_->Close();
        return;
    }
    openStatement(docs_, sql, values);
    showLines();
}

void TVehicleHistory::showLines()
{
    if (!docs_->Active() || docs_->RecNo() < 0) {
        items_->Close();
        labor_->Close();
        return;
    }
    const Source* s = sourceOf(docs_->FieldByName("Kind").AsString());
    if (!s)
        return;
    const qint64 number = docs_->FieldByName("InvoiceNo_Inv").AsInteger();
    openStatement(items_,
                  "Select Name_Item, Qty_Item, Rate_Item, Amount_Item, Color_Item From " + QLatin1String(s->items) +
                      " where Inv_Item = ?",
                  {number});
    openStatement(labor_,
                  "Select Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor, Remark_Labor From " +
                      QLatin1String(s->labor) + " where Inv_Labor = ?",
                  {number});
}

void TVehicleHistory::openRow(int row)
{
    if (!docs_->Active() || row < 0 || row >= docs_->fetchedCount())
        return;
    const QString kind = docs_->fieldAt(row, docs_->fieldIndex("Kind")).AsString();
    const qint64 number = docs_->fieldAt(row, docs_->fieldIndex("InvoiceNo_Inv")).AsInteger();
    if (kind == QLatin1String("invoice"))
        openDocument(QStringLiteral("TInvoice"), number);
    else if (kind == QLatin1String("estimate"))
        openDocument(QStringLiteral("TEstimate"), number);
    // Archived documents have no window; their lines show below.
}

void TVehicleHistory::print()
{
    if (!docs_->Active())
        return;
    ListLayout layout{QStringLiteral("Vehicle History"),
                      {fieldColumn("Date", 0, 80, "InvoiceDate_Inv"), fieldColumn("No", 82, 50, "InvoiceNo_Inv"),
                       fieldColumn("Kind", 134, 60, "Kind"), fieldColumn("Customer", 196, 170, "CustomerName_Inv"),
                       fieldColumn("Plate", 368, 80, "Plate_Inv"), fieldColumn("Mileage", 450, 60, "Mileage_Inv"),
                       moneyColumn("Parts", 512, 70, "Parts"), moneyColumn("Labor", 584, 70, "Labor"),
                       moneyColumn("Tax", 656, 60, "Tax"), moneyColumn("Total", 718, 80, "Total"),
                       moneyColumn("Paid", 800, 80, "Paid"), summedMoneyColumn("Balance", 882, 80, "Balance")},
                      {},
                      {},
                      true};
    showListReport(layout, docs_, this);
}
