#pragma once
// The invoicing fixture with the estimate finders made as at start-up, and a look at every row of
// the live and archive tables, to show that a failed archive changed nothing.
#include "InvoicingFixture.h"

class ArchiveTest : public InvoicingTest {
protected:
    void SetUp() override;
    /// Every row of Invoice, InvItem, InvLabor, Estimate, EstimateItem, EstimateLabor and the three
    /// archive tables, as text in a fixed order.
    QString snapshot();
    /// All rows of one table, each as its values joined by '|', sorted.
    QStringList rows(const QString& table);
};
