#include "TReceivableFind.h"

#include "ui_TReceivableFind.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "FirstShow.h"
#include "Grid.h"
#include "Mdi.h"
#include "Query.h"
#include "QueryModel.h"
#include "TReceivable.h"

using namespace kestrum;

QPointer<TReceivableFind> ReceivableFind;

TReceivableFind::TReceivableFind(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TReceivableFind>())
{
    setAttribute(Qt::WA_DeleteOnClose);
    ui->setupUi(this);
    grid_ = ui::bindGrid(ui->DBGrid1, DM->QReceivable6, this).grid;
    connect(grid_, &ui::Grid::titleClicked, this, [this](int position, const QString& field) {
        ui::runGuarded(this, [&] { DBGrid1TitleClick(position, field); });
    });
    connect(ui->DBGrid1, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { DBGrid1DblClick(index.row()); });
    ReceivableFind = this;
}

TReceivableFind::~TReceivableFind() = default;

QTableView* TReceivableFind::grid() const
{
    return ui->DBGrid1;
}

void TReceivableFind::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ui::runOnFirstShow(this, shown_, [&] { FormShow(); });
}

void TReceivableFind::FormShow()
{
    Query* q = DM->QReceivable6;
    q->setStatement("Select * From Invoice");
    q->Open();
    q->SetSort("InvoiceNo_Inv");
}

void TReceivableFind::DBGrid1TitleClick(int position, const QString& field)
{
    // Invoices are found by number or by customer; the red title is the column sorted by.
    grid_->markSorted(-1);
    for (const char* sortable : {"InvoiceNo_Inv", "CustomerName_Inv"}) {
        if (field.compare(QLatin1String(sortable), Qt::CaseInsensitive) == 0) {
            DM->QReceivable6->SetSort(QLatin1String(sortable));
            grid_->markSorted(position);
        }
    }
}

void TReceivableFind::DBGrid1DblClick(int row)
{
    const bool ok = ui::runGuarded(this, [&] {
        Query* q = DM->QReceivable6;
        if (!q->Active() || !q->SetRecNo(row))
            return;
        const QString number = q->FieldByName("InvoiceNo_Inv").AsString();
        const QString customer = q->FieldByName("CustomerName_Inv").AsString();
        const QString amount = q->FieldByName("Amount_Inv").AsString();
        if (Receivable)
            Receivable->takeInvoice(number, customer, amount);
    });
    if (ok)
        ui::closeWindow(this);
}
