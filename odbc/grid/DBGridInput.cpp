// The data-aware grid's keys, mouse, dragging, focus and scrolling.
#include <vantrel/grid/DBGrid.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>

#include <algorithm>

namespace vantrel {

// ---- Keys and mouse -----------------------------------------------------------------------------

bool TCustomDBGrid::KeyDown(QKeyEvent* event) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active())
        return false;
    Qt::KeyboardModifiers mods = event->modifiers();
    bool ctrl = mods & Qt::ControlModifier;
    int col = SelectedIndex();
    int last = FModel->columnCount() - 1;
    switch (event->key()) {
    case Qt::Key_Up:
        MoveRows(-1);
        return true;
    case Qt::Key_Down:
        MoveRows(1);
        return true;
    case Qt::Key_PageUp:
        MoveRows(-VisibleRowCount());
        return true;
    case Qt::Key_PageDown:
        MoveRows(VisibleRowCount());
        return true;
    case Qt::Key_Home:
        if (ctrl) {
            ds->CheckBrowseMode();
            ds->First();
            SyncToDataSet();
        } else {
            SetCurrentColumn(0);
        }
        return true;
    case Qt::Key_End:
        if (ctrl) {
            ds->CheckBrowseMode();
            ds->Last();
            SyncToDataSet();
        } else {
            SetCurrentColumn(last);
        }
        return true;
    case Qt::Key_Left:
        SetCurrentColumn(ctrl ? 0 : col - 1);
        return true;
    case Qt::Key_Right:
        SetCurrentColumn(ctrl ? last : col + 1);
        return true;
    case Qt::Key_Tab:
        if (!(FOptions & dgTabs))
            return false;
        if (col >= last) {
            MoveRows(1);
            SetCurrentColumn(0);
        } else {
            SetCurrentColumn(col + 1);
        }
        return true;
    case Qt::Key_Backtab:
        if (!(FOptions & dgTabs))
            return false;
        if (col <= 0) {
            MoveRows(-1);
            SetCurrentColumn(last);
        } else {
            SetCurrentColumn(col - 1);
        }
        return true;
    case Qt::Key_Insert:
        if (!FReadOnly && (FOptions & dgEditing) && ds->CanModify() && !FDataLink.ReadOnly()) {
            ds->CheckBrowseMode();
            ds->Insert();
            SyncToDataSet();
        }
        return true;
    case Qt::Key_Delete:
        if (!ctrl)
            return false;
        DeleteRecords();
        return true;
    case Qt::Key_Escape:
        if (ds->State() == dsEdit || ds->State() == dsInsert) {
            ds->Cancel();
            SyncToDataSet();
        }
        return true;
    case Qt::Key_F2:
        if (CanEditCell(currentIndex()))
            edit(currentIndex());
        return true;
    default:
        return false;
    }
}

void TCustomDBGrid::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown) {
        int key = event->key();
        Guarded([&] { OnKeyDown(this, key, event->modifiers()); });
        if (key == 0) {
            event->accept();
            return;
        }
    }
    bool used = false;
    if (!Guarded([&] { used = KeyDown(event); }))
        used = true;
    if (used) {
        event->accept();
        return;
    }
    QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        if (OnKeyPress) {
            Guarded([&] { OnKeyPress(this, text); });
            if (text.isEmpty()) {
                event->accept();
                return;
            }
            if (text != event->text()) {
                QKeyEvent replaced(event->type(), event->key(), event->modifiers(), text);
                QTableView::keyPressEvent(&replaced);
                return;
            }
        }
    }
    QTableView::keyPressEvent(event);
}

void TCustomDBGrid::keyReleaseEvent(QKeyEvent* event) {
    if (OnKeyUp) {
        int key = event->key();
        Guarded([&] { OnKeyUp(this, key, event->modifiers()); });
        if (key == 0) {
            event->accept();
            return;
        }
    }
    QTableView::keyReleaseEvent(event);
}

void TCustomDBGrid::mousePressEvent(QMouseEvent* event) {
    if (FDragMode == dmAutomatic && event->button() == Qt::LeftButton)
        FDragStart = event->position().toPoint();
    QTableView::mousePressEvent(event);
}

void TCustomDBGrid::mouseMoveEvent(QMouseEvent* event) {
    if (FDragMode == dmAutomatic && FDragStart.x() >= 0 && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - FDragStart).manhattanLength() >= QApplication::startDragDistance()) {
        FDragStart = QPoint(-1, -1);
        StartDrag();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void TCustomDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    FDragStart = QPoint(-1, -1);
    QTableView::mouseReleaseEvent(event);
}

void TCustomDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick)
        Guarded([&] { OnDblClick(this); });
    QTableView::mouseDoubleClickEvent(event);
}

void TCustomDBGrid::StartDrag() {
    if (OnStartDrag)
        Guarded([&] { OnStartDrag(this); });
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData("application/x-vantrel-dbgrid", QByteArray());
    drag->setMimeData(mime);
    QGuiApplication::setOverrideCursor(QCursor(FDragCursor));
    drag->exec(Qt::MoveAction | Qt::CopyAction);
    QGuiApplication::restoreOverrideCursor();
    QObject* target = drag->target();
    QPoint at = target && target->isWidgetType()
                    ? static_cast<QWidget*>(target)->mapFromGlobal(QCursor::pos())
                    : QPoint();
    if (OnEndDrag)
        Guarded([&] { OnEndDrag(this, target, at.x(), at.y()); });
}

void TCustomDBGrid::dragEnterEvent(QDragEnterEvent* event) {
    if (!OnDragOver) {
        QTableView::dragEnterEvent(event);
        return;
    }
    bool accept = false;
    QPoint p = event->position().toPoint();
    Guarded([&] { OnDragOver(this, event->source(), p.x(), p.y(), accept); });
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCustomDBGrid::dragMoveEvent(QDragMoveEvent* event) {
    if (!OnDragOver) {
        QTableView::dragMoveEvent(event);
        return;
    }
    bool accept = false;
    QPoint p = event->position().toPoint();
    Guarded([&] { OnDragOver(this, event->source(), p.x(), p.y(), accept); });
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCustomDBGrid::dropEvent(QDropEvent* event) {
    if (!OnDragDrop) {
        QTableView::dropEvent(event);
        return;
    }
    QPoint p = event->position().toPoint();
    Guarded([&] { OnDragDrop(this, event->source(), p.x(), p.y()); });
    event->acceptProposedAction();
}

void TCustomDBGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (FPopupMenu) {
        FPopupMenu->popup(event->globalPos());
        event->accept();
        return;
    }
    QTableView::contextMenuEvent(event);
}

bool TCustomDBGrid::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !HintsShown()) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::ParentChange) {
        setAcceptDrops(true);
        if (FParentColor)
            SetParentColor(true);
        if (FParentCtl3D)
            SetParentCtl3D(true);
    }
    return QTableView::event(event);
}

void TCustomDBGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && FParentColor && parentWidget() &&
        parentWidget()->palette().color(QPalette::Window) != palette().color(QPalette::Base))
        SetParentColor(true);
    QTableView::changeEvent(event);
}

void TCustomDBGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    if (OnEnter && event->reason() != Qt::PopupFocusReason)
        Guarded([&] { OnEnter(this); });
    viewport()->update();
}

void TCustomDBGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    QWidget* now = QApplication::focusWidget();
    bool stillInside = now && (now == this || isAncestorOf(now));
    if (!stillInside && event->reason() != Qt::PopupFocusReason) {
        TDataSet* ds = DataSet();
        if ((FOptions & dgCancelOnExit) && ds && ds->Active() && ds->State() == dsInsert && !ds->Modified())
            Guarded([&] { ds->Cancel(); });
        if (OnExit)
            Guarded([&] { OnExit(this); });
    }
    viewport()->update();
}

void TCustomDBGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    FillTopIfNeeded();
}

void TCustomDBGrid::FillTopIfNeeded() {
    if (FModel->TopComplete() || verticalScrollBar()->value() != verticalScrollBar()->minimum())
        return;
    int added = 0;
    Guarded([&] { added = FModel->FetchTop(std::max(40, VisibleRowCount() + 8)); });
    if (added > 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + added);
}

void TCustomDBGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    FillTopIfNeeded();
}

} // namespace vantrel
