#include "TOrderItem.h"

#include "ui_TOrderItem.h"

#include "Dialogs.h"
#include "LineSpecs.h"
#include "TPoOrder.h"

#include <QMdiSubWindow>

QPointer<TOrderItem> OrderItem;

TOrderItem::TOrderItem(QWidget* parent)
    : LineEditor(kestrum::purchasing::orderItemSpec(), parent), ui(std::make_unique<Ui::TOrderItem>()) {
    ui->setupUi(this);
    setupLineEditor();
    ui->Button6->hide(); // "Help  ( F1 )" has no help behind it
    setDocument(PoOrder);
    // Closing shows the edited lines and total in the order window.
    connect(this, &LineEditor::linesClosed, this, [](const QString& po) {
        if (PoOrder)
            kestrum::ui::runGuarded(PoOrder, [&] { PoOrder->refreshLines(po); });
    });
    OrderItem = this;
}

TOrderItem::~TOrderItem() = default;

void TOrderItem::showEvent(QShowEvent* event) {
    LineEditor::showEvent(event);
    if (maximized_)
        return;
    maximized_ = true;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->showMaximized();
}
