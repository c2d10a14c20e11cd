#include "DatabaseError.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QStringList>

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

DatabaseError::DatabaseError(const QString& message, Reason reason)
    : std::runtime_error(message.toStdString()), reason_(reason) {}

DatabaseError::DatabaseError(const QSqlError& error, const QString& context)
    : DatabaseError(describe(error, context), reasonOf(error)) {}

DatabaseError::Reason DatabaseError::reasonOf(const QSqlError& error) {
    // PostgreSQL: 55P03 lock_not_available (lock_timeout), 57014 query_canceled (statement_timeout),
    // 40001 serialization_failure, 40P01 deadlock_detected. SQLite's driver gives no state of its
    // own for a busy file, only the engine's text.
    const QStringList states = error.nativeErrorCode().split(u';', Qt::SkipEmptyParts);
    for (const QString& s : states) {
        if (s == QLatin1String("40001") || s == QLatin1String("40P01")) return Reason::Conflict;
        if (s == QLatin1String("55P03") || s == QLatin1String("57014")) return Reason::Busy;
    }
    static const QRegularExpression conflict(QStringLiteral("deadlock detected|could not serialize access"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression busy(
        QStringLiteral("database is locked|database table is locked|lock timeout|statement timeout"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text = error.databaseText() + u'\n' + error.driverText();
    if (conflict.match(text).hasMatch()) return Reason::Conflict;
    if (busy.match(text).hasMatch()) return Reason::Busy;
    return Reason::Other;
}

}  // namespace kestrum
