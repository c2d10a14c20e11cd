#pragma once
// One column of the current row, read through the accessors the windows use.
#include "Decimal.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

namespace kestrum {

/// \brief Snapshot of one value. Values are normalised by Query so that both engines read alike:
/// null, qlonglong (integers), Decimal (numbers), bool, QDate / QDateTime, QString.
class Field {
public:
    Field() = default;
    Field(QString name, QVariant value) : name_(std::move(name)), value_(std::move(value)) {}

    const QString& name() const { return name_; }

    /// \brief NULL -> ""; numbers plain without trailing zeros ("12.5", "12"); dates M/d/yyyy
    /// (with " h:mm:ss AP" only when there is a time of day); booleans "Yes" / "No".
    QString AsString() const;
    /// NULL and non-numeric text -> 0.
    double AsFloat() const;
    /// NULL and non-numeric text -> 0.
    Decimal AsCurrency() const;
    /// Whole value (numbers rounded half away from zero); NULL and non-numeric text -> 0.
    qint64 AsInteger() const;
    /// NULL or non-date -> invalid QDateTime; text is read as a short date.
    QDateTime AsDateTime() const;
    QDate AsDate() const { return AsDateTime().date(); }
    /// bool as stored; numbers: non-zero; text: "Yes"/"True"/"1" (any case); NULL -> false.
    bool AsBoolean() const;
    /// The normalised value (see class comment); null is an invalid QVariant.
    const QVariant& AsVariant() const { return value_; }
    bool IsNull() const { return value_.isNull(); }

private:
    QString name_;
    QVariant value_;
};

}  // namespace kestrum
