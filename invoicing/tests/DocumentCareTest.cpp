// What keeps a clerk's document in front of them: printing an unsaved document asks first, the
// saved document stays selected, the total follows the date typed, the window opens maximised,
// the printout shows whole values and the PDF export proposes the document's own name.
#include "InvoicingFixture.h"

#include "Format.h"
#include "Grid.h"
#include "Mdi.h"
#include "ReportPreview.h"
#include "TEstimate.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <optional>

namespace {
const QString SaveQ = "Are you sure you want to Save this Record?";
const QString Vin = "1HGCM82633A004352";

std::optional<kestrum::report::DrawOp> findText(const kestrum::report::PreparedReport& r, const QString& text)
{
    for (const auto& op : r.pageOps(0))
        if (op.kind == kestrum::report::DrawOp::Kind::Text && op.text == text)
            return op;
    return std::nullopt;
}
}  // namespace

TEST_P(InvoicingTest, PrintOnAnUnsavedDocumentAsksAndNeverDropsWhatWasTyped)
{
    seedShop();
    addInvoice(1, "Hill Farm", true);
    TInvoice* w = open<TInvoice>();
    ASSERT_EQ(text(w, "Edit1"), "1");
    kestrum::report::ReportCapture capture;
    const QString question = "This invoice is not saved. Save it before printing?";

    click(w, "Button3");
    ASSERT_EQ(text(w, "Edit1"), "2");
    setText(w, "ComboBox1", "Whitfield Hauling");
    setText(w, "Edit6", Vin);
    dialogs_->answerCancel();
    click(w, "Button9");
    dialogs_->answerNo();
    click(w, "Button9");
    EXPECT_EQ(dialogs_->confirmations(), (QStringList{question, question}));
    EXPECT_TRUE(capture.reports().empty());  // neither prints anything
    EXPECT_EQ(text(w, "Edit1"), "2");         // and the typed document is still there
    EXPECT_EQ(text(w, "ComboBox1"), "Whitfield Hauling");
    EXPECT_EQ(text(w, "Edit6"), Vin);
    EXPECT_EQ(count("Invoice"), 1);

    // Yes saves the typed document and prints it, not the list's first row.
    dialogs_->answerYes();
    click(w, "Button9");
    EXPECT_EQ(scalar("Select Vin_Inv From Invoice where InvoiceNo_Inv=2"), Vin);
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_TRUE(capture.reports().back().pageText(0).contains(Vin));
    EXPECT_TRUE(capture.reports().back().pageText(0).contains("Whitfield Hauling"));
    EXPECT_EQ(text(w, "Edit1"), "2");

    // Saved and unchanged: printed without a question; a changed box asks again.
    dialogs_->clear();
    click(w, "Button9");
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    EXPECT_EQ(capture.reports().size(), 2u);
    setText(w, "Edit5", "call first");
    dialogs_->answerNo();
    click(w, "Button9");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{question});
    EXPECT_EQ(capture.reports().size(), 2u);
    EXPECT_EQ(text(w, "Edit5"), "call first");
    EXPECT_EQ(scalar("Select PO_Inv From Invoice where InvoiceNo_Inv=2"), "");
    w->close();

    // The estimate asks the same, in its own word.
    TEstimate* e = open<TEstimate>();
    click(e, "Button3");
    setText(e, "ComboBox1", "Whitfield Hauling");
    dialogs_->clear();
    dialogs_->answerCancel();
    click(e, "Button9");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{"This estimate is not saved. Save it before printing?"});
    EXPECT_EQ(count("Estimate"), 0);
    EXPECT_EQ(capture.reports().size(), 2u);
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join('\n').toStdString();
}

TEST_P(InvoicingTest, TheSavedDocumentStaysShownAndSelectedAfterTheListReloads)
{
    seedShop();
    for (int n : {1, 2, 3})
        addInvoice(n, "Hill Farm", true);
    TInvoice* w = open<TInvoice>();
    clickRow(w->list(), 2);
    ASSERT_EQ(text(w, "Edit1"), "3");
    setText(w, "Edit5", "fleet desk");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "3");
    EXPECT_EQ(text(w, "Edit5"), "fleet desk");
    EXPECT_EQ(w->list()->currentIndex().row(), 2);

    // A new one, and one marked paid, which the open list no longer holds: the whole list shows it.
    click(w, "Button3");
    setText(w, "ComboBox1", "Whitfield Hauling");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "4");
    EXPECT_EQ(text(w, "ComboBox1"), "Whitfield Hauling");
    qobject_cast<QCheckBox*>(find(w, "CheckBox1"))->setChecked(true);
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "4");
    EXPECT_TRUE(qobject_cast<QCheckBox*>(find(w, "CheckBox1"))->isChecked());
    const QModelIndex current = w->list()->currentIndex();
    ASSERT_TRUE(current.isValid());
    EXPECT_EQ(w->list()->model()->index(current.row(), 0).data().toString(), "4");
    EXPECT_TRUE(dialogs_->errors().isEmpty());
}

TEST_P(InvoicingTest, TaxAndTotalFollowTheDateAsItIsTyped)
{
    seedShop();  // a rate for every month of this year only
    addInvoice(1, "Whitfield Hauling", true);
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Brake pad', 10, 'BP-1', 10, 100)");
    TInvoice* w = open<TInvoice>();
    ASSERT_EQ(text(w, "Label14"), "108.25");
    setText(w, "Edit2", "1/15/2001");
    EXPECT_EQ(text(w, "Label14"), "100");
    EXPECT_FALSE(text(w, "TaxNote").isEmpty());
    setText(w, "Edit2", kestrum::formatShortDate(QDate::currentDate()));
    EXPECT_EQ(text(w, "Label14"), "108.25");
    EXPECT_TRUE(text(w, "TaxNote").isEmpty());
}

TEST_P(InvoicingTest, InvoiceAndEstimateOpenMaximised)
{
    for (const char* cls : {"TInvoice", "TEstimate"}) {
        SCOPED_TRACE(cls);
        QWidget* alone = kestrum::ui::launchWindow(cls, false);  // no frame: a window of its own
        ASSERT_TRUE(alone);
        windows_.append(alone);
        EXPECT_TRUE(alone->isMaximized());
        alone->close();

        QMdiArea area;
        area.resize(900, 600);
        area.show();
        kestrum::ui::setMdiArea(&area);
        QWidget* child = kestrum::ui::launchWindow(cls, false);
        ASSERT_TRUE(child);
        auto* frame = qobject_cast<QMdiSubWindow*>(child->parentWidget());
        ASSERT_TRUE(frame);
        EXPECT_TRUE(frame->isMaximized());
        kestrum::ui::setMdiArea(nullptr);
        delete frame;
        testsupport::settle();
    }
}

TEST_P(InvoicingTest, PrintedFieldsShowTheirWholeValueAndPdfIsNamedForTheDocument)
{
    seedShop();
    addInvoice(1042, "Whitfield Hauling", true);
    exec("Update Invoice Set Vin_Inv=?, TruckNo_Inv='T-7', Make_Inv=? where InvoiceNo_Inv=1042",
         {Vin, QString("Mercedes-Benz Commercial Vehicles")});
    TInvoice* w = open<TInvoice>();
    ASSERT_EQ(text(w, "Edit1"), "1042");
    kestrum::report::ReportCapture capture;
    click(w, "Button9");
    ASSERT_EQ(capture.reports().size(), 1u);
    const auto& printed = capture.reports().front();
    const auto carLabel = findText(printed, "Car No:");
    ASSERT_TRUE(carLabel);
    for (const QString& value : {Vin, QString("Mercedes-Benz Commercial Vehicles")}) {
        SCOPED_TRACE(value.toStdString());
        const auto op = findText(printed, value);
        ASSERT_TRUE(op);
        const QFontMetricsF metrics(kestrum::report::deviceFont(op->font, nullptr));
        EXPECT_LE(metrics.horizontalAdvance(op->text), op->rect.width() - 4);  // drawn inside its place
        EXPECT_LE(op->font.pointSize, 10);
        EXPECT_GE(op->font.pointSize, 4);
    }
    EXPECT_LE(findText(printed, Vin)->rect.right(), carLabel->rect.left());
    // A short value keeps the layout's size.
    EXPECT_EQ(findText(printed, "T-7")->font.pointSize, 10);

    // Export PDF proposes kind and number, first in the home folder, then where the last one went.
    QStringList proposed;
    QTemporaryDir dir;
    kestrum::report::PreviewHooks answer;
    answer.pdfFileName = [&](QWidget*, const QString& suggested) {
        proposed << suggested;
        return dir.filePath("first.pdf");
    };
    auto hooks = kestrum::report::setPreviewHooks(answer);
    {
        kestrum::report::TReportPreview preview(printed);
        EXPECT_TRUE(preview.exportPdf());
        EXPECT_TRUE(preview.exportPdf());
    }
    kestrum::report::setPreviewHooks(hooks);
    ASSERT_EQ(proposed.size(), 2);
    EXPECT_EQ(QFileInfo(proposed[0]).fileName(), "Invoice-1042.pdf");
    EXPECT_EQ(QFileInfo(proposed[1]).fileName(), "Invoice-1042.pdf");
    EXPECT_EQ(QFileInfo(proposed[1]).absolutePath(), QDir(dir.path()).absolutePath());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("first.pdf")));
}

TEST_P(InvoicingTest, GridColumnsAndTheLaborBoxShowTitlesAndValuesWhole)
{
    seedShop();
    addInvoice(1, "Whitfield Hauling", true);
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Front brake pad set, ceramic, with wear sensors', 12.5, 'BP-1-CERAMIC', 1234.5678, 15432.1)");
    const QString job = "Replace front brake pads and rotors, road test, torque wheels to spec";
    exec("Insert Into InvLabor (Inv_Labor, Description_Labor, PartNo_Labor, Qty_Labor, Rate_Labor, Amount_Labor, "
         "Remark_Labor) Values (1, ?, 'Front axle', 1.5, 80, 120, 'both sides')",
         {job});
    TInvoice* w = open<TInvoice>();
    ASSERT_EQ(text(w, "Edit1"), "1");
    for (const char* name : {"DBGrid1", "DBGrid2", "DBGrid3"}) {
        auto* grid = qobject_cast<QTableView*>(find(w, name));
        auto* header = qobject_cast<kestrum::ui::GridHeader*>(grid->horizontalHeader());
        ASSERT_TRUE(header) << name;
        const int most = std::max(60, std::max(grid->viewport()->width(), grid->width()) * 2 / 5);
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            if (grid->isColumnHidden(c))
                continue;
            const int values = static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(c);
            const int wanted = std::min(std::max(header->titleWidth(c), values), most);
            EXPECT_GE(grid->columnWidth(c), wanted) << name << " column " << c;
        }
    }
    // The user may still make a column narrower.
    auto* list = qobject_cast<QTableView*>(find(w, "DBGrid1"));
    const int narrow = std::max(list->horizontalHeader()->minimumSectionSize(), 30);
    ASSERT_GT(list->columnWidth(3), narrow);
    list->horizontalHeader()->resizeSection(3, narrow);
    EXPECT_EQ(list->columnWidth(3), narrow);

    // A labor line loaded into the editor shows the start of its description.
    TInvLabor* ed = openLaborLines(w);
    ASSERT_TRUE(ed);
    clickRow(ed->grid(), 0);
    auto* box = qobject_cast<QComboBox*>(find(ed, "ComboBox1"));
    ASSERT_EQ(box->currentText(), job);
    EXPECT_EQ(box->lineEdit()->cursorPosition(), 0);
}
