#include "DatabaseError.h"

#include <QSqlError>

namespace kestrum {
namespace {

QString describe(const QSqlError& error, const QString& context) {
    // The driver's text is what the user must see; Qt's own text only says which step failed.
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.driverText().trimmed();
    if (text.isEmpty()) text = QStringLiteral("Unknown database error");
    return context.isEmpty() ? text : context + QStringLiteral(": ") + text;
}

}  // namespace

DatabaseError::DatabaseError(const QString& message) : std::runtime_error(message.toStdString()) {}

DatabaseError::DatabaseError(const QSqlError& error, const QString& context)
    : DatabaseError(describe(error, context)) {}

}  // namespace kestrum
