#include "DatePicker.h"

#include "Format.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QLineEdit>
#include <QSignalBlocker>

namespace kestrum::ui {

namespace {
void followBox(QDateEdit* picker, const QString& text)
{
    const std::optional<QDate> date = parseShortDate(text);
    const QSignalBlocker block(picker);
    picker->setDate(date && date->isValid() ? *date : QDate::currentDate());
}
}  // namespace

void tieDatePicker(QDateEdit* picker, QLineEdit* box)
{
    followBox(picker, box->text());
    QObject::connect(box, &QLineEdit::textChanged, picker, [picker](const QString& text) { followBox(picker, text); });
    auto write = [box](const QDate& d) {
        const QString text = formatShortDate(d);
        if (box->text() != text)
            box->setText(text);
    };
    QObject::connect(picker, &QDateEdit::dateChanged, box, write);
    // A click on the date already shown changes nothing in the picker, yet it is a pick.
    if (QCalendarWidget* calendar = picker->calendarWidget())
        QObject::connect(calendar, &QCalendarWidget::clicked, box, write);
}

}  // namespace kestrum::ui
