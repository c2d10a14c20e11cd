// The data-aware grid's properties: options, look, alignment in its parent, tab order, header.
#include <vantrel/grid/DBGrid.h>

#include <QEvent>

#include <algorithm>

namespace vantrel {

// ---- Properties ---------------------------------------------------------------------------------

void TCustomDBGrid::SetOptions(TDBGridOptions options) {
    if (options == FOptions)
        return;
    FOptions = options;
    if (!(FOptions & dgMultiSelect))
        FSelectedRows.Clear();
    ApplyOptions();
    SetColumnAttributes();
    viewport()->update();
}

void TCustomDBGrid::ApplyOptions() {
    horizontalHeader()->setVisible((FOptions & dgTitles) != 0);
    verticalHeader()->setVisible((FOptions & dgIndicator) != 0);
    if (FOptions & dgAlwaysShowEditor)
        setEditTriggers(QAbstractItemView::AllEditTriggers);
    else
        setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
}

void TCustomDBGrid::SetDefaultDrawing(bool value) {
    FDefaultDrawing = value;
    viewport()->update();
}

void TCustomDBGrid::SetAlign(TAlign value) {
    if (value == FAlign)
        return;
    if (parentWidget()) {
        if (FAlign == alNone)
            parentWidget()->installEventFilter(this);
        else if (value == alNone)
            parentWidget()->removeEventFilter(this);
    }
    FAlign = value;
    ApplyAlign();
}

void TCustomDBGrid::ApplyAlign() {
    QWidget* p = parentWidget();
    if (!p || FAlign == alNone)
        return;
    QRect area = p->contentsRect();
    QRect g = geometry();
    switch (FAlign) {
    case alTop:
        g = QRect(area.left(), area.top(), area.width(), g.height());
        break;
    case alBottom:
        g = QRect(area.left(), area.bottom() - g.height() + 1, area.width(), g.height());
        break;
    case alLeft:
        g = QRect(area.left(), area.top(), g.width(), area.height());
        break;
    case alRight:
        g = QRect(area.right() - g.width() + 1, area.top(), g.width(), area.height());
        break;
    case alClient:
        g = area;
        break;
    case alNone:
        break;
    }
    setGeometry(g);
}

bool TCustomDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        ApplyAlign();
    return QTableView::eventFilter(watched, event);
}

void TCustomDBGrid::SetBorderStyle(TBorderStyle value) {
    FBorderStyle = value;
    ApplyFrame();
}

void TCustomDBGrid::SetCtl3D(bool value) {
    FCtl3D = value;
    FParentCtl3D = false;
    ApplyFrame();
}

void TCustomDBGrid::SetParentCtl3D(bool value) {
    FParentCtl3D = value;
    if (value) {
        QVariant parent3D = parentWidget() ? parentWidget()->property("Ctl3D") : QVariant();
        FCtl3D = parent3D.isValid() ? parent3D.toBool() : true;
    }
    ApplyFrame();
}

void TCustomDBGrid::ApplyFrame() {
    if (FBorderStyle == bsNone) {
        setFrameShape(QFrame::NoFrame);
        return;
    }
    setFrameShape(FCtl3D ? QFrame::StyledPanel : QFrame::Box);
    setFrameShadow(FCtl3D ? QFrame::Sunken : QFrame::Plain);
}

QColor TCustomDBGrid::Color() const {
    return palette().color(QPalette::Base);
}

void TCustomDBGrid::SetColor(const QColor& color) {
    FColor = color;
    FParentColor = false;
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void TCustomDBGrid::SetParentColor(bool value) {
    FParentColor = value;
    if (value && parentWidget()) {
        QPalette p = palette();
        p.setColor(QPalette::Base, parentWidget()->palette().color(QPalette::Window));
        setPalette(p);
    } else if (!value && FColor.isValid()) {
        SetColor(FColor);
    }
}

void TCustomDBGrid::SetFixedColor(const QColor& color) {
    FFixedColor = color;
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
}

void TCustomDBGrid::SetFont(const QFont& f) {
    FParentFont = false;
    setFont(f);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(f).height() + 6);
    SetColumnAttributes();
}

void TCustomDBGrid::SetParentFont(bool value) {
    FParentFont = value;
    if (value) {
        setFont(QFont()); // an empty resolve mask inherits the parent's font again
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    }
}

void TCustomDBGrid::SetTitleFont(const QFont& f) {
    FTitleFont = f;
    horizontalHeader()->setFont(f);
    emit FModel->headerDataChanged(Qt::Horizontal, 0, std::max(0, FModel->columnCount() - 1));
}

void TCustomDBGrid::SetImeMode(TImeMode value) {
    FImeMode = value;
    setAttribute(Qt::WA_InputMethodEnabled, value != imDisable);
}

bool TCustomDBGrid::HintsShown() const {
    if (!FParentShowHint)
        return FShowHint;
    QVariant parentValue = parentWidget() ? parentWidget()->property("ShowHint") : QVariant();
    return parentValue.isValid() ? parentValue.toBool() : true;
}

namespace {
// The tab chain of a parent's direct children, in order.
std::vector<QWidget*> tabChain(QWidget* parent) {
    std::vector<QWidget*> chain;
    if (!parent)
        return chain;
    QWidget* w = parent->nextInFocusChain();
    while (w && w != parent) {
        if (w->parentWidget() == parent && (w->focusPolicy() & Qt::TabFocus) &&
            std::find(chain.begin(), chain.end(), w) == chain.end())
            chain.push_back(w);
        w = w->nextInFocusChain();
    }
    return chain;
}
} // namespace

int TCustomDBGrid::TabOrder() const {
    std::vector<QWidget*> chain = tabChain(parentWidget());
    auto it = std::find(chain.begin(), chain.end(), this);
    return it == chain.end() ? -1 : static_cast<int>(it - chain.begin());
}

void TCustomDBGrid::SetTabOrder(int position) {
    // NOTE: Qt 6.4's setTabOrder does not move a scroll area from the start of the chain to its
    // end in one step; moving it one sibling at a time does, and keeps the others' order.
    std::vector<QWidget*> chain = tabChain(parentWidget());
    if (chain.empty())
        return;
    position = std::clamp(position, 0, static_cast<int>(chain.size()) - 1);
    for (size_t guard = 0; guard <= 2 * chain.size(); ++guard) {
        chain = tabChain(parentWidget());
        int at = static_cast<int>(std::find(chain.begin(), chain.end(), this) - chain.begin());
        if (at >= static_cast<int>(chain.size()) || at == position)
            return;
        if (at < position)
            QWidget::setTabOrder(chain[static_cast<size_t>(at) + 1], this);
        else if (at >= 2)
            QWidget::setTabOrder(chain[static_cast<size_t>(at) - 2], this);
        else
            QWidget::setTabOrder(this, chain[0]);
    }
}

// ---- Header -------------------------------------------------------------------------------------

void TCustomDBGrid::TitleClicked(int section) {
    std::vector<TColumn*> cols = VisibleColumns();
    if (OnTitleClick && section >= 0 && section < static_cast<int>(cols.size()))
        Guarded([&] { OnTitleClick(this, cols[static_cast<size_t>(section)]); });
}

void TCustomDBGrid::SectionMoved(int, int oldVisual, int newVisual) {
    if (FLayoutBusy)
        return;
    // The header only shows the order; the column list holds it.
    std::vector<TColumn*> cols = VisibleColumns();
    FLayoutBusy = true;
    horizontalHeader()->moveSection(newVisual, oldVisual);
    FLayoutBusy = false;
    if (oldVisual >= static_cast<int>(cols.size()) || newVisual >= static_cast<int>(cols.size()))
        return;
    int from = cols[static_cast<size_t>(oldVisual)]->Index();
    int to = cols[static_cast<size_t>(newVisual)]->Index();
    FColumns.Move(from, to);
    if (OnColumnMoved)
        Guarded([&] { OnColumnMoved(this, from, to); });
}

void TCustomDBGrid::SectionResized(int logical, int, int newSize) {
    if (FLayoutBusy)
        return;
    std::vector<TColumn*> cols = VisibleColumns();
    if (logical >= 0 && logical < static_cast<int>(cols.size()))
        cols[static_cast<size_t>(logical)]->FWidth = newSize;
}

} // namespace vantrel
