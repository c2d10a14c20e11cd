#include "TReceivableList.h"

#include "ui_TReceivableList.h"

#include "Combos.h"
#include "DataModule.h"
#include "Dialogs.h"
#include "FirstShow.h"
#include "Grid.h"
#include "Mdi.h"
#include "Query.h"
#include "QueryModel.h"
#include "ReceivableListReport.h"
#include "Report.h"
#include "ReportPreview.h"
#include "RowDelete.h"

using namespace kestrum;

QPointer<TReceivableList> ReceivableList;

namespace kestrum::receivables {

QString deleteRowQuestion()
{
    return QStringLiteral("Delete record?");
}

}  // namespace kestrum::receivables

namespace {

const QStringList SortFields = {"InvoiceNo_Receivable", "Name_Receivable",    "ViaPayment_Receivable",
                                "PayDate_Receivable",   "Ref_Receivable",     "DepositTo_Receivable",
                                "Amount_Receivable",    "Chart_Receivable",   "SubChart_Receivable",
                                "Remark_Receivable"};

}  // namespace

TReceivableList::TReceivableList(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TReceivableList>())
{
    setAttribute(Qt::WA_DeleteOnClose);
    ui->setupUi(this);
    grid_ = ui::bindGrid(ui->DBGrid1, DM->QReceivable3, this).grid;
    connect(grid_, &ui::Grid::titleClicked, this, [this](int position, const QString& field) {
        ui::runGuarded(this, [&] { DBGrid1TitleClick(position, field); });
    });

    // Every click on the navigator, moving or deleting, shows the grand total afresh.
    const std::pair<QToolButton*, void (*)(Query*)> moves[] = {
        {ui->NavFirst, [](Query* q) { q->First(); }},
        {ui->NavPrior, [](Query* q) { q->Prior(); }},
        {ui->NavNext, [](Query* q) { q->Next(); }},
        {ui->NavLast, [](Query* q) { q->Last(); }},
    };
    for (const auto& [button, move] : moves) {
        connect(button, &QToolButton::clicked, this, [this, move] {
            ui::runGuarded(this, [&] {
                if (DM->QReceivable3->Active())
                    move(DM->QReceivable3);
                recomputeTotal();
            });
        });
    }
    connect(ui->NavDelete, &QToolButton::clicked, this, &TReceivableList::DBNavigator1Delete);
    connect(ui->Button2, &QPushButton::clicked, this, &TReceivableList::Button2Click);
    connect(ui->Button1, &QPushButton::clicked, this, [this] { ui::closeWindow(this); });
    ReceivableList = this;
}

TReceivableList::~TReceivableList() = default;

QTableView* TReceivableList::grid() const
{
    return ui->DBGrid1;
}

void TReceivableList::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ui::runOnFirstShow(this, shown_, [&] { FormShow(); });
}

void TReceivableList::FormShow()
{
    Query* q = DM->QReceivable3;
    q->setStatement("Select * From Receivable");
    q->Open();
    grid_->setColumns({{"Inv#", 60},
                       {"Name", 150},
                       {"Via Pay", 50},
                       {"Pay Date", 100},
                       {"Ref", 100},
                       {"Deposit To", 100},
                       {"Amount $", 100}});
    recomputeTotal();
}

void TReceivableList::recomputeTotal()
{
    const QString total = receivables::sumText(DM->QReceivable4, "Select Sum(Amount_Receivable) From Receivable ");
    ui->Label2->setText(total.isEmpty() ? QStringLiteral("0.00") : total);
}

void TReceivableList::DBGrid1TitleClick(int position, const QString& field)
{
    grid_->markSorted(-1);
    if (!SortFields.contains(field, Qt::CaseInsensitive))
        return;
    DM->QReceivable3->SetSort(field);
    grid_->markSorted(position);
}

void TReceivableList::DBNavigator1Delete()
{
    ui::runGuarded(this, [&] {
        Query* q = DM->QReceivable3;
        if (q->Active() && q->RecNo() >= 0 && ui::confirm(receivables::deleteRowQuestion())) {
            // The payment is the row as it stands, every column of it.
            QList<receivables::ColumnValue> row;
            for (const QString& column : SortFields)
                row.append({column, q->FieldByName(column).AsVariant()});
            const int at = q->RecNo();
            const QString sort = q->Sort();
            receivables::deleteOneRow(DM->QReceivable1, "Receivable", row);
            // The same statement again, so the grid keeps showing what it showed, less that row.
            q->Close();
            q->Open();
            if (!sort.isEmpty())
                q->SetSort(sort);
            q->SetRecNo(std::min(at, q->RecordCount() - 1));
        }
        recomputeTotal();
    });
}

void TReceivableList::Button2Click()
{
    ui::runGuarded(this, [&] {
        const receivables::ReceivableListReport layout(DM->QReceivable3);
        report::showReport(*layout.report, this);
    });
}
