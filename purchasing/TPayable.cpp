#include "TPayable.h"

#include "ui_TPayable.h"

#include "DataModule.h"
#include "InputError.h"
#include "Mdi.h"
#include "Query.h"
#include "TFindPayable.h"
#include "TPayableList.h"

using namespace kestrum;
using namespace kestrum::purchasing;

QPointer<TPayable> Payable;

TPayable::TPayable(QWidget* parent) : PaymentWindow("Payable", parent), ui(std::make_unique<Ui::TPayable>()) {
    ui->setupUi(this);
    setupPayment();
    connect(ui->ComboBox1, &QComboBox::textActivated, this,
            [this] { guard([this] { lookup(ui->Edit1->text()); }); });
    onClick("SpeedButton1", [] { ui::openMdiChild(new TFindPayable); });
    onClick("Button5", [] { ui::openMdiChild(new TPayableList); });
    Payable = this;
}

TPayable::~TPayable() = default;

void TPayable::showBill(const QString& ref, const QString& vendor) {
    ui->ComboBox1->setEditText(vendor);
    if (ui->Edit1->text() == ref)
        lookup(ref);
    else
        ui->Edit1->setText(ref);
}

void TPayable::lookup(const QString& ref) {
    // Not on QPayable3: the payable list or the finder may be showing it beside this window.
    Query* q = DM->QBill2;
    openQuery(q, {"Select * From Bill where Ref_Bill =?"}, {textValue(ref)});
    if (q->RecordCount() == 0)
        return;
    // Two vendors may use the same reference: the bill of the vendor already chosen, if any.
    const QString chosen = ui->ComboBox1->currentText();
    for (q->First(); !q->Eof(); q->Next())
        if (q->FieldByName("Vendor_Bill").AsString() == chosen)
            break;
    if (q->Eof())
        q->First();
    const QString vendor = q->FieldByName("Vendor_Bill").AsString();
    const QString amount = q->FieldByName("Amount_Bill").AsString();
    ui->ComboBox3->setEditText(q->FieldByName("Chart_Bill").AsString());
    ui->ComboBox4->setEditText(q->FieldByName("SubChart_Bill").AsString());
    ui->Edit4->setText(amount); // the whole bill amount is proposed
    // Payments count for the bill of their reference and vendor only.
    const QString paid =
        sumText(DM->QPayable2, "Amount_Payable", "Payable", {"BillNo_Payable", "Name_Payable"},
                {textValue(q->FieldByName("Ref_Bill").AsString()), textValue(vendor)});
    showFigures(vendor, amount, paid);
}

QString TPayable::checkedKey(const QString& ref, const QString& vendor) {
    openQuery(DM->QBill2, {"Select * From Bill where Ref_Bill =?", "and Vendor_Bill =?"},
              {textValue(ref), textValue(vendor)});
    if (DM->QBill2->RecordCount() == 0)
        throw InputError(captionOf("Edit1"),
                         QStringLiteral("There is no bill with the Ref \"%1\" from the vendor "
                                        "\"%2\". Nothing was saved.")
                             .arg(ref, vendor));
    return ref;
}
