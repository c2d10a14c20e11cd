#include "Accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextEdit>

namespace kestrum::ui {

namespace {

/// A control inside another control (a combo box's line edit, a date edit's box) is named by it.
bool insideControl(const QWidget* w, const QWidget* window)
{
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (isControl(p))
            return true;
    return false;
}

bool hasWords(const QString& text)
{
    static const QRegularExpression word(QStringLiteral("[[:alnum:]]"));
    return text.contains(word);
}

/// The name a control has or will have from the caption tied to it ("" when none).
QString currentName(const QWidget* w, const QHash<const QWidget*, QString>& captions)
{
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    return captions.value(w);
}

/// The widget laid out just before `target` in the layout tree under `layout`, or nullptr.
QWidget* previousInLayout(QLayout* layout, const QWidget* target, bool* found)
{
    QWidget* previous = nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QLayout* sub = item->layout()) {
            QWidget* inner = previousInLayout(sub, target, found);
            if (*found)
                return inner ? inner : previous;
            continue;
        }
        QWidget* w = item->widget();
        if (!w)
            continue;
        if (w == target) {
            *found = true;
            return previous;
        }
        previous = w;
    }
    return nullptr;
}

QWidget* previousWidget(const QWidget* w)
{
    QWidget* parent = w->parentWidget();
    if (!parent || !parent->layout())
        return nullptr;
    bool found = false;
    return previousInLayout(parent->layout(), w, &found);
}

}  // namespace

bool isControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTextEdit*>(w);
}

QString captionAsName(const QString& caption)
{
    QString text = caption;
    text.replace(QRegularExpression(QStringLiteral("&(?!&)")), QString());
    text.replace(QStringLiteral("&&"), QStringLiteral("&"));
    text = text.simplified();
    while (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

void nameControls(QWidget* window)
{
    if (!window)
        return;
    // Captions first: "capX" belongs to "X" (a box, or a figure label beside it).
    QHash<const QWidget*, QString> captions;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        const QString name = label->objectName();
        if (!label->buddy() && name.startsWith(QLatin1String("cap")) && name.size() > 3)
            if (auto* target = window->findChild<QWidget*>(name.mid(3)); target && target != label)
                label->setBuddy(target);
        if (QWidget* buddy = label->buddy(); buddy && !qobject_cast<QLabel*>(buddy))
            captions.insert(buddy, captionAsName(label->text()));
    }

    int lists = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isControl(w) || insideControl(w, window) || !w->accessibleName().isEmpty())
            continue;
        QString name = captions.value(w);
        if (name.isEmpty()) {
            if (auto* button = qobject_cast<QAbstractButton*>(w); button && hasWords(button->text()))
                continue;  // a button is named by its own caption
            if (qobject_cast<QDateEdit*>(w)) {
                const QWidget* box = previousWidget(w);
                const QString boxName = box ? currentName(box, captions) : QString();
                name = boxName.isEmpty() ? QStringLiteral("Date picker") : boxName + QStringLiteral(" picker");
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                name = button->toolTip();
                const QWidget* parent = w->parentWidget();
                if (!name.isEmpty() && parent && parent->objectName().contains(QLatin1String("Navigator")))
                    name += QStringLiteral(" record");
            } else {
                name = w->toolTip();
                if (name.isEmpty())
                    if (auto* edit = qobject_cast<QLineEdit*>(w))
                        name = edit->placeholderText();
                if (name.isEmpty() && qobject_cast<QAbstractItemView*>(w)) {
                    ++lists;
                    name = captionAsName(window->windowTitle()) + QStringLiteral(" list");
                    if (lists > 1)
                        name += QStringLiteral(" %1").arg(lists);
                }
            }
        }
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
}

}  // namespace kestrum::ui
