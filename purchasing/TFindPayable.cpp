#include "TFindPayable.h"

#include "ui_TFindPayable.h"

#include "DataModule.h"
#include "Grid.h"
#include "Mdi.h"
#include "Query.h"
#include "TPayable.h"

using namespace kestrum;
using namespace kestrum::purchasing;

QPointer<TFindPayable> FindPayable;

TFindPayable::TFindPayable(QWidget* parent) : Window(parent), ui(std::make_unique<Ui::TFindPayable>()) {
    ui->setupUi(this);
    grid_ = bindGrid(ui->DBGrid1, DM->QPayable3, this).grid;
    connect(ui->DBGrid1, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        guard([&] {
            DM->QPayable3->SetRecNo(index.row());
            DBGrid1DblClick();
        });
    });
    connect(grid_, &ui::Grid::titleClicked, this, [this](int position, const QString& field) {
        guard([&] {
            grid_->markSorted(-1);
            if (field.compare("Ref_Bill", Qt::CaseInsensitive) == 0 ||
                field.compare("Vendor_Bill", Qt::CaseInsensitive) == 0) {
                DM->QPayable3->SetSort(field);
                grid_->markSorted(position);
            }
        });
    });
    FindPayable = this;
}

TFindPayable::~TFindPayable() = default;

void TFindPayable::formShow() {
    openQuery(DM->QPayable3, {"Select * From Bill"});
    DM->QPayable3->SetSort("Ref_Bill");
}

void TFindPayable::DBGrid1DblClick() {
    Query* q = DM->QPayable3;
    if (q->RecNo() < 0)
        return;
    // Read before the payment window's look-up re-runs the query this grid shows.
    const QString ref = q->FieldByName("Ref_Bill").AsString();
    const QString vendor = q->FieldByName("Vendor_Bill").AsString();
    if (Payable)
        Payable->showBill(ref, vendor);
    ui::closeWindow(this);
}
