#pragma once
// Checks of typed values, run before any statement so that bad input stops a handler with one
// clear message and nothing written.
#include "Decimal.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <stdexcept>

namespace kestrum {

/// \brief A box holds text that is not a valid value; what() is the message for the user.
class InputError : public std::runtime_error {
public:
    InputError(const QString& caption, const QString& message);
    /// Caption of the box the text came from ("Qty", "ID Part").
    const QString& caption() const { return caption_; }
    QString message() const { return QString::fromUtf8(what()); }

private:
    QString caption_;
};

/// \brief A whole number ("12", "-3"; blanks around allowed). Throws InputError otherwise.
qint64 requireInteger(const QString& text, const QString& caption);
/// \brief A decimal number. Throws InputError for empty or non-numeric text.
Decimal requireDecimal(const QString& text, const QString& caption);
/// \brief Like requireDecimal, but an empty box means 0 (money boxes left empty).
Decimal decimalOrZero(const QString& text, const QString& caption);
/// \brief A short date (month/day/year). Throws InputError for empty or invalid text.
QDate requireDate(const QString& text, const QString& caption);
/// \brief A short date to bind: an empty box gives a null date value (stored as NULL), otherwise
/// the parsed QDate. Throws InputError for invalid text.
QVariant optionalDate(const QString& text, const QString& caption);

}  // namespace kestrum
