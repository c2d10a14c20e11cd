#include "TPayableOrder.h"

#include "ui_TPayableOrder.h"

#include "DataModule.h"
#include "InputError.h"
#include "Query.h"

using namespace kestrum;
using namespace kestrum::purchasing;

QPointer<TPayableOrder> PayableOrder;

namespace {
std::optional<qint64> wholeNumber(const QString& text) {
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}
} // namespace

TPayableOrder::TPayableOrder(QWidget* parent)
    : PaymentWindow("PayableOrder", parent), ui(std::make_unique<Ui::TPayableOrder>()) {
    ui->setupUi(this);
    setupPayment();
    // No finder or list of order payments exists; the history of the order window lists them.
    ui->SpeedButton1->setEnabled(false);
    ui->Button5->setEnabled(false);
    PayableOrder = this;
}

TPayableOrder::~TPayableOrder() = default;

void TPayableOrder::lookup(const QString& text) {
    const auto po = wholeNumber(text);
    if (!po) // empty, or not a number yet: nothing to look up
        return;
    // Not on QPayable3: the payable list or the finder may be showing it beside this window.
    Query* q = DM->QBill2;
    openQuery(q, {"Select * From Orders where PO_Order =?"}, {*po});
    if (q->RecordCount() == 0)
        return;
    const QString vendor = q->FieldByName("Vendor_Order").AsString();
    ui->ComboBox3->setEditText("Inventory");
    ui->ComboBox4->setEditText("Sale");
    // The total of the order typed here, whichever order the order window shows.
    QString total = sumText(DM->QItem4, "Amount_Item", "Items", {"Po_Item"}, {*po});
    if (total.isEmpty())
        total = "0.00";
    ui->Edit4->setText(total);
    const QString paid =
        sumText(DM->QPayable2, "Amount_Payable", "PayableOrder", {"BillNo_Payable"}, {QString::number(*po)});
    showFigures(vendor, total, paid);
}

QString TPayableOrder::checkedKey(const QString& text, const QString&) {
    const qint64 po = requireInteger(text, captionOf("Edit1"));
    openQuery(DM->QBill2, {"Select * From Orders where PO_Order =?"}, {po});
    if (DM->QBill2->RecordCount() == 0)
        throw InputError(captionOf("Edit1"),
                         QStringLiteral("There is no purchase order %1. Nothing was saved.").arg(po));
    // Stored as the plain number, so "007" and "7" count as one order.
    return QString::number(po);
}
