#include "TLabor.h"

#include "ui_TLabor.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Figures.h"
#include "History.h"

#include <QEvent>

using namespace kestrum;
using namespace kestrum::records;

QPointer<TLabor> Labor;

namespace {

RecordSpec laborSpec()
{
    RecordSpec s;
    s.table = "Labor";
    s.keyColumn = "ID_Labor";
    s.listQuery = &TDM::QLabor1;
    s.probeQuery = &TDM::QLabor2;
    s.listSql = "Select * From Labor";
    s.fields = {
        {"ComboBox1", "Description_Labor", FieldKind::Text, {}, ComboList::OnDropDown},
        {"ComboBox2", "PartNo_Labor", FieldKind::Text, {}, ComboList::OnDropDown},
        {"Edit2", "Rate_Labor", FieldKind::Money, "0.00"},
        {"Edit3", "Remark_Labor"},
    };
    s.cycle = {"Edit1", "ComboBox1", "ComboBox2", "Edit2", "Edit3"};
    s.wrapTo = "Edit1";
    s.focusAfterNew = "ComboBox1";
    s.afterSave = AfterSave::LocateCopyRow;
    s.refreshAction = RefreshAction::CopyFirstRow;
    s.cancelAction = CancelAction::CopyCurrentRow;
    s.titles = {{"No", 100}, {"Description", 200}, {"Device Name", 200}, {"Rate", 100}, {"Remark", 200}};
    s.sortable = {"ID_Labor", "Description_Labor", "PartNo_Labor", "Rate_Labor", "Remark_Labor"};
    s.defaultSearchColumn = "Description_Labor";
    return s;  // no grid function keys; a key released in the grid still shows that row
}

}  // namespace

TLabor::TLabor(QWidget* parent) : RecordWindow(laborSpec(), parent), ui(std::make_unique<Ui::TLabor>())
{
    ui->setupUi(this);
    setupRecordWindow();
    ui->Edit2->installEventFilter(this);
    connect(ui->Button8, &QPushButton::clicked, this,
            [this] { ui::runGuarded(this, [] { showAuxHistory("TLaborInvoiceHistory"); }); });
    Labor = this;
}

TLabor::~TLabor()
{
    ui->Edit2->removeEventFilter(this);
}

bool TLabor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->Edit2 && event->type() == QEvent::FocusOut && ui->Edit2->text().isEmpty())
        ui->Edit2->setText("0.00");
    return RecordWindow::eventFilter(watched, event);
}

void TLabor::recomputeFigures()
{
    // Labor lines carry the job's description, so renaming a job separates its old lines.
    const auto sold = sumWhere(DM->Q1, "Amount_Labor", "InvLabor", "Description_Labor", ui->ComboBox1->currentText());
    ui->Label17->setText(sold ? sold->toString() : QString());
}
