#include "TPayableList.h"

#include "ui_TPayableList.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Grid.h"
#include "Mdi.h"
#include "Query.h"
#include "QueryDataSet.h"
#include "Report.h"
#include "ReportPreview.h"
#include "Transaction.h"

using namespace kestrum;
using namespace kestrum::purchasing;

QPointer<TPayableList> PayableList;

namespace {
const QStringList PayableColumns = {"BillNo_Payable",  "Name_Payable",     "ViaPayment_Payable",
                                    "PayDate_Payable", "Ref_Payable",      "Amount_Payable",
                                    "Chart_Payable",   "SubChart_Payable", "Remark_Payable"};
} // namespace

TPayableList::TPayableList(QWidget* parent) : Window(parent), ui(std::make_unique<Ui::TPayableList>()) {
    ui->setupUi(this);
    grid_ = bindGrid(ui->DBGrid1, DM->QPayable3, this).grid;
    wireNavigator(
        ui->DBNavigator1, DM->QPayable3, [this] { showTotal(); }, [this] { deleteCurrent(); });
    connect(grid_, &ui::Grid::titleClicked, this, [this](int position, const QString& field) {
        guard([&] {
            grid_->markSorted(-1);
            if (!PayableColumns.contains(field, Qt::CaseInsensitive))
                return;
            DM->QPayable3->SetSort(field);
            grid_->markSorted(position);
        });
    });
    onClick("Button2", [this] { Button2Click(); });
    onClick("Button1", [this] { ui::closeWindow(this); });
    PayableList = this;
}

TPayableList::~TPayableList() = default;

void TPayableList::formShow() {
    openQuery(DM->QPayable3, {"Select * From Payable"});
    grid_->setColumns({{"Inv#", 60},
                       {"Name", 150},
                       {"Via Pay", 50},
                       {"Pay Date", 100},
                       {"Ref", 100},
                       {"Amount $", 100},
                       {"", 100}});
    showTotal();
}

void TPayableList::showTotal() {
    openQuery(DM->QPayable4, {"Select Sum(Amount_Payable) From Payable "});
    const QString total = DM->QPayable4->FieldByName("Expr1000").AsString();
    ui->Label2->setText(total.isEmpty() ? QStringLiteral("0.00") : total);
}

void TPayableList::deleteCurrent() {
    Query* q = DM->QPayable3;
    if (!q->Active() || q->RecNo() < 0)
        return;
    if (!ui::confirm("Delete record?"))
        return;
    // A payment has no key and the same payment may be entered twice: delete the rows equal to
    // this one and put back all but one, so exactly one payment goes.
    QStringList where;
    QVariantList values;
    for (const QString& column : PayableColumns) {
        const Field f = q->FieldByName(column);
        if (f.IsNull()) {
            where << column + " is null";
        } else {
            where << column + " =?";
            values << f.AsVariant();
        }
    }
    const QString condition = " where " + where.join(" and ");
    const int row = q->RecNo();
    const QString sort = q->Sort();
    {
        Query* w = DM->QPayable1;
        Transaction t(w->database());
        openQuery(w, {"Select Count(*) From Payable" + condition}, values);
        const qint64 twins = w->fieldAt(0, 0).AsInteger();
        QVariantList row0;
        for (const QString& column : PayableColumns)
            row0 << q->FieldByName(column).AsVariant();
        execQuery(w, {"Delete From Payable" + condition}, values);
        for (qint64 i = 1; i < twins; ++i)
            execQuery(w,
                      {"Insert Into Payable (" + PayableColumns.join(",") + ") Values (?,?,?,?,?,?,?,?,?)"},
                      row0);
        t.commit();
    }
    openQuery(q, {"Select * From Payable"});
    if (!sort.isEmpty())
        q->SetSort(sort);
    q->SetRecNo(std::min(row, q->RecordCount() - 1));
    showTotal();
}

void TPayableList::Button2Click() {
    report::QueryDataSet payments(DM->QPayable3, "frxDBDataset1PayAble");
    report::Report r;
    buildPayableListReport(r, &payments);
    report::showReport(r, this);
}

namespace kestrum::purchasing {

void buildPayableListReport(report::Report& r, report::ReportDataSet* payments) {
    using namespace kestrum::report;
    r.setTitle("Payable List");
    r.setPaper(210, 280);
    r.setMargins(10, 10, 10, 10);
    r.setPdfExport(true);

    struct Column {
        double x, w;
        const char* head;
        const char* field;
    };
    const Column columns[] = {{0, 70, "Bill No", "BillNo_Payable"},
                              {70, 140, "Vendor Name", "Name_Payable"},
                              {210, 80, "Pay Date", "PayDate_Payable"},
                              {290, 90, "Via Payment", "ViaPayment_Payable"},
                              {380, 80, "Ref", "Ref_Payable"},
                              {460, 80, "Amount", "Amount_Payable"},
                              {540, 90, "Chart of Acount", "Chart_Payable"},
                              {630, 88, "", "SubChart_Payable"}};

    Band& title = r.reportTitle();
    title.setHeight(64);
    title.text(0, 4, 718, 28, QStringLiteral("Payable List"), bold(16)).centre();
    for (const Column& c : columns)
        if (*c.head)
            title.text(c.x + 2, 42, c.w + (c.field == QLatin1String("Chart_Payable") ? 88 : 0) - 4, 18,
                       QString::fromLatin1(c.head), bold(10));

    DataBand& rows = r.masterData(payments, 20);
    for (const Column& c : columns) {
        if (QLatin1String(c.field) == QLatin1String("Amount_Payable"))
            rows.moneyField(c.x + 2, 2, c.w - 4, 16, QString::fromLatin1(c.field), font(9)).right().frame();
        else
            rows.field(c.x + 2, 2, c.w - 4, 16, QString::fromLatin1(c.field), font(9)).frame();
    }
    const Sum total = rows.sum(QStringLiteral("Amount_Payable"));
    Band& footer = rows.footer();
    footer.setHeight(26);
    footer.text(380, 6, 338, 18, ContextText([total](const Context& c) {
                    return "Total  Amount   : " + formatReportMoney(c.sum(total));
                }),
                bold(10));

    Band& pageFooter = r.pageFooter();
    pageFooter.setHeight(20);
    pageFooter.text(518, 2, 200, 16, QStringLiteral("[Page#]"), font(9)).right();
}

} // namespace kestrum::purchasing
