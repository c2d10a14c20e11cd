#include "RecordWindow.h"

#include "DataModule.h"
#include "Concurrency.h"
#include "Dialogs.h"
#include "FirstShow.h"
#include "Grid.h"
#include "InputError.h"
#include "Figures.h"
#include "ListCombo.h"
#include "Locate.h"
#include "Mdi.h"
#include "Query.h"
#include "QueryModel.h"
#include "Transaction.h"
#include "UpperCaseValidator.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QHash>
#include <QColor>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QScopedValueRollback>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QToolButton>

#include <stdexcept>

namespace kestrum::records {

namespace {

const QString SaveQuestion = QStringLiteral("Are you sure you want to Save this Record?");
const QString DeleteQuestion = QStringLiteral("Are you sure you want to Delete this Record?");

// A list that names its columns also reads the row version (the grid hides it), so a Save can
// tell whether the row shown is still the one stored.
QString withRowVersion(const QString& sql)
{
    static const QRegularExpression select(QStringLiteral("^(\\s*Select\\s+(?!\\*)[^;]*?)(\\s+From\\s)"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (sql.contains(kestrum::RowVersionColumn, Qt::CaseInsensitive))
        return sql;
    QString out = sql;
    return out.replace(select, QStringLiteral("\\1,") + kestrum::RowVersionColumn + QStringLiteral("\\2"));
}

/// A text value to bind: never a null QString, so that an empty box stores empty text, not NULL.
QVariant textValue(const QString& text)
{
    return QVariant(text.isNull() ? QString(QLatin1String("")) : text);
}

/// Enter / Left targets of the controls whose hop differs from the cycle, and F2 on the
/// controls outside the cycle. Installed after the KeyCycle, so it sees the keys first.
class HopFilter : public QObject {
public:
    HopFilter(RecordWindow* window, std::vector<FocusHop> hops, bool bindF2)
        : QObject(window), window_(window), hops_(std::move(hops)), bindF2_(bindF2)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        for (const FocusHop& hop : hops_) {
            if (hop.control != watched->objectName())
                continue;
            QString target;
            if (ui::keys::isEnter(key))
                target = hop.next;
            else if (key == ui::keys::Left)
                target = hop.previous;
            else if (key == ui::keys::F2 && bindF2_) {
                ui::runGuarded(window_, [this] { window_->saveRecord(); });
                return true;
            }
            if (target.isEmpty())
                return false;
            if (auto* w = window_->findChild<QWidget*>(target))
                w->setFocus(Qt::TabFocusReason);
            return true;
        }
        return false;
    }

private:
    RecordWindow* window_;
    std::vector<FocusHop> hops_;
    bool bindF2_;
};

}  // namespace

RecordWindow::RecordWindow(RecordSpec spec, QWidget* parent)
    : QWidget(parent), spec_(std::move(spec)),
      record_(spec_.table, spec_.keyColumn, [this] { return proposeKey(); })
{
    setAttribute(Qt::WA_DeleteOnClose);
}

namespace {

// Open windows per list query (two windows may show the same one).
QHash<const kestrum::Query*, int>& listHolders()
{
    static QHash<const kestrum::Query*, int> holders;
    return holders;
}

}  // namespace

RecordWindow::~RecordWindow()
{
    releaseList();  // also when the window goes without being closed
}

kestrum::Query* RecordWindow::listQuery() const
{
    return DM->*spec_.listQuery;
}

QTableView* RecordWindow::grid() const
{
    return grid_ ? grid_->view() : nullptr;
}

kestrum::Query* RecordWindow::probeQuery() const
{
    return DM->*spec_.probeQuery;
}

QWidget* RecordWindow::control(const QString& name) const
{
    return findChild<QWidget*>(name);
}

QString RecordWindow::controlText(const QString& name) const
{
    QWidget* w = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    return {};
}

void RecordWindow::setControlText(const QString& name, const QString& text)
{
    QWidget* w = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setEditText(text);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
}

QString RecordWindow::captionOf(const QString& name) const
{
    const QString caption = captions_.value(name);
    return caption.isEmpty() ? name : caption;
}

void RecordWindow::setupRecordWindow()
{
    // Every named control must exist: a form that lost one would otherwise save a blank column.
    QStringList names{spec_.keyControl};
    for (const FieldSpec& f : spec_.fields)
        names << f.control;
    for (const QString& n : names)
        if (!control(n))
            throw std::logic_error(("form of " + spec_.table + " has no control " + n).toStdString());

    for (QLabel* label : findChildren<QLabel*>())
        if (QWidget* buddy = label->buddy())
            captions_.insert(buddy->objectName(), label->text().trimmed());

    for (const FieldSpec& f : spec_.fields) {
        QWidget* w = control(f.control);
        if (f.kind == FieldKind::Upper) {
            if (auto* edit = qobject_cast<QLineEdit*>(w))
                edit->setValidator(new UpperCaseValidator(edit));
            else if (auto* combo = qobject_cast<QComboBox*>(w))
                combo->setValidator(new UpperCaseValidator(combo));
        }
        if (f.list != ComboList::None)
            if (auto* combo = qobject_cast<ListCombo*>(w))
                connect(combo, &ListCombo::dropDown, this,
                        [this, f] { ui::runGuarded(this, [&] { fillList(f); }); });
    }

    auto wire = [this](const char* name, void (RecordWindow::*handler)()) {
        if (auto* b = findChild<QAbstractButton*>(QLatin1String(name)))
            connect(b, &QAbstractButton::clicked, this, [this, handler] { ui::runGuarded(this, [&] { (this->*handler)(); }); });
    };
    wire("Button2", &RecordWindow::newRecord);
    wire("Button1", &RecordWindow::saveRecord);
    wire("Button3", &RecordWindow::deleteRecord);
    wire("Button5", &RecordWindow::refreshList);
    wire("Button7", &RecordWindow::cancelEdit);
    if (auto* close = findChild<QAbstractButton*>(QStringLiteral("Button4")))
        connect(close, &QAbstractButton::clicked, this, [this] { ui::closeWindow(this); });
    // "Send To " has never had an action.
    if (auto* sendTo = findChild<QAbstractButton*>(QStringLiteral("Button6")); sendTo && sendTo->text() == "Send To ")
        sendTo->hide();

    if (auto* box = findChild<QLineEdit*>(spec_.searchControl))
        connect(box, &QLineEdit::textChanged, this,
                [this](const QString& t) { ui::runGuarded(this, [&] { search(t); }); });
    if (spec_.keyBoxLocates)
        if (auto* key = findChild<QLineEdit*>(spec_.keyControl))
            connect(key, &QLineEdit::textChanged, this,
                    [this](const QString& t) { ui::runGuarded(this, [&] { keyBoxChanged(t); }); });

    setupGrid();
    setupKeys();
}

void RecordWindow::setupGrid()
{
    auto* view = findChild<QTableView*>(QStringLiteral("DBGrid1"));
    if (!view)
        throw std::logic_error("form has no DBGrid1");
    const ui::GridBinding bound = ui::bindGrid(view, listQuery(), this);
    listQuery()->setCountFollows(spec_.countFollows);
    model_ = bound.model;
    grid_ = bound.grid;
    connect(grid_, &ui::Grid::titleClicked, this, [this](int position, const QString& field) {
        ui::runGuarded(this, [&] { titleClick(position, field); });
    });
    connect(view, &QTableView::clicked, this, [this](const QModelIndex& index) {
        ui::runGuarded(this, [&] {
            listQuery()->SetRecNo(index.row());
            rowChangedByUser();
        });
    });
    if (spec_.gridKeyHandlers) {
        // A key whose press moved the focus away (F3 to the name box) is released elsewhere.
        connect(grid_, &ui::Grid::keyReleased, this, [this] {
            if (grid_->view()->hasFocus())
                ui::runGuarded(this, [&] { rowChangedByUser(); });
        });
        connect(grid_, &ui::Grid::characterTyped, this, [this] { ui::runGuarded(this, [&] { copyCurrentRow(); }); });
    }

    struct Nav {
        const char* name;
        void (kestrum::Query::*move)();
    };
    for (const Nav& nav : {Nav{"NavFirst", &kestrum::Query::First}, Nav{"NavPrior", &kestrum::Query::Prior},
                           Nav{"NavNext", &kestrum::Query::Next}, Nav{"NavLast", &kestrum::Query::Last}}) {
        if (auto* b = findChild<QToolButton*>(QLatin1String(nav.name))) {
            auto move = nav.move;
            connect(b, &QToolButton::clicked, this, [this, move] {
                ui::runGuarded(this, [&] {
                    (listQuery()->*move)();
                    rowChangedByUser();
                });
            });
        }
    }

    if (spec_.gridKeyHandlers) {
        ui::GridKeys keys;
        auto bind = [this](void (RecordWindow::*h)()) { return [this, h] { (this->*h)(); }; };
        if (spec_.gridKeys.save)
            keys.save = bind(&RecordWindow::saveRecord);
        if (spec_.gridKeys.create)
            keys.add = bind(&RecordWindow::newRecord);
        if (spec_.gridKeys.refresh)
            keys.refresh = bind(&RecordWindow::refreshList);
        if (spec_.gridKeys.remove)
            keys.remove = bind(&RecordWindow::deleteRecord);
        ui::bindGridKeys(view, keys);
    }
}

void RecordWindow::setupKeys()
{
    if (!spec_.editKeys)
        return;
    QList<QWidget*> cycle;
    for (const QString& n : spec_.cycle)
        cycle << control(n);
    if (cycle.contains(nullptr))
        throw std::logic_error(("focus cycle of " + spec_.table + " names a missing control").toStdString());
    auto* keys = new ui::KeyCycle(cycle, this);
    if (!spec_.wrapTo.isEmpty())
        keys->setWrapTo(control(spec_.wrapTo));
    keys->setLeftKey(spec_.left);
    for (const QString& n : spec_.keepLeft)
        keys->keepLeft(control(n));
    keys->onF2([this] { saveRecord(); });
    if (!spec_.hops.empty()) {
        auto* hops = new HopFilter(this, spec_.hops, true);
        for (const FocusHop& hop : spec_.hops)
            if (QWidget* w = control(hop.control))
                w->installEventFilter(hops);
    }
}

void RecordWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ui::runOnFirstShow(this, shown_, [&] { formShow(); });
}

void RecordWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        releaseList();
}

void RecordWindow::releaseList()
{
    kestrum::Query* q = heldList_;
    if (!q)
        return;
    heldList_ = nullptr;
    // A list nobody shows any more lets go of its statement: SQLite's driver reads only one
    // statement as it is fetched, and a half-read list of a closed window would make every
    // later statement read its whole result first.
    if (--listHolders()[q] <= 0) {
        listHolders().remove(q);
        q->Close();
    }
}

void RecordWindow::formShow()
{
    if (!heldList_) {
        heldList_ = listQuery();
        ++listHolders()[heldList_];
    }
    for (const FieldSpec& f : spec_.fields)
        if (f.list == ComboList::AtShowAndDropDown)
            fillList(f);
    reload(spec_.listSql, Titles::Show);
    copyCurrentRow();
    if (spec_.figuresAtShow)
        recomputeFigures();
}

void RecordWindow::reload(const QString& statement, Titles titles)
{
    const QString sql = withRowVersion(statement);
    kestrum::Query* q = listQuery();
    q->setStatement(sql);
    q->Open();
    if (!q->Sort().isEmpty())
        q->SetSort(QString());
    listSql_ = sql;
    sortColumn_.clear();
    applyTitles(titles);
    listReloaded();
}

void RecordWindow::applyTitles(Titles which)
{
    QList<ui::GridColumn> columns;
    for (const GridColumn& c : spec_.titles)
        columns << ui::GridColumn{c.title, c.width};
    const auto& renamed = which == Titles::Refresh  ? spec_.refreshTitles
                          : which == Titles::Cancel ? spec_.cancelTitles
                                                    : std::map<int, QString>{};
    for (const auto& [index, title] : renamed)
        if (index < columns.size())
            columns[index].title = title;
    grid_->setColumns(columns);
    grid_->markSorted(-1);
}

void RecordWindow::titleClick(int position, const QString& field)
{
    grid_->markSorted(-1);
    if (field.isEmpty() || !spec_.sortable.contains(field, Qt::CaseInsensitive))
        return;
    // The database sorts, so the list stays lazy: a client-side sort would read every row first.
    // Ties keep the order of the keys, as the statement's own order had them.
    kestrum::Query* q = listQuery();
    const QString sql = (listSql_.isEmpty() ? spec_.listSql : listSql_) + "\n Order By " + field + " Nulls First, " +
                        spec_.keyColumn;
    // The highlighted row stays the record the boxes show.
    bool ok = false;
    const qint64 key = controlText(spec_.keyControl).trimmed().toLongLong(&ok);
    if (q->Active() && q->SQLText() == sql) {
        // Already in this order (the query may serve another window too, so its text decides):
        // the rows and their order stay, only the record may have to come into view.
        if (ok && q->FieldByName(spec_.keyColumn).AsString() != QString::number(key))
            locateKey(key);
    } else {
        q->setStatement(sql);
        // Opened at that record, only the rows around it are read.
        if (ok)
            q->OpenAt(spec_.keyColumn, key);
        else
            q->Open();
    }
    sortColumn_ = field;
    grid_->markSorted(position);
}

void RecordWindow::search(const QString& text)
{
    kestrum::Query* q = listQuery();
    if (!q->Active())
        return;
    // Before any title click the list has no sort column; the window's name-like column is
    // the one a user most likely types into the search box.
    const QString column = sortColumn_.isEmpty() ? spec_.defaultSearchColumn : sortColumn_;
    if (column.isEmpty())
        return;
    if (q->paged()) {
        // A paged list's Locate asks the database for the first match itself: a probe first
        // would scan for it twice where no index answers Like (PostgreSQL's citext).
        if (!q->Locate(column, text, true))
            return;
    } else {
        if (!anyStartsWith(column, text))
            return;  // Locate would read the whole list only to leave the row where it is
        q->Locate(column, text, true);
    }
    copyCurrentRow();
    if (spec_.searchRecomputesFigures)
        recomputeFigures();
}

bool RecordWindow::anyStartsWith(const QString& column, const QString& text)
{
    // Asked of the database only where it compares as Locate does: text columns, plain ASCII.
    kestrum::Query* list = listQuery();
    const int c = list->fieldIndex(column);
    if (text.isEmpty() || c < 0 || list->columnKind(c) != kestrum::ColumnKind::Text)
        return true;
    for (QChar ch : text)
        if (ch.unicode() > 127)
            return true;
    QString pattern = text;
    pattern.replace('\\', "\\\\").replace('%', "\\%").replace('_', "\\_");
    // Text columns compare without case on both engines (NOCASE, citext), so Like needs no
    // Lower() and SQLite can use the column's index; the first row found is enough.
    kestrum::Query* q = probeQuery();
    q->setStatement("Select 1 From " + spec_.table + " where " + list->FieldNames().value(c) + " Like ? Escape ? Limit 1",
                    {pattern + "%", QStringLiteral("\\")});
    q->Open();
    return q->RecordCount() > 0;
}

void RecordWindow::keyBoxChanged(const QString& text)
{
    // Only what the user types: a key the window writes there itself names the row it came from
    // (or a proposal no row has), and looking it up again would move the grid off that row.
    if (fillingKey_ || text.isEmpty() || !listQuery()->Active())
        return;
    listQuery()->Locate(spec_.keyColumn, text, true);
}

void RecordWindow::rowChangedByUser()
{
    copyCurrentRow();
    recomputeFigures();
}

void RecordWindow::copyCurrentRow()
{
    copyRowOf(listQuery());
}

void RecordWindow::copyRowOf(kestrum::Query* q)
{
    if (!q->Active())
        return;
    {
        const QScopedValueRollback filling(fillingKey_, true);
        setControlText(spec_.keyControl, q->FieldByName(spec_.keyColumn).AsString());
    }
    for (const FieldSpec& f : spec_.fields)
        setControlText(f.control, q->FieldByName(f.column).AsString());
    // The version of the very row the boxes now show: a Save updates it only while unchanged.
    record_.setLoaded(q->RecNo() >= 0 ? q->FieldByName(spec_.keyColumn).AsString() : QString(),
                      q->fieldIndex(kestrum::RowVersionColumn) >= 0
                          ? q->FieldByName(kestrum::RowVersionColumn).AsInteger()
                          : -1);
}

void RecordWindow::fillList(const FieldSpec& f)
{
    auto* combo = qobject_cast<ListCombo*>(control(f.control));
    if (!combo)
        return;
    const QString& column = f.column;
    combo->setValues(columnValues(probeQuery(), "Select distinct " + column + " From " + spec_.table, column));
}

qint64 RecordWindow::proposeKey()
{
    // The largest key from the database itself, so the grid's sort cannot change the proposal.
    kestrum::Query* q = probeQuery();
    q->setStatement("Select Max(" + spec_.keyColumn + ") From " + spec_.table);
    q->Open();
    const kestrum::Field last = q->FieldByName(QStringLiteral("Expr1000"));
    return last.IsNull() ? 1 : last.AsInteger() + 1;
}

void RecordWindow::newRecord()
{
    setControlText(spec_.keyControl, QString());
    for (const FieldSpec& f : spec_.fields)
        setControlText(f.control, f.defaultOnNew);
    applyNewDefaults();
    const QString key = record_.propose();
    {
        const QScopedValueRollback filling(fillingKey_, true);
        setControlText(spec_.keyControl, key);
    }
    if (QWidget* w = control(spec_.focusAfterNew))
        w->setFocus(Qt::OtherFocusReason);
}

QVariantList RecordWindow::collectValues() const
{
    QVariantList values;
    for (const FieldSpec& f : spec_.fields) {
        const QString text = controlText(f.control);
        const QString caption = captionOf(f.control);
        switch (f.kind) {
        case FieldKind::Text: values << textValue(text); break;
        case FieldKind::Upper: values << textValue(text.toUpper()); break;
        case FieldKind::Integer: values << QVariant(kestrum::requireInteger(text, caption)); break;
        case FieldKind::Number: values << QVariant::fromValue(kestrum::requireDecimal(text, caption)); break;
        case FieldKind::Money: values << QVariant::fromValue(kestrum::decimalOrZero(text, caption)); break;
        case FieldKind::Date: values << kestrum::optionalDate(text, caption); break;
        }
    }
    return values;
}

void RecordWindow::saveRecord()
{
    const QString keyText = controlText(spec_.keyControl).trimmed();
    if (keyText.isEmpty())
        return;
    // Every box is checked before anything runs: bad input stops here with one message.
    const qint64 key = kestrum::requireInteger(keyText, captionOf(spec_.keyControl));
    const QVariantList values = collectValues();

    if (!ui::confirm(SaveQuestion)) {
        afterSave(key);
        return;
    }

    kestrum::ColumnValues columns;
    for (size_t i = 0; i < spec_.fields.size(); ++i)
        columns.append({spec_.fields[i].column, values[int(i)]});
    kestrum::NumberedSave save = record_.saveOf(key);
    // A list read without the version: the stored one (the row may have changed unseen).
    if (save.loaded && save.version < 0)
        save.version = kestrum::rowVersion(probeQuery(), spec_.table, {{spec_.keyColumn, key}});
    const kestrum::SaveResult r = kestrum::saveNumbered(probeQuery(), save, columns);

    if (r.outcome == kestrum::SaveResult::Outcome::Changed) {
        if (ui::confirm(kestrum::changedQuestion(QStringLiteral("record")))) {
            // A deleted record leaves the first row shown, as Refresh does.
            reload(spec_.listSql, Titles::Refresh);
            locateKey(key);
            copyCurrentRow();
            recomputeFigures();
        }
        return;
    }
    if (r.outcome == kestrum::SaveResult::Outcome::Taken) {
        ui::showMessage(QStringLiteral("Number %1 belongs to another record. Nothing was saved: choose it in the "
                                       "list to change it, or press New for a new one.")
                            .arg(key));
        return;
    }

    const qint64 saved = r.key;
    record_.setLoaded(QString::number(saved), r.version);
    if (saved != key) {
        {
            const QScopedValueRollback filling(fillingKey_, true);
            setControlText(spec_.keyControl, QString::number(saved));
        }
        ui::showMessage(kestrum::renumberedMessage(QStringLiteral("number"), saved, key));
    } else {
        const QString& message = save.loaded ? spec_.updateMessage : spec_.insertMessage;
        if (!message.isEmpty())
            ui::showMessage(message);
    }
    afterSave(saved);
}

bool RecordWindow::locateKey(qint64 key)
{
    return locateRecord(*listQuery(), {{spec_.keyColumn, QString::number(key)}});
}

void RecordWindow::afterSave(qint64 key)
{
    const QString& sql = spec_.savedListSql.isEmpty() ? spec_.listSql : spec_.savedListSql;
    switch (spec_.afterSave) {
    case AfterSave::CopyFirstRow:
        reload(sql, Titles::Show);
        copyCurrentRow();
        break;
    case AfterSave::LocateKeepControls:
        reload(sql, Titles::Show);
        locateKey(key);
        break;
    case AfterSave::LocateCopyRow:
        reload(sql, Titles::Show);
        locateKey(key);
        copyCurrentRow();
        break;
    case AfterSave::Refresh: refreshList(); break;
    }
    grid_->view()->setFocus(Qt::OtherFocusReason);
}

void RecordWindow::deleteRecord()
{
    const QString keyText = controlText(spec_.keyControl).trimmed();
    if (keyText.isEmpty())
        return;
    const qint64 key = kestrum::requireInteger(keyText, captionOf(spec_.keyControl));
    if (!ui::confirm(DeleteQuestion))
        return;
    kestrum::Query* q = probeQuery();
    q->setStatement("Delete  From " + spec_.table + " where " + spec_.keyColumn + "=?", {key});
    q->ExecSQL();
    refreshList();
}

void RecordWindow::refreshList()
{
    reload(spec_.listSql, Titles::Refresh);
    switch (spec_.refreshAction) {
    case RefreshAction::CopyFirstRow: copyCurrentRow(); break;
    case RefreshAction::KeepControls: break;
    case RefreshAction::LocateKey: {
        // A key box that holds no number just leaves the grid on the first row.
        bool ok = false;
        const qint64 key = controlText(spec_.keyControl).trimmed().toLongLong(&ok);
        if (ok)
            locateKey(key);
        grid_->view()->setFocus(Qt::OtherFocusReason);
        break;
    }
    }
}

void RecordWindow::cancelEdit()
{
    switch (spec_.cancelAction) {
    case CancelAction::Refresh: refreshList(); break;
    case CancelAction::ReloadCopyFirstRow:
        reload(spec_.listSql, Titles::Cancel);
        copyCurrentRow();
        break;
    case CancelAction::CopyCurrentRow: copyCurrentRow(); break;
    case CancelAction::Nothing: break;
    }
}

}  // namespace kestrum::records
