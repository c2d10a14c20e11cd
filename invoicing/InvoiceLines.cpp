#include "InvoiceLines.h"

#include "ui_TInvItem.h"
#include "ui_TInvLabor.h"
#include "ui_TInvLaborFind.h"
#include "ui_TInvPartFind.h"

QPointer<TInvItem> InvItem;
QPointer<TInvLabor> InvLabor;
QPointer<TInvPartFind> InvPartFind;
QPointer<TInvLaborFind> InvLaborFind;

namespace kestrum::invoicing {

PartLinesWindow::PartLinesWindow(lines::LineSpec spec, const QString& panel, QWidget* parent)
    : LineEditor(std::move(spec), parent), ui(std::make_unique<Ui::TInvItem>())
{
    ui->setupUi(this);
    ui->CaptionPanel->setText(panel);
    setupLineEditor();
}

PartLinesWindow::~PartLinesWindow() = default;

LaborLinesWindow::LaborLinesWindow(lines::LineSpec spec, const QString& panel, QWidget* parent)
    : LineEditor(std::move(spec), parent), ui(std::make_unique<Ui::TInvLabor>())
{
    ui->setupUi(this);
    ui->CaptionPanel->setText(panel);
    setupLineEditor();
}

LaborLinesWindow::~LaborLinesWindow() = default;

PartFinderWindow::PartFinderWindow(const QString& caption, Target target, QWidget* parent)
    : PickerWindow(partFinderSpec(), std::move(target), parent), ui(std::make_unique<Ui::TInvPartFind>())
{
    ui->setupUi(this);
    setWindowTitle(caption);
    setupPicker();
}

PartFinderWindow::~PartFinderWindow() = default;

namespace {
lines::PickerSpec laborFinder(bool closeButtonHides)
{
    lines::PickerSpec s = laborFinderSpec();
    s.closeButtonHides = closeButtonHides;
    return s;
}
}  // namespace

LaborFinderWindow::LaborFinderWindow(const QString& caption, Target target, bool closeButtonHides,
                                     QWidget* parent)
    : PickerWindow(laborFinder(closeButtonHides), std::move(target), parent),
      ui(std::make_unique<Ui::TInvLaborFind>())
{
    ui->setupUi(this);
    setWindowTitle(caption);
    setupPicker();
}

LaborFinderWindow::~LaborFinderWindow() = default;

}  // namespace kestrum::invoicing

using kestrum::invoicing::invoiceDocument;

TInvItem::TInvItem(QWidget* parent)
    : PartLinesWindow(kestrum::invoicing::partLineSpec(invoiceDocument()), invoiceDocument().itemEditorPanel, parent)
{
    InvItem = this;
}

TInvLabor::TInvLabor(QWidget* parent)
    : LaborLinesWindow(kestrum::invoicing::laborLineSpec(invoiceDocument()), invoiceDocument().laborEditorPanel,
                       parent)
{
    InvLabor = this;
}

TInvPartFind::TInvPartFind(QWidget* parent)
    : PartFinderWindow("InvPartFind", [] { return static_cast<kestrum::lines::LineEditor*>(InvItem.data()); }, parent)
{
    InvPartFind = this;
}

TInvLaborFind::TInvLaborFind(QWidget* parent)
    : LaborFinderWindow("InvLaborFind", [] { return static_cast<kestrum::lines::LineEditor*>(InvLabor.data()); },
                        true, parent)
{
    InvLaborFind = this;
}
