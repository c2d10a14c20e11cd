#include "TPart.h"

#include "ui_TPart.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Figures.h"
#include "Format.h"
#include "Grid.h"
#include "History.h"
#include "Query.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QStyledItemDelegate>

using namespace kestrum;
using namespace kestrum::records;

QPointer<TPart> Part;

namespace {

/// Striped rows, black text, and a one-pixel frame round the cells of the selected row (red
/// while the grid has the focus).
class PartRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const bool selected = opt.state & QStyle::State_Selected;
        painter->save();
        painter->fillRect(opt.rect, ui::colorValue(index.row() % 2 == 0 ? 15780518 : 16637143));
        painter->setPen(Qt::black);
        const QRect text = opt.rect.adjusted(3, 0, -3, 0);
        painter->drawText(text, int(opt.displayAlignment) | Qt::AlignVCenter, opt.text);
        if (selected) {
            const bool focused = opt.widget && opt.widget->hasFocus();
            painter->setPen(focused ? ui::colorValue(255) : opt.palette.color(QPalette::WindowText));
            painter->drawRect(opt.rect.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }
};

RecordSpec partSpec()
{
    RecordSpec s;
    s.table = "Part";
    s.keyColumn = "ID_Material";
    s.listQuery = &TDM::QPart1;
    s.probeQuery = &TDM::QPart2;
    s.listSql =
        "Select ID_Material,Type_Material,Number_Material,Description_Material,Mfg_Material, "
        "Style_Material,Style_Type_Material,Color_Material,Size_Material,Unit_Material,Price_Material,"
        "Remark_Material From Part";
    s.fields = {
        {"ComboBox3", "Type_Material", FieldKind::Text, {}, ComboList::AtShowAndDropDown},
        {"Edit7", "Number_Material"},
        {"Edit2", "Description_Material"},
        {"ComboBox1", "Mfg_Material", FieldKind::Text, {}, ComboList::AtShowAndDropDown},
        {"Edit3", "Style_Material"},
        {"ComboBox4", "Style_Type_Material", FieldKind::Text, {}, ComboList::OnDropDown},
        {"Edit8", "Color_Material"},
        {"Edit9", "Size_Material"},
        {"ComboBox2", "Unit_Material", FieldKind::Text, {}, ComboList::AtShowAndDropDown},
        {"Edit4", "Price_Material", FieldKind::Money, "0.00"},
        {"Edit5", "Remark_Material"},
    };
    s.cycle = {"Edit1", "ComboBox3", "Edit7", "Edit2", "ComboBox1", "Edit3", "ComboBox4",
               "Edit8", "Edit9", "ComboBox2", "Edit4", "Edit5"};
    s.wrapTo = "ComboBox3";
    s.left = ui::KeyCycle::LeftKey::Next;  // this window's Left walks forward, like Enter
    s.keepLeft = {"Edit2"};
    s.focusAfterNew = "ComboBox3";
    s.insertMessage = "Data Recorded!";
    s.updateMessage = "";
    s.afterSave = AfterSave::CopyFirstRow;
    s.refreshAction = RefreshAction::CopyFirstRow;
    s.cancelAction = CancelAction::Refresh;
    s.titles = {{"ID #", 40},    {"Material Type", 90}, {"Material Name", 90}, {"Description", 200},
                {"Mfg", 80},     {"Style", 80},         {"Style Type", 80},    {"Part No", 80},
                {"Serial No", 80}, {"Unit", 50},        {"Price $", 50},       {"Remark", 150}};
    s.refreshTitles = {{1, "Type Part"}, {2, "Part Name"}};
    s.cancelTitles = s.refreshTitles;
    s.sortable = {"ID_Material",    "Type_Material",       "Number_Material", "Description_Material",
                  "Mfg_Material",   "Style_Material",      "Style_Type_Material", "Color_Material",
                  "Size_Material",  "Unit_Material",       "Price_Material",  "Remark_Material"};
    s.defaultSearchColumn = "Number_Material";
    s.keyBoxLocates = true;
    // A shop keeps a hundred thousand parts: the window shows the first of them while they are counted.
    s.countFollows = true;
    s.gridKeys = {true, true, true, true};
    return s;
}

}  // namespace

TPart::TPart(QWidget* parent) : RecordWindow(partSpec(), parent), ui(std::make_unique<Ui::TPart>())
{
    ui->setupUi(this);
    setupRecordWindow();
    ui->DBGrid1->setItemDelegate(new PartRowDelegate(ui->DBGrid1));
    ui->Edit8->installEventFilter(this);
    // The match status is a coloured block: shown only with a text, its place kept meanwhile.
    QSizePolicy keepPlace = ui->Label16->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    ui->Label16->setSizePolicy(keepPlace);
    ui->Label16->hide();
    connect(ui->Button6, &QPushButton::clicked, this,
            [this] { ui::runGuarded(this, [] { showAuxHistory("TPartOrderHistory"); }); });
    connect(ui->Button8, &QPushButton::clicked, this,
            [this] { ui::runGuarded(this, [] { showAuxHistory("TPartInvoiceHistory"); }); });
    connect(listQuery(), &Query::counted, this,
            [this] { ui->Label14->setText(QString::number(listQuery()->fetchedCount())); });
    Part = this;
}

TPart::~TPart()
{
    ui->Edit8->removeEventFilter(this);
}

bool TPart::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->Edit8 && event->type() == QEvent::FocusOut) {
        // Only when the user moves on to another control of this window: a context menu, a
        // message box or another window taking the focus must not rewrite the boxes.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        QWidget* next = QApplication::focusWidget();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && next && isAncestorOf(next))
            ui::runGuarded(this, [this] { Edit8Exit(); });
    }
    return RecordWindow::eventFilter(watched, event);
}

void TPart::recomputeFigures()
{
    // Quantities are summed exactly, so a fractional quantity shows as such instead of failing.
    const QString partNo = ui->Edit8->text();
    const auto sold = sumWhere(DM->Q1, "Qty_Item", "InvItem", "Color_Item", partNo);
    const auto bought = sumWhere(DM->Q1, "Qty_Item", "Items", "Color_Item", partNo);
    ui->Label17->setText(sold ? sold->toString() : "0");
    ui->Label19->setText(bought ? bought->toString() : "0");
    const Decimal onHand = bought.value_or(Decimal{}) - sold.value_or(Decimal{});
    ui->Label21->setText(onHand.toString());
    const Decimal price = listQuery()->FieldByName("Price_Material").AsCurrency();
    ui->Label23->setText(formatMoney(onHand * price));
}

void TPart::listReloaded()
{
    // A paged list counts its rows as it opens, or just after (counted()): counting the catalogue
    // again costs as much. Until then the label is empty rather than short.
    Query* list = listQuery();
    if (list->paged()) {
        ui->Label14->setText(list->countPending() ? QString() : QString::number(list->fetchedCount()));
        return;
    }
    // Counted by the database: RecordCount would read the whole catalogue into the list.
    Query* q = probeQuery();
    q->setStatement("Select Count(*) From Part");
    q->Open();
    ui->Label14->setText(QString::number(q->FieldByName(QStringLiteral("Expr1000")).AsInteger()));
}

void TPart::setMatchStatus(const QString& text)
{
    ui->Label16->setText(text);
    ui->Label16->setVisible(!text.isEmpty());
}

void TPart::Edit8Exit()
{
    const QString partNo = ui->Edit8->text();
    if (partNo.isEmpty())
        return;
    Query* q = DM->Q1;
    q->setStatement("Select * From Part where Color_Material=?", {partNo});
    q->Open();
    if (q->RecordCount() == 0) {
        setMatchStatus("Not Match");
        return;
    }
    // Load the part whose number is the one typed (not a longer number that merely starts with
    // it), so that a later Save edits the right part.
    copyRowOf(q);
    listQuery()->Locate("Color_Material", partNo, false);
    setMatchStatus("Other Match");
}
