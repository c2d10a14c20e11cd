#pragma once
// A count run on a connection of its own on a worker thread, so that a list can show its first
// page while the database counts the rest.
#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

namespace kestrum {

/// \brief Runs `sql` (one row, one whole number; `values` bound in order, already in bindable form)
/// on a connection made like `connection` and kept for the next counts of its session, on the one
/// counting thread, and hands the number to `done` on `context`'s thread. `done` gets nothing when
/// the count could not be made (no connection, a lock, an error): the caller then counts on its own
/// connection. Nothing is handed on when `context` is gone by then. Counts run one after another in
/// the order asked; a kept connection found lost is made again once.
void countInBackground(const QString& connection, const QString& sql, const QVariantList& values, QObject* context,
                       std::function<void(std::optional<qint64>)> done);

/// \brief Waits until every background count has finished, then closes the kept counting
/// connections (a database is closed or dropped only after this; the next count opens one again).
void waitForBackgroundCounts();

/// \brief Waits until no count is queued or running; the kept connections stay open.
void settleBackgroundCounts();

/// \brief How many counting connections have been opened since the program started (a count that
/// finds its session's connection kept opens none).
int backgroundCountConnectionsMade();

/// \brief Runs `gate` on the worker before each count from now on (none: `{}`): tests hold a count
/// back with it to change rows before it runs.
void setBackgroundCountGate(std::function<void()> gate);

/// \brief Whether a connection can be made again like `connection` and see the same data (not an
/// in-memory database).
bool canCountInBackground(const QString& connection);

}  // namespace kestrum
