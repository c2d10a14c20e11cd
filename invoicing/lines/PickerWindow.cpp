#include "PickerWindow.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Grid.h"
#include "LineEditor.h"
#include "Query.h"
#include "QueryModel.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMap>
#include <QScopeGuard>
#include <QTableView>
#include <QToolButton>

#include <stdexcept>

namespace kestrum::lines {

PickerWindow::PickerWindow(PickerSpec spec, Target target, QWidget* parent)
    : ui::AuxWindow(parent), spec_(std::move(spec)), target_(std::move(target))
{
}

PickerWindow::~PickerWindow() = default;

kestrum::Query* PickerWindow::listQuery() const
{
    return DM->*spec_.query;
}

QTableView* PickerWindow::grid() const
{
    return grid_ ? grid_->view() : nullptr;
}

void PickerWindow::setupPicker()
{
    auto* view = findChild<QTableView*>(QStringLiteral("DBGrid1"));
    if (!view)
        throw std::logic_error("picker form has no DBGrid1");
    const ui::GridBinding bound = ui::bindGrid(view, listQuery(), this);
    model_ = bound.model;
    grid_ = bound.grid;
    connect(view, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (listQuery()->Active())
            listQuery()->SetRecNo(index.row());
    });
    connect(view, &QTableView::doubleClicked, this, [this] { ui::runGuarded(this, [&] { selectRow(); }); });

    if (auto* box = findChild<QLineEdit*>(spec_.searchControl))
        connect(box, &QLineEdit::textChanged, this, [this] { ui::runGuarded(this, [&] { reload(); }); });
    if (auto* b = findChild<QAbstractButton*>(spec_.selectButton))
        connect(b, &QAbstractButton::clicked, this, [this] { ui::runGuarded(this, [&] { selectRow(); }); });
    if (auto* b = findChild<QAbstractButton*>(spec_.closeButton))
        connect(b, &QAbstractButton::clicked, this, [this] {
            if (spec_.closeButtonHides)
                hide();
        });

    struct Nav {
        const char* name;
        void (kestrum::Query::*move)();
    };
    for (const Nav& nav : {Nav{"NavFirst", &kestrum::Query::First}, Nav{"NavPrior", &kestrum::Query::Prior},
                           Nav{"NavNext", &kestrum::Query::Next}, Nav{"NavLast", &kestrum::Query::Last}}) {
        if (auto* b = findChild<QToolButton*>(QLatin1String(nav.name))) {
            auto move = nav.move;
            connect(b, &QToolButton::clicked, this, [this, move] {
                if (listQuery()->Active())
                    (listQuery()->*move)();
            });
        }
    }
}

void PickerWindow::showEvent(QShowEvent* event)
{
    ui::AuxWindow::showEvent(event);
    // The list query is shared with other windows: it is read again every time the finder shows.
    ui::runGuarded(this, [&] { reload(); });
}

void PickerWindow::reload()
{
    kestrum::Query* q = listQuery();
    auto* box = findChild<QLineEdit*>(spec_.searchControl);
    const QString text = box ? box->text() : QString();
    // The list query is the shared scratch query: only this opening of it counts after its first page.
    q->setCountFollows(spec_.countFollows);
    const auto plainAfter = qScopeGuard([q] { q->setCountFollows(false); });
    if (text.isEmpty() || spec_.searchColumn.isEmpty()) {
        // Sorted by the database, so a big catalogue is listed as it is read, not after.
        q->setStatement(spec_.sortColumn.isEmpty() ? spec_.select
                                                   : spec_.select + "\n Order By " + spec_.sortColumn + " Nulls First");
        q->Open();
    } else {
        // Any case, on both engines (PostgreSQL's Like minds case, SQLite's does not).
        q->setStatement(spec_.select + " where Lower(" + spec_.searchColumn + ") Like ?",
                        {QString("%" + text.toLower() + "%")});
        q->Open();
    }
    QList<ui::GridColumn> columns;
    for (const LineColumn& c : spec_.columns)
        columns << ui::GridColumn{c.title, c.width};
    grid_->setColumns(columns);
}

void PickerWindow::selectRow()
{
    kestrum::Query* q = listQuery();
    LineEditor* editor = target_ ? target_() : nullptr;
    if (editor && q->Active() && q->RecNo() >= 0) {
        QMap<QString, QString> values;
        for (const PickCopy& c : spec_.copies) {
            const kestrum::Field f = q->FieldByName(c.column);
            values.insert(c.control, c.convert ? c.convert(f) : f.AsString());
        }
        editor->setFields(values);
        emit picked();
    }
    // Without an editor (closed meanwhile) the finder just goes away.
    hide();
}

}  // namespace kestrum::lines
