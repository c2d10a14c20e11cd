#include "LineEditor.h"

#include "AuxWindow.h"
#include "DataModule.h"
#include "Dialogs.h"
#include "FirstShow.h"
#include "Format.h"
#include "Grid.h"
#include "InputError.h"
#include "Concurrency.h"
#include "LineDocument.h"
#include "Transaction.h"
#include "Keys.h"
#include "ListCombo.h"
#include "NameList.h"
#include "Mdi.h"
#include "Query.h"
#include "QueryModel.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>

#include <stdexcept>

namespace kestrum::lines {

namespace {

const QString SaveQuestion = QStringLiteral("Are you sure you want to Save this Record?");
const QString DeleteQuestion = QStringLiteral("Are you sure you want to Delete this Record?");

/// Never a null QString: an empty box stores empty text, not NULL.
QVariant textValue(const QString& text)
{
    return QVariant(text.isNull() ? QString(QLatin1String("")) : text);
}

QList<ui::GridColumn> gridColumns(const std::vector<LineColumn>& columns)
{
    QList<ui::GridColumn> out;
    for (const LineColumn& c : columns)
        out << ui::GridColumn{c.title, c.width};
    return out;
}

}  // namespace

QString controlText(const QWidget* window, const QString& name)
{
    if (!window || name.isEmpty())
        return {};
    QWidget* w = window->findChild<QWidget*>(name);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
        return memo->toPlainText();
    if (auto* memo = qobject_cast<QTextEdit*>(w))
        return memo->toPlainText();
    return {};
}

void setControlText(QWidget* window, const QString& name, const QString& text)
{
    if (!window || name.isEmpty())
        return;
    QWidget* w = window->findChild<QWidget*>(name);
    // A filled box shows the start of its text, where reading begins, not the end.
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(text);
        edit->setCursorPosition(0);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setEditText(text);
        if (combo->lineEdit())
            combo->lineEdit()->setCursorPosition(0);
    } else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
        memo->setPlainText(text);
    else if (auto* memo = qobject_cast<QTextEdit*>(w))
        memo->setPlainText(text);
}

QString markedUpRate(const Decimal& price)
{
    // Prices are kept to four decimals; the mark-up is cut, not rounded, to four decimals too.
    constexpr qint64 fourPlaces = Decimal::Scale / 10000;
    const Decimal p = price.rounded(4);
    const Decimal fifth = p * Decimal::fromRaw(Decimal::Scale / 5);
    const Decimal cut = Decimal::fromRaw(fifth.raw() - fifth.raw() % fourPlaces);
    return formatMoney(p + cut);
}

QString lineAmount(const QString& qty, const QString& rate, const QString& qtyCaption, const QString& rateCaption)
{
    if (qty.trimmed().isEmpty())
        return QStringLiteral("0");
    const Decimal q = requireDecimal(qty, qtyCaption);
    if (q <= Decimal{})
        return QStringLiteral("0");
    const Decimal r = requireDecimal(rate, rateCaption);
    return formatMoney(q * r);
}

LineEditor::LineEditor(LineSpec spec, QWidget* parent) : QWidget(parent), spec_(std::move(spec))
{
    setAttribute(Qt::WA_DeleteOnClose);
}

LineEditor::~LineEditor()
{
    for (const QString& name : {spec_.qtyControl, spec_.rateControl})
        if (QWidget* w = findChild<QWidget*>(name))
            w->removeEventFilter(this);
}

kestrum::Query* LineEditor::listQuery() const
{
    return DM->*spec_.listQuery;
}

QTableView* LineEditor::grid() const
{
    return grid_ ? grid_->view() : nullptr;
}

void LineEditor::setDocument(QWidget* documentWindow)
{
    document_ = documentWindow;
}

QString LineEditor::documentNo() const
{
    return controlText(spec_.documentLabel).trimmed();
}

QString LineEditor::captionOf(const QString& name) const
{
    const QString caption = captions_.value(name);
    return caption.isEmpty() ? name : caption;
}

void LineEditor::setupLineEditor()
{
    QStringList names{spec_.documentLabel, spec_.nameControl};
    for (const LineField& f : spec_.fields)
        names << f.control;
    for (const QString& n : names)
        if (!findChild<QWidget*>(n))
            throw std::logic_error(("form of " + spec_.table + " lines has no control " + n).toStdString());
    bool identityFound = false;
    for (const LineField& f : spec_.fields)
        identityFound = identityFound || f.column == spec_.identityColumn;
    if (!identityFound)
        throw std::logic_error(("identity column of " + spec_.table + " is not one of its fields").toStdString());

    for (QLabel* label : findChildren<QLabel*>())
        if (QWidget* buddy = label->buddy())
            captions_.insert(buddy->objectName(), label->text().remove(QLatin1Char('&')).trimmed());

    auto wire = [this](const char* name, void (LineEditor::*handler)()) {
        if (auto* b = findChild<QAbstractButton*>(QLatin1String(name)))
            connect(b, &QAbstractButton::clicked, this,
                    [this, handler] { ui::runGuarded(this, [&] { (this->*handler)(); }); });
    };
    wire("Button1", &LineEditor::saveLine);
    wire("Button2", &LineEditor::newLine);
    wire("Button3", &LineEditor::deleteLine);
    wire("Button5", &LineEditor::refreshLines);
    wire("Button7", &LineEditor::cancelEdit);
    wire("Button8", &LineEditor::showFinder);
    if (auto* close = findChild<QAbstractButton*>(QStringLiteral("Button4")))
        connect(close, &QAbstractButton::clicked, this, [this] { ui::closeWindow(this); });

    if (auto* combo = findChild<QComboBox*>(spec_.nameControl)) {
        connect(combo, &QComboBox::currentTextChanged, this,
                [this](const QString& t) { ui::runGuarded(this, [&] { nameChanged(t); }); });
        if (auto* list = qobject_cast<records::ListCombo*>(combo); list && spec_.catalogue.refillOnDropDown)
            connect(list, &records::ListCombo::dropDown, this,
                    [this] { ui::runGuarded(this, [&] { fillNameList(); }); });
    }
    for (const QString& name : {spec_.qtyControl, spec_.rateControl})
        if (QWidget* w = findChild<QWidget*>(name))
            w->installEventFilter(this);

    setupGrid();
    setupKeys();
}

void LineEditor::setupGrid()
{
    auto* view = findChild<QTableView*>(QStringLiteral("DBGrid1"));
    if (!view)
        throw std::logic_error("line editor form has no DBGrid1");
    const ui::GridBinding bound = ui::bindGrid(view, listQuery(), this);
    model_ = bound.model;
    grid_ = bound.grid;

    auto moved = [this](bool fills) {
        if (fills)
            fillFromCurrentRow();
        if (!spec_.reloadTitles.empty())
            grid_->setColumns(gridColumns(spec_.reloadTitles));
        reloadTotal();
    };
    connect(view, &QTableView::clicked, this, [this, moved](const QModelIndex& index) {
        ui::runGuarded(this, [&] {
            listQuery()->SetRecNo(index.row());
            moved(spec_.gridFillsFields);
        });
    });
    connect(grid_, &ui::Grid::keyReleased, this, [this, moved] {
        if (grid_->view()->hasFocus())
            ui::runGuarded(this, [&] { moved(spec_.gridFillsFields); });
    });
    struct Nav {
        const char* name;
        void (kestrum::Query::*move)();
    };
    for (const Nav& nav : {Nav{"NavFirst", &kestrum::Query::First}, Nav{"NavPrior", &kestrum::Query::Prior},
                           Nav{"NavNext", &kestrum::Query::Next}, Nav{"NavLast", &kestrum::Query::Last}}) {
        if (auto* b = findChild<QToolButton*>(QLatin1String(nav.name))) {
            auto move = nav.move;
            connect(b, &QToolButton::clicked, this, [this, move, moved] {
                ui::runGuarded(this, [&] {
                    if (!listQuery()->Active())
                        return;
                    (listQuery()->*move)();
                    moved(spec_.navigatorFillsFields);
                });
            });
        }
    }
}

void LineEditor::setupKeys()
{
    if (spec_.cycle.isEmpty())
        return;
    QList<QWidget*> cycle;
    for (const QString& n : spec_.cycle)
        cycle << findChild<QWidget*>(n);
    if (cycle.contains(nullptr))
        throw std::logic_error(("key ring of " + spec_.table + " lines names a missing control").toStdString());
    auto* keys = new ui::KeyCycle(cycle, this);
    keys->onF2([this] { saveLine(); });
    for (const QString& n : spec_.unkeyed)
        if (QWidget* w = findChild<QWidget*>(n))
            w->removeEventFilter(keys);
}

void LineEditor::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ui::runOnFirstShow(this, shown_, [&] { formShow(); });
}

void LineEditor::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && !closed_) {
        closed_ = true;
        emit linesClosed(documentNo());
    }
}

bool LineEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        const QString name = watched->objectName();
        if (name == spec_.qtyControl || name == spec_.rateControl)
            ui::runGuarded(this, [&] { computeAmount(); });
    }
    return QWidget::eventFilter(watched, event);
}

void LineEditor::formShow()
{
    if (document_) {
        setControlText(spec_.documentLabel, lines::controlText(document_, spec_.documentControl).trimmed());
        for (const HeaderCopy& h : spec_.header)
            setControlText(h.label, lines::controlText(document_, h.documentControl));
    }
    reload(false);
    fillFromCurrentRow();
    fillNameList();
    reloadTotal();
}

std::optional<QVariant> LineEditor::documentValue() const
{
    const QString text = documentNo();
    if (text.isEmpty())
        return std::nullopt;
    if (spec_.numericDocument)
        return QVariant(requireInteger(text, captionOf(spec_.documentLabel)));
    return QVariant(text);
}

void LineEditor::reload(bool afterChange)
{
    kestrum::Query* q = listQuery();
    // Emptied first: without a good number the grid shows no lines rather than the last ones.
    q->Clear();
    const auto doc = documentValue();
    if (doc) {
        q->setStatement("Select * From " + spec_.table + " where " + spec_.documentColumn + "=?" + ownerClause(),
                        QVariantList{*doc} + ownerValues());
        q->Open();
    }
    const auto& titles = afterChange && !spec_.reloadTitles.empty() ? spec_.reloadTitles : spec_.titles;
    grid_->setColumns(gridColumns(titles));
}

void LineEditor::fillFromCurrentRow()
{
    kestrum::Query* q = listQuery();
    if (!q->Active() || q->RecNo() < 0) {
        clearFields();
        return;
    }
    ++quiet_;
    for (const LineField& f : spec_.fields)
        setControlText(f.control, q->FieldByName(f.column).AsString());
    --quiet_;
}

void LineEditor::reloadTotal()
{
    if (spec_.totalLabel.isEmpty() || spec_.amountColumn.isEmpty())
        return;
    const auto doc = documentValue();
    if (!doc) {
        setControlText(spec_.totalLabel, QString());
        return;
    }
    kestrum::Query* q = DM->*spec_.sumQuery;
    q->setStatement("Select Sum(" + spec_.amountColumn + ") From " + spec_.table + " where " + spec_.documentColumn +
                        " =?" + ownerClause(),
                    QVariantList{*doc} + ownerValues());
    q->Open();
    setControlText(spec_.totalLabel, q->FieldByName(QStringLiteral("Expr1000")).AsString());
}

void LineEditor::fillNameList()
{
    const Catalogue& c = spec_.catalogue;
    auto* combo = findChild<QComboBox*>(spec_.nameControl);
    if (c.table.isEmpty() || !combo)
        return;
    // The list reads its names as it is scrolled or searched: a catalogue of 100,000 parts put
    // into the combo box at once kept the editor from opening for half a second. It has a query
    // of its own, as the editor's statements would close a shared one under it.
    if (!names_) {
        auto* query = new kestrum::Query(listQuery()->database(), spec_.table + QStringLiteral("Names"), this);
        names_ = new NameList(query, c.table, c.nameColumn, c.keyColumn, this);
    }
    ++quiet_;
    const QString text = combo->currentText();
    if (combo->model() != names_) {
        // Qt's completer reads a lazy list to its end whenever rows arrive; the editor completes
        // inline itself instead, reading only up to the first name that fits.
        combo->setCompleter(nullptr);  // the combo deletes its own
        combo->setModel(names_);
    }
    names_->reload();
    combo->setEditText(text);
    --quiet_;
}

bool LineEditor::completeName(QLineEdit* edit, const QString& typed)
{
    // Only text that grew at the end completes: Backspace and edits inside stay as typed.
    const bool grew = typed.size() > typedName_.size() && typed.startsWith(typedName_, Qt::CaseInsensitive) &&
                      edit->cursorPosition() == typed.size();
    typedName_ = typed;
    if (!grew || !names_)
        return false;
    const QModelIndex hit = names_->firstStartingWith(typed);
    const QString name = hit.isValid() ? hit.data().toString() : QString();
    if (name.size() <= typed.size())
        return false;  // none, or the whole name typed: looked up as it stands
    {
        // The completed name comes through nameChanged again and is looked up as a chosen one.
        const QScopedValueRollback completing(completing_, true);
        edit->setText(name);
    }
    edit->setSelection(int(name.size()), -int(name.size() - typed.size()));
    return true;
}

void LineEditor::nameChanged(const QString& text)
{
    // Typed text completes to the first catalogue name that starts with it before it is looked
    // up, so typing a name does not clear the box at its first letter.
    auto* combo = findChild<QComboBox*>(spec_.nameControl);
    QLineEdit* edit = combo ? combo->lineEdit() : nullptr;
    const bool typed = edit && edit->isModified() && edit->text() == text;
    if (!typed && !completing_)
        typedName_ = text;  // what the program put there is where typing starts from
    if (quiet_ > 0)
        return;
    const Catalogue& c = spec_.catalogue;
    if (c.table.isEmpty())
        return;
    if (typed && completeName(edit, text))
        return;
    if (!c.lookUpOnChange)
        return;
    kestrum::Query* q = DM->*spec_.lookupQuery;
    q->setStatement("Select * From " + c.table + " where " + c.nameColumn + "=?", {textValue(text)});
    q->Open();
    if (q->RecordCount() > 0 && q->FieldByName(c.nameColumn).AsString() == text) {
        ++quiet_;
        for (const CatalogueFill& fill : c.fills)
            setControlText(fill.control, q->FieldByName(fill.column).AsString());
        --quiet_;
        return;
    }
    // Only a whole catalogue name stays in the box: a line always names a real part or job.
    clearFields();
}

void LineEditor::clearFields()
{
    ++quiet_;
    for (const LineField& f : spec_.fields)
        setControlText(f.control, f.defaultOnNew);
    --quiet_;
}

void LineEditor::setFields(const QMap<QString, QString>& values)
{
    ++quiet_;
    for (auto it = values.begin(); it != values.end(); ++it)
        setControlText(it.key(), it.value());
    --quiet_;
}

void LineEditor::newLine()
{
    clearFields();
}

void LineEditor::computeAmount()
{
    const QString amount = lineAmount(controlText(spec_.qtyControl), controlText(spec_.rateControl),
                                      captionOf(spec_.qtyControl), captionOf(spec_.rateControl));
    setControlText(spec_.amountControl, amount);
}

QVariantList LineEditor::collectValues() const
{
    QVariantList values;
    for (const LineField& f : spec_.fields) {
        const QString text = controlText(f.control);
        if (f.kind == LineValue::Number)
            values << QVariant::fromValue(decimalOrZero(text, captionOf(f.control)));
        else
            values << textValue(text);
    }
    return values;
}

void LineEditor::saveLine()
{
    if (controlText(spec_.nameControl).trimmed().isEmpty())
        return;
    auto doc = documentValue();
    if (!doc) {
        ui::showMessage("There is no " + spec_.documentWord + " number for this line. Nothing was saved.");
        return;
    }
    // Every box is checked before the question: bad input stops here with one message.
    const QVariantList values = collectValues();
    QVariant identity;
    QStringList columns;
    for (size_t i = 0; i < spec_.fields.size(); ++i) {
        columns << spec_.fields[i].column;
        if (spec_.fields[i].column == spec_.identityColumn)
            identity = values[int(i)];
    }

    if (ui::confirm(SaveQuestion)) {
        auto* host = dynamic_cast<LineDocument*>(document_.data());
        LineHold hold;
        kestrum::retryOnce([&] {
            kestrum::Transaction transaction(listQuery()->database());
            // The line's document is stored and stays so until the line is in.
            if (host) {
                hold = host->holdForLines(documentNo(),
                                          spec_.ownerColumn.isEmpty() ? QString() : controlText(spec_.ownerLabel));
                if (hold.number != documentNo()) {
                    setControlText(spec_.documentLabel, hold.number);
                    doc = documentValue();
                }
            }
            kestrum::Query* probe = DM->*spec_.probeQuery;
            probe->setStatement("Select * From " + spec_.table + " where " + spec_.documentColumn + "=?" +
                                    ownerClause() + "\nand " + spec_.identityColumn + "=?",
                                QVariantList{*doc} + ownerValues() + QVariantList{identity});
            probe->Open();
            const bool exists = probe->RecordCount() != 0;

            kestrum::Query* q = listQuery();
            if (exists) {
                QStringList lines{" Update " + spec_.table + "  Set " + spec_.documentColumn + " =?,"};
                for (int i = 0; i < columns.size(); ++i)
                    lines << " " + columns[i] + " =?" + (i + 1 < columns.size() ? "," : "");
                lines << " where " + spec_.documentColumn + " =?" + ownerClause() + " and " + spec_.identityColumn +
                             " =?";
                q->setStatement(lines.join(u'\n'), QVariantList{*doc} + values + QVariantList{*doc} + ownerValues() +
                                                        QVariantList{identity});
            } else {
                const QString owner = spec_.ownerColumn.isEmpty() ? QString() : spec_.ownerColumn + ", ";
                q->setStatement(" Insert Into " + spec_.table + " ( " + spec_.documentColumn + ", " + owner +
                                    columns.join(',') + " ) Values ( \n" +
                                    QStringList(columns.size() + (owner.isEmpty() ? 1 : 2), QStringLiteral("?"))
                                        .join(',') +
                                    ")",
                                QVariantList{*doc} + ownerValues() + values);
            }
            q->ExecSQL();
            transaction.commit();
        });
        if (!hold.notice.isEmpty())
            ui::showMessage(hold.notice);
        ui::showMessage(QStringLiteral("Saved!"));
    }
    afterSave();
}

QString LineEditor::ownerClause() const
{
    return spec_.ownerColumn.isEmpty() ? QString() : " and " + spec_.ownerColumn + " =?";
}

QVariantList LineEditor::ownerValues() const
{
    if (spec_.ownerColumn.isEmpty())
        return {};
    return {textValue(controlText(spec_.ownerLabel))};
}

void LineEditor::afterSave()
{
    reload(true);
    fillFromCurrentRow();
    reloadTotal();
    grid_->view()->setFocus(Qt::OtherFocusReason);
}

void LineEditor::deleteLine()
{
    if (controlText(spec_.nameControl).trimmed().isEmpty())
        return;
    const auto doc = documentValue();
    if (!doc)
        return;
    QVariant identity;
    for (const LineField& f : spec_.fields)
        if (f.column == spec_.identityColumn)
            identity = f.kind == LineValue::Number
                           ? QVariant::fromValue(decimalOrZero(controlText(f.control), captionOf(f.control)))
                           : textValue(controlText(f.control));
    if (ui::confirm(DeleteQuestion)) {
        kestrum::Query* q = listQuery();
        q->setStatement("Delete  From " + spec_.table + " where " + spec_.documentColumn + "=?" + ownerClause() +
                            "\nand " + spec_.identityColumn + "=?",
                        QVariantList{*doc} + ownerValues() + QVariantList{identity});
        q->ExecSQL();
        refreshLines();
    }
    reloadTotal();
}

void LineEditor::refreshLines()
{
    reload(true);
    fillFromCurrentRow();
    reloadTotal();
}

void LineEditor::cancelEdit()
{
    if (spec_.cancelRefreshes)
        refreshLines();
}

void LineEditor::showFinder()
{
    if (spec_.finderClass.isEmpty())
        return;
    auto* finder = qobject_cast<ui::AuxWindow*>(ui::auxWindow(spec_.finderClass));
    if (!finder) {
        ui::showMessage(ui::notAvailableMessage());
        return;
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = finder->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        finder->move(r.topLeft());
    }
    finder->Show();
}

}  // namespace kestrum::lines
