#include "TBillPart.h"

#include "ui_TBillPart.h"

#include "Dialogs.h"
#include "LineSpecs.h"
#include "TBill.h"

QPointer<TBillPart> BillPart;

TBillPart::TBillPart(QWidget* parent)
    : LineEditor(kestrum::purchasing::billPartSpec(), parent), ui(std::make_unique<Ui::TBillPart>()) {
    ui->setupUi(this);
    setupLineEditor();
    ui->Button6->hide();            // "Help  ( F1 )" has no help behind it
    ui->Button7->setEnabled(false); // Cancel has never had an action here
    setDocument(Bill);
    connect(this, &LineEditor::linesClosed, this, [](const QString& ref) {
        if (Bill)
            kestrum::ui::runGuarded(Bill, [&] { Bill->refreshPartLines(ref); });
    });
    BillPart = this;
}

TBillPart::~TBillPart() = default;
