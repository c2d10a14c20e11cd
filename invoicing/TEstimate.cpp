#include "TEstimate.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "EstimateConversion.h"
#include "InputError.h"
#include "Mdi.h"

QPointer<TEstimate> Estimate;
QPointer<TEstimateItem> EstimateItem;
QPointer<TEstimateLabor> EstimateLabor;
QPointer<TEstimatePartFind> EstimatePartFind;
QPointer<TEstimateLaborFind> EstimateLaborFind;

namespace kestrum::invoicing {

const DocumentSpec& estimateDocument()
{
    static const DocumentSpec d = [] {
        DocumentSpec s = invoiceDocument();
        s.headerTable = "Estimate";
        s.itemTable = "EstimateItem";
        s.laborTable = "EstimateLabor";
        // Numbered on their own, above lines left behind and above every archived number, so
        // an estimate never meets an archived document of the same number.
        s.numberSources = {{"Estimate", "InvoiceNo_Inv"},  {"EstimateItem", "Inv_Item"},
                           {"EstimateLabor", "Inv_Labor"}, {"InvoiceCash", "InvoiceNo_Inv"},
                           {"InvItemCash", "Inv_Item"},    {"InvLaborCash", "Inv_Labor"}};
        s.list = &TDM::QEstimate1;
        s.probe = &TDM::QEstimate2;
        s.items = &TDM::QEstimateItem3;
        s.itemSum = &TDM::QEstimateItem4;
        s.itemEditor[0] = &TDM::QEstimateItem1;
        s.itemEditor[1] = &TDM::QEstimateItem2;
        s.itemEditor[2] = &TDM::QEstimateItem3;
        s.itemEditor[3] = &TDM::QEstimateItem4;
        // labor: the invoice's QInvLabor1..4
        s.caption = "Estimate";
        s.numberCaption = "Estimate #";
        s.totalCaption = "Total Estimate $";
        s.printCaption = "Print Estimate";
        s.notBalanced = "Estimate is not Balance";
        s.printTitle = "Estimate";
        s.word = "estimate";
        s.listTitles[0] = "Estimate #";
        s.listTitles[3] = "Estimate Date";
        s.lineDocumentTitle = "Estimate";
        s.lineDocumentTitleAfter = "Invoice";
        s.itemEditorClass = "TEstimateItem";
        s.laborEditorClass = "TEstimateLabor";
        s.itemFinderClass = "TEstimatePartFind";
        s.laborFinderClass = "TEstimateLaborFind";
        s.itemEditorPanel = "Estimate Parts";
        s.laborEditorPanel = "Estimate Labor";
        // An estimate is not an invoice: payments under its number belong to the invoice.
        s.showsPayments = false;
        s.archiveLabor = &TDM::QEstimateLabor1;
        return s;
    }();
    return d;
}

namespace {

lines::LineSpec estimatePartLines()
{
    lines::LineSpec s = partLineSpec(estimateDocument());
    s.unkeyed = {"Edit1"};  // Mfg stays in the ring but does not react to keys
    s.navigatorFillsFields = false;
    return s;
}

lines::LineSpec estimateLaborLines()
{
    lines::LineSpec s = laborLineSpec(estimateDocument());
    s.catalogue.refillOnDropDown = false;
    s.gridFillsFields = false;
    s.navigatorFillsFields = false;
    return s;
}

}  // namespace

}  // namespace kestrum::invoicing

using kestrum::invoicing::estimateDocument;

TEstimate::TEstimate(QWidget* parent) : DocumentWindow(estimateDocument(), parent)
{
    Estimate = this;
    addFootButton(QStringLiteral("MakeInvoiceButton"), QStringLiteral("Make Invoice"),
                  static_cast<void (DocumentWindow::*)()>(&TEstimate::makeInvoice));
}

void TEstimate::makeInvoice()
{
    const QString numberText = number();
    if (numberText.isEmpty()) {
        kestrum::ui::showMessage(QStringLiteral("No estimate is shown: pick a saved estimate first."));
        return;
    }
    const qint64 n = kestrum::requireInteger(numberText, document().numberCaption);
    if (!kestrum::ui::confirm(QStringLiteral("Make an invoice of estimate %1? The estimate then goes to the archive.").arg(n)))
        return;
    const std::optional<qint64> invoice = kestrum::invoicing::makeInvoiceFromEstimate(n);
    if (!invoice)
        return;
    refreshList();
    QWidget* w = kestrum::ui::launchWindow(QStringLiteral("TInvoice"), false);
    if (auto* window = qobject_cast<DocumentWindow*>(w))
        window->showDocument(*invoice);
}

TEstimateItem::TEstimateItem(QWidget* parent)
    : PartLinesWindow(kestrum::invoicing::estimatePartLines(), estimateDocument().itemEditorPanel, parent)
{
    setWindowTitle("EstimateItem");
    EstimateItem = this;
}

TEstimateLabor::TEstimateLabor(QWidget* parent)
    : LaborLinesWindow(kestrum::invoicing::estimateLaborLines(), estimateDocument().laborEditorPanel, parent)
{
    setWindowTitle("EstimateLabor");
    EstimateLabor = this;
}

TEstimatePartFind::TEstimatePartFind(QWidget* parent)
    : PartFinderWindow("EstimatePartFind",
                       [] { return static_cast<kestrum::lines::LineEditor*>(EstimateItem.data()); }, parent)
{
    EstimatePartFind = this;
}

// Its Close button does nothing; the window's own close box hides it.
TEstimateLaborFind::TEstimateLaborFind(QWidget* parent)
    : LaborFinderWindow("EstimateLaborFind",
                        [] { return static_cast<kestrum::lines::LineEditor*>(EstimateLabor.data()); }, false, parent)
{
    EstimateLaborFind = this;
}
