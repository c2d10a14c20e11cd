#pragma once
// What every backup, restore and check step shares: its error, the cancel signal and the progress
// callback, and the row counts a copy is compared by.
#include <QMap>
#include <QString>

#include <functional>
#include <stdexcept>

namespace kestrum::backup {

/// \brief A backup, restore or check refused or failed; what() is the message for the user.
class BackupError : public std::runtime_error {
public:
    explicit BackupError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

/// \brief The user cancelled; whatever was half-written has been removed.
class Cancelled : public BackupError {
public:
    Cancelled() : BackupError(QStringLiteral("The operation was cancelled; nothing was changed.")) {}
};

/// \brief Called now and then from the thread doing the work: `done` of `total` units (total 0 when
/// unknown). Returns false to cancel.
using Progress = std::function<bool(qint64 done, qint64 total)>;

/// Rows per table, keyed by the table's name as the database spells it.
using TableCounts = QMap<QString, qint64>;

}  // namespace kestrum::backup
