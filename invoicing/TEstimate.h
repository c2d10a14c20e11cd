#pragma once
// The estimate window: the document window over the estimate tables, with its own numbers, and
// its part and labor line editors and finders.
#include "DocumentWindow.h"
#include "InvoiceLines.h"

#include <QPointer>

namespace kestrum::invoicing {
/// The estimate: Estimate, EstimateItem, EstimateLabor on QEstimate1..2, QEstimateItem1..4 and
/// the labor queries QInvLabor1..4 it shares with the invoice.
const DocumentSpec& estimateDocument();
}  // namespace kestrum::invoicing

class TEstimate : public kestrum::invoicing::DocumentWindow {
    Q_OBJECT
public:
    explicit TEstimate(QWidget* parent = nullptr);

    /// "Make Invoice": the shown, saved estimate becomes an invoice, which the invoice window then shows.
    void makeInvoice();
};

class TEstimateItem : public kestrum::invoicing::PartLinesWindow {
    Q_OBJECT
public:
    explicit TEstimateItem(QWidget* parent = nullptr);
};

class TEstimateLabor : public kestrum::invoicing::LaborLinesWindow {
    Q_OBJECT
public:
    explicit TEstimateLabor(QWidget* parent = nullptr);
};

class TEstimatePartFind : public kestrum::invoicing::PartFinderWindow {
    Q_OBJECT
public:
    explicit TEstimatePartFind(QWidget* parent = nullptr);
};

class TEstimateLaborFind : public kestrum::invoicing::LaborFinderWindow {
    Q_OBJECT
public:
    explicit TEstimateLaborFind(QWidget* parent = nullptr);
};

extern QPointer<TEstimate> Estimate;
extern QPointer<TEstimateItem> EstimateItem;
extern QPointer<TEstimateLabor> EstimateLabor;
extern QPointer<TEstimatePartFind> EstimatePartFind;
extern QPointer<TEstimateLaborFind> EstimateLaborFind;
