#include "TInvoice.h"

QPointer<TInvoice> Invoice;

TInvoice::TInvoice(QWidget* parent) : DocumentWindow(kestrum::invoicing::invoiceDocument(), parent)
{
    Invoice = this;
}
