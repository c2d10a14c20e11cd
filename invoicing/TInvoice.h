#pragma once
// The invoice window: the document window over the invoice tables.
#include "DocumentWindow.h"

#include <QPointer>

class TInvoice : public kestrum::invoicing::DocumentWindow {
    Q_OBJECT
public:
    explicit TInvoice(QWidget* parent = nullptr);
};

extern QPointer<TInvoice> Invoice;
