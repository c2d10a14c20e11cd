#include "ReportDataSet.h"

#include "Format.h"

#include <QDateTime>

namespace kestrum::report {

QString displayText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>().toString();
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return formatShortDate(value.toDate());
    case QMetaType::QDateTime: {
        // A date column read through ODBC may come back as a date-time at midnight.
        const QDateTime dt = value.toDateTime();
        if (dt.time() == QTime(0, 0))
            return formatShortDate(dt.date());
        return formatShortDate(dt.date()) + QLatin1Char(' ') + dt.time().toString(QStringLiteral("h:mm:ss AP"));
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    case QMetaType::Double:
        return Decimal::fromDouble(value.toDouble()).toString();
    default:
        return value.toString();
    }
}

void Row::check(const QString& field) const {
    if (!set_)
        throw ReportError(QStringLiteral("Field %1 read outside of any dataset").arg(field));
    if (!set_->hasField(field))
        throw ReportError(QStringLiteral("%1 has no field %2").arg(set_->name(), field));
}

QString Row::text(const QString& field) const {
    check(field);
    return valid() ? set_->text(row_, field) : QString();
}

QVariant Row::value(const QString& field) const {
    check(field);
    return valid() ? set_->value(row_, field) : QVariant();
}

Decimal Row::decimal(const QString& field) const {
    const QVariant v = value(field);
    if (v.metaType() == QMetaType::fromType<Decimal>())
        return v.value<Decimal>();
    return Decimal::fromVariant(v);
}

QDate Row::date(const QString& field) const {
    const QVariant v = value(field);
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate();
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return parseShortDate(v.toString()).value_or(QDate());
}

MemoryDataSet::MemoryDataSet(QString name, QStringList fields) : name_(std::move(name)), fields_(std::move(fields)) {
    for (int i = 0; i < fields_.size(); ++i)
        index_.insert(fields_[i].toLower(), i);
}

int MemoryDataSet::addRow(const QVariantList& values) {
    if (values.size() > fields_.size())
        throw ReportError(QStringLiteral("%1: a row has more values than fields").arg(name_));
    QVariantList row = values;
    while (row.size() < fields_.size())
        row.append(QVariant());
    rows_.push_back(std::move(row));
    return int(rows_.size()) - 1;
}

int MemoryDataSet::currentRow() const { return rows_.empty() ? -1 : current_; }

// Field names are matched without regard to case, as the database does.
int MemoryDataSet::column(const QString& field) const {
    const auto it = index_.find(field.toLower());
    if (it == index_.end())
        throw ReportError(QStringLiteral("%1 has no field %2").arg(name_, field));
    return it.value();
}

bool MemoryDataSet::hasField(const QString& field) const { return index_.contains(field.toLower()); }

QString MemoryDataSet::text(int row, const QString& field) const { return displayText(value(row, field)); }

QVariant MemoryDataSet::value(int row, const QString& field) const {
    const int col = column(field);
    if (row < 0 || row >= rowCount())
        return {};
    return rows_[size_t(row)][col];
}

}  // namespace kestrum::report
