#pragma once
// Every statement the pool's queries run, with the time it took to run and arrive: the benchmark
// lists what a window action asks of the database, tests count it.
#include <QString>

#include <functional>

namespace kestrum {

/// Called with the statement's text and milliseconds from prepare to its result in hand.
using StatementObserver = std::function<void(const QString& sql, double ms)>;

/// \brief From now on `observer` hears of every statement a Query runs (none: `{}`); one observer
/// at a time, called on the thread that ran the statement.
void setStatementObserver(StatementObserver observer);

}  // namespace kestrum
