#include "InputError.h"

#include "Format.h"

#include <QRegularExpression>

namespace kestrum {

InputError::InputError(const QString& caption, const QString& message)
    : std::runtime_error(message.toStdString()), caption_(caption) {}

qint64 requireInteger(const QString& text, const QString& caption) {
    static const QRegularExpression re(QStringLiteral("^[+-]?\\d{1,18}$"));
    const QString t = text.trimmed();
    if (!re.match(t).hasMatch())
        throw InputError(caption, QStringLiteral("%1 must be a whole number, not \"%2\".").arg(caption, text));
    return t.toLongLong();
}

Decimal requireDecimal(const QString& text, const QString& caption) {
    if (auto d = Decimal::parse(text)) return *d;
    throw InputError(caption, QStringLiteral("%1 must be a number, not \"%2\".").arg(caption, text));
}

Decimal decimalOrZero(const QString& text, const QString& caption) {
    return text.trimmed().isEmpty() ? Decimal{} : requireDecimal(text, caption);
}

QDate requireDate(const QString& text, const QString& caption) {
    if (auto d = parseShortDate(text)) return *d;
    throw InputError(caption,
                     QStringLiteral("%1 must be a date (month/day/year), not \"%2\".").arg(caption, text));
}

QVariant optionalDate(const QString& text, const QString& caption) {
    if (text.trimmed().isEmpty()) return QVariant(QMetaType::fromType<QDate>());
    return requireDate(text, caption);
}

}  // namespace kestrum
