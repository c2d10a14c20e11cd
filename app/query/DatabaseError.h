#pragma once
#include <QString>

#include <stdexcept>

class QSqlError;

namespace kestrum {

/// \brief A statement or connection failed; what() holds the driver's message (and the query's
/// name when there is one), ready for the standard error box.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString& message);
    /// Message built from the driver's error; `context` (a query name) is put in front.
    DatabaseError(const QSqlError& error, const QString& context);
    QString message() const { return QString::fromUtf8(what()); }
};

}  // namespace kestrum
