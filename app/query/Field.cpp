#include "Field.h"

#include "Format.h"

namespace kestrum {
namespace {

bool isDecimal(const QVariant& v) { return v.metaType() == QMetaType::fromType<Decimal>(); }

}  // namespace

QString Field::AsString() const {
    if (value_.isNull()) return {};
    if (isDecimal(value_)) return value_.value<Decimal>().toString();
    switch (value_.metaType().id()) {
    case QMetaType::Bool:
        return value_.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    case QMetaType::Double:
        return Decimal::fromDouble(value_.toDouble()).toString();
    case QMetaType::QDate:
        return formatShortDate(value_.toDate());
    case QMetaType::QDateTime: {
        const QDateTime dt = value_.toDateTime();
        if (dt.time() == QTime(0, 0)) return formatShortDate(dt.date());
        return formatShortDate(dt.date()) + u' ' + dt.time().toString(QStringLiteral("h:mm:ss AP"));
    }
    default:
        return value_.toString();
    }
}

Decimal Field::AsCurrency() const { return Decimal::fromVariant(value_); }

double Field::AsFloat() const { return AsCurrency().toDouble(); }

qint64 Field::AsInteger() const {
    switch (value_.metaType().id()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
        return value_.toLongLong();
    case QMetaType::Bool:
        return value_.toBool() ? 1 : 0;
    default:
        return AsCurrency().toInt();
    }
}

QDateTime Field::AsDateTime() const {
    if (value_.isNull()) return {};
    switch (value_.metaType().id()) {
    case QMetaType::QDateTime:
        return value_.toDateTime();
    case QMetaType::QDate:
        return value_.toDate().startOfDay();
    case QMetaType::QString:
        if (auto d = parseShortDate(value_.toString())) return d->startOfDay();
        return {};
    default:
        return {};
    }
}

bool Field::AsBoolean() const {
    if (value_.isNull()) return false;
    if (value_.metaType().id() == QMetaType::Bool) return value_.toBool();
    if (value_.metaType().id() == QMetaType::QString) {
        const QString t = value_.toString().trimmed();
        return t.compare(u"yes", Qt::CaseInsensitive) == 0 || t.compare(u"true", Qt::CaseInsensitive) == 0 ||
               t == u"1";
    }
    return !AsCurrency().isZero();
}

}  // namespace kestrum
