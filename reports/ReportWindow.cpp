#include "ReportWindow.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Format.h"
#include "InputError.h"
#include "ListCombo.h"
#include "Mdi.h"
#include "Query.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

namespace kestrum::reports {

QString containsPattern(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('%'), QLatin1String("\\%"));
    escaped.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

namespace {
const QString All = QStringLiteral("All");
}

QString periodCondition(const QString& column)
{
    return column + QStringLiteral(" >= ? And ") + column + QStringLiteral(" < ?");
}

void bindPeriod(Query* q, const Period& period)
{
    q->Bind(period.from);
    q->Bind(period.to.addDays(1));
}

void addChosen(Query* q, const QString& line, const std::optional<QString>& value)
{
    if (!value)
        return;
    q->Add(line + QStringLiteral(" ?"));
    q->Bind(*value);
}

ReportWindow::ReportWindow(QWidget* parent) : QWidget(parent) {}

ReportWindow::~ReportWindow() = default;

void ReportWindow::setupReportWindow(const QString& printButton)
{
    for (QLabel* label : findChildren<QLabel*>())
        if (QWidget* buddy = label->buddy())
            captions_.insert(buddy->objectName(), label->text().trimmed());

    // Picking a date in a calendar writes it into the box beside it.
    const std::pair<const char*, const char*> pickers[] = {{"DateTimePicker1", "Edit1"}, {"DateTimePicker2", "Edit2"}};
    for (const auto& [pickerName, editName] : pickers) {
        auto* picker = findChild<QDateEdit*>(QLatin1String(pickerName));
        auto* edit = findChild<QLineEdit*>(QLatin1String(editName));
        if (picker && edit)
            connect(picker, &QDateEdit::dateChanged, edit, [edit](const QDate& d) { edit->setText(formatShortDate(d)); });
    }
    if (auto* close = findChild<QAbstractButton*>(QStringLiteral("Button1")))
        connect(close, &QAbstractButton::clicked, this, [this] { ui::closeWindow(this); });
    if (auto* print = findChild<QAbstractButton*>(printButton))
        connect(print, &QAbstractButton::clicked, this, &ReportWindow::Print);
}

void ReportWindow::addChoice(const QString& combo, const QString& table, const QString& column)
{
    const Choice c{table, column};
    choices_.insert(combo, c);
    initial_.insert(combo, All);
    if (auto* box = findChild<records::ListCombo*>(combo))
        connect(box, &records::ListCombo::dropDown, this,
                [this, combo, c] { ui::runGuarded(this, [&] { fillChoice(combo, c); }); });
}

void ReportWindow::setItems(const QString& combo, const QStringList& items, const QString& initial)
{
    initial_.insert(combo, initial);
    if (auto* box = findChild<QComboBox*>(combo)) {
        box->clear();
        box->addItems(items);
        box->setEditText(initial);
    }
}

void ReportWindow::addUnrestrictingChoice(const QString& combo)
{
    setItems(combo, {All}, All);
}

void ReportWindow::fillChoice(const QString& combo, const Choice& c)
{
    auto* box = findChild<records::ListCombo*>(combo);
    if (!box)
        return;
    Query* q = DM->QCompany2;
    q->Clear();
    q->Add("Select distinct " + c.column + " From " + c.table + " Order By " + c.column);
    q->Open();
    QStringList values{All};
    for (int row = 0; row < q->RecordCount(); ++row) {
        const QString v = q->fieldAt(row, 0).AsString();
        if (!v.trimmed().isEmpty())
            values << v;
    }
    box->setValues(values);
}

void ReportWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Once: restoring a minimised window must not undo the filters the user set.
    if (event->spontaneous() || shown_)
        return;
    shown_ = true;
    const QDate today = QDate::currentDate();
    for (const char* name : {"DateTimePicker1", "DateTimePicker2"})
        if (auto* picker = findChild<QDateEdit*>(QLatin1String(name)))
            picker->setDate(today);
    for (const char* name : {"Edit1", "Edit2"})
        if (auto* edit = findChild<QLineEdit*>(QLatin1String(name)))
            edit->setText(formatShortDate(today));
    for (auto it = initial_.cbegin(); it != initial_.cend(); ++it)
        if (auto* box = findChild<QComboBox*>(it.key()))
            box->setEditText(it.value());
}

void ReportWindow::Print()
{
    ui::runGuarded(this, [this] { print(); });
}

QString ReportWindow::controlText(const QString& name) const
{
    if (auto* edit = findChild<QLineEdit*>(name))
        return edit->text();
    if (auto* box = findChild<QComboBox*>(name))
        return box->currentText();
    return {};
}

Period ReportWindow::period() const
{
    const auto caption = [this](const QString& control) { return captions_.value(control, control); };
    return {requireDate(controlText(QStringLiteral("Edit1")), caption(QStringLiteral("Edit1"))),
            requireDate(controlText(QStringLiteral("Edit2")), caption(QStringLiteral("Edit2")))};
}

std::optional<QString> ReportWindow::choice(const QString& combo) const
{
    const QString text = controlText(combo).trimmed();
    // A box cleared by the user restricts nothing either.
    if (text.isEmpty() || text == All)
        return std::nullopt;
    return text;
}

}  // namespace kestrum::reports
