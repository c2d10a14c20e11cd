#include "TotalReports.h"

#include "ui_TTotalAmountReport.h"
#include "ui_TTotalReceivable.h"

#include "Dialogs.h"
#include "Layouts.h"
#include "PeriodTotals.h"
#include "ReportPreview.h"

using namespace kestrum;
using namespace kestrum::reports;

QPointer<TTotalAmountReport> TotalAmountReport;
QPointer<TTotalReceivable> TotalReceivable;

namespace {

void showTotals(const TotalsLayout& layout, const PeriodFigures& figures, const QStringList& withoutRate,
                QWidget* parent)
{
    if (const QString note = missingRateNote(withoutRate); !note.isEmpty())
        ui::showMessage(note);
    report::Report r;
    buildTotalsReport(r, layout, figures, shopName());
    report::showReport(r, parent);
}

}  // namespace

// --- by invoice date -----------------------------------------------------------------------------

TTotalAmountReport::TTotalAmountReport(QWidget* parent)
    : ReportWindow(parent), ui(std::make_unique<Ui::TTotalAmountReport>())
{
    ui->setupUi(this);
    setupReportWindow();
    addChoice("ComboBox1", "Customer", "Name_Customer");
    setItems("ComboBox2", {"Paid", "Open"}, "Paid");
    // Invoices carry no chart.
    addUnrestrictingChoice("ComboBox3");
    addUnrestrictingChoice("ComboBox4");
    TotalAmountReport = this;
}

TTotalAmountReport::~TTotalAmountReport() = default;

void TTotalAmountReport::print()
{
    InvoiceSelection s;
    s.by = InvoiceSelection::By::InvoiceDate;
    s.period = period();
    s.customer = choice("ComboBox1");
    const QString type = controlText("ComboBox2").trimmed();
    if (type == "Paid")
        s.paid = true;
    else if (type == "Open")
        s.paid = false;  // the unpaid invoices
    InvoiceRun run = invoiceFigures(s);
    run.totals.orders = orderTotal(s.period);
    showTotals({"Total Amounts Report", "Invoice Total Report"}, run.totals, run.withoutRate, this);
}

// --- by the payments that closed the invoices ---------------------------------------------------

TTotalReceivable::TTotalReceivable(QWidget* parent)
    : ReportWindow(parent), ui(std::make_unique<Ui::TTotalReceivable>())
{
    ui->setupUi(this);
    setupReportWindow("Button3");
    addChoice("ComboBox1", "Customer", "Name_Customer");
    setItems("ComboBox2", {"All", "Paid"}, "Paid");
    // "Tax" reads "Yes" and restricts nothing: which invoices count is decided by their payments
    // and the Type box alone, and every taxable invoice carries its own month's rate. Button2 is a
    // second Print kept hidden and unwired.
    setItems("ComboBox3", {}, "Yes");
    TotalReceivable = this;
}

TTotalReceivable::~TTotalReceivable() = default;

void TTotalReceivable::print()
{
    InvoiceSelection s;
    s.by = InvoiceSelection::By::LastPayment;
    s.period = period();
    s.customer = choice("ComboBox1");
    if (controlText("ComboBox2").trimmed() != "All")
        s.paid = true;
    WorkTableRun run = fillWorkTables(s);
    run.totals.orders = orderTotal(s.period);
    showTotals({"Total Receivable Amounts Report", "Total Receivable Report"}, run.totals, run.withoutRate, this);
}
