#pragma once
#include <QString>

#include <stdexcept>

class QSqlError;

namespace kestrum {

/// \brief A statement or connection failed; what() holds the driver's message (and the query's
/// name when there is one), ready for the standard error box.
class DatabaseError : public std::runtime_error {
public:
    /// Why a statement failed, where another workstation can be the cause.
    enum class Reason {
        Other,
        Busy,     ///< waited too long for another workstation's lock (or a busy SQLite file)
        Conflict  ///< the engine ended it as a deadlock or serialization loser; worth one retry
    };
    explicit DatabaseError(const QString& message, Reason reason = Reason::Other);
    /// Message built from the driver's error; `context` (a query name) is put in front.
    DatabaseError(const QSqlError& error, const QString& context);
    QString message() const { return QString::fromUtf8(what()); }
    Reason reason() const { return reason_; }

    /// \brief What a driver error says about another workstation (Other when nothing).
    static Reason reasonOf(const QSqlError& error);

private:
    Reason reason_ = Reason::Other;
};

}  // namespace kestrum
