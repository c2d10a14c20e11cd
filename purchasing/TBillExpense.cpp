#include "TBillExpense.h"

#include "ui_TBillExpense.h"

#include "Dialogs.h"
#include "LineSpecs.h"
#include "TBill.h"

QPointer<TBillExpense> BillExpense;

TBillExpense::TBillExpense(QWidget* parent)
    : LineEditor(kestrum::purchasing::billExpenseSpec(), parent), ui(std::make_unique<Ui::TBillExpense>()) {
    ui->setupUi(this);
    setupLineEditor();
    ui->Button6->hide();            // "Help  ( F1 )" has no help behind it
    ui->Button7->setEnabled(false); // Cancel has never had an action here
    setDocument(Bill);
    connect(this, &LineEditor::linesClosed, this, [](const QString& ref) {
        if (Bill)
            kestrum::ui::runGuarded(Bill, [&] { Bill->refreshExpenseLines(ref); });
    });
    BillExpense = this;
}

TBillExpense::~TBillExpense() = default;
