#include "Support.h"

#include "Decimal.h"
#include "Dialogs.h"
#include "Figures.h"
#include "FirstShow.h"
#include "Format.h"
#include "Grid.h"
#include "ListCombo.h"
#include "Query.h"
#include "QueryModel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTableView>
#include <QToolButton>

namespace kestrum::purchasing {

const QString SaveQuestion = QStringLiteral("Are you sure you want to Save this Record?");
const QString DeleteQuestion = QStringLiteral("Are you sure you want to Delete this Record?");

void openQuery(Query* q, const QStringList& lines, const QVariantList& values) {
    q->setStatement(lines.join(u'\n'), values);
    q->Open();
}

int execQuery(Query* q, const QStringList& lines, const QVariantList& values) {
    q->setStatement(lines.join(u'\n'), values);
    return q->ExecSQL();
}

QVariant textValue(const QString& text) {
    return QVariant(text.isNull() ? QString(QLatin1String("")) : text);
}

QVariant decimalValue(const Decimal& d) {
    return QVariant::fromValue(d);
}

QString sumText(Query* q, const QString& column, const QString& table, const QStringList& match,
                const QVariantList& values) {
    QStringList lines{"Select Sum(" + column + ") From " + table + " where " + match.value(0) + " =?"};
    for (int i = 1; i < match.size(); ++i)
        lines << "and " + match[i] + " =?";
    openQuery(q, lines, values);
    return q->FieldByName(QStringLiteral("Expr1000")).AsString();
}

void fillCombo(records::ListCombo* combo, Query* q, const QString& sql, const QString& column) {
    combo->setValues(records::columnValues(q, sql, column));
}

void fillOnDropDown(records::ListCombo* combo, Query* q, const QString& sql, const QString& column) {
    QPointer<Query> query(q);
    QObject::connect(combo, &records::ListCombo::dropDown, combo, [combo, query, sql, column] {
        ui::runGuarded(combo, [&] {
            if (query)
                fillCombo(combo, query, sql, column);
        });
    });
}

void wireNavigator(QWidget* navigator, Query* q, const std::function<void()>& after,
                   const std::function<void()>& remove) {
    if (!navigator)
        return;
    QPointer<Query> query(q);
    struct Nav {
        const char* name;
        void (Query::*move)();
    };
    for (const Nav& nav : {Nav{"NavFirst", &Query::First}, Nav{"NavPrior", &Query::Prior},
                           Nav{"NavNext", &Query::Next}, Nav{"NavLast", &Query::Last}}) {
        if (auto* b = navigator->findChild<QToolButton*>(QLatin1String(nav.name))) {
            auto move = nav.move;
            QObject::connect(b, &QToolButton::clicked, navigator, [navigator, query, move, after] {
                ui::runGuarded(navigator, [&] {
                    if (!query || !query->Active())
                        return;
                    (query.data()->*move)();
                    if (after)
                        after();
                });
            });
        }
    }
    if (auto* del = navigator->findChild<QToolButton*>(QStringLiteral("NavDelete"))) {
        if (remove)
            QObject::connect(del, &QToolButton::clicked, navigator,
                             [navigator, remove] { ui::runGuarded(navigator, remove); });
        else
            del->hide();
    }
}

void wirePicker(QDateEdit* picker, QLineEdit* box) {
    picker->setDate(QDate::currentDate());
    QObject::connect(picker, &QDateEdit::dateChanged, box,
                     [box](const QDate& d) { box->setText(formatShortDate(d)); });
}

QString today() {
    return formatShortDate(QDate::currentDate());
}

Window::Window(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
}

QString Window::controlText(const QString& name) const {
    QWidget* w = findChild<QWidget*>(name);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
        return memo->toPlainText();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    return {};
}

void Window::setControlText(const QString& name, const QString& text) {
    QWidget* w = findChild<QWidget*>(name);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setEditText(text);
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
        memo->setPlainText(text);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
}

QString Window::captionOf(const QString& control) const {
    for (QLabel* label : findChildren<QLabel*>())
        if (label->buddy() && label->buddy()->objectName() == control)
            return label->text().trimmed();
    return control;
}

void Window::guard(const std::function<void()>& fn) {
    ui::runGuarded(this, fn);
}

void Window::onClick(const QString& button, const std::function<void()>& fn) {
    if (auto* b = findChild<QAbstractButton*>(button))
        connect(b, &QAbstractButton::clicked, this, [this, fn] { guard(fn); });
}

void Window::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ui::runOnFirstShow(this, shown_, [this] {
        if (maximized_)
            if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
                frame->showMaximized();
        formShow();
    });
}

} // namespace kestrum::purchasing
