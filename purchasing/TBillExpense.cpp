#include "TBillExpense.h"

#include "ui_TBillExpense.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "LineSpecs.h"
#include "Support.h"
#include "TBill.h"

QPointer<TBillExpense> BillExpense;

TBillExpense::TBillExpense(QWidget* parent)
    : LineEditor(kestrum::purchasing::billExpenseSpec(), parent), ui(std::make_unique<Ui::TBillExpense>()) {
    ui->setupUi(this);
    setupLineEditor();
    ui->Button6->hide();            // "Help  ( F1 )" has no help behind it
    ui->Button7->setEnabled(false); // Cancel has never had an action here
    connect(ui->ComboBox1, &kestrum::records::ListCombo::dropDown, this,
            [this] { kestrum::ui::runGuarded(this, [this] { fillDescriptions(); }); });
    setDocument(Bill);
    connect(this, &LineEditor::linesClosed, this, [](const QString& ref) {
        if (Bill)
            kestrum::ui::runGuarded(Bill, [&] { Bill->refreshExpenseLines(ref); });
    });
    BillExpense = this;
}

TBillExpense::~TBillExpense() = default;

void TBillExpense::showEvent(QShowEvent* event) {
    LineEditor::showEvent(event);
    if (listed_)
        return;
    listed_ = true;
    kestrum::ui::runGuarded(this, [this] { fillDescriptions(); });
}

void TBillExpense::fillDescriptions() {
    kestrum::purchasing::fillCombo(ui->ComboBox1, DM->QBillExpense2,
                                   "Select Description_Expense From BillExpense", "Description_Expense");
}
