#pragma once
// The users of table Pass, as the login and password-change windows need them. Passwords are
// kept as salted hashes; a row left in plain text by an older database still logs in once
// and is rehashed then. Names compare case-insensitively, passwords exactly.
#include <QString>
#include <optional>

namespace kestrum::users {

/// One row of Pass, as stored.
struct User {
    QString name;
    QString stored;  // the hash (or a legacy plain-text password)
};

/// \brief The row whose name matches `name` (any case) and whose password is `password`, on
/// DM->QPass1; nullopt when there is none. Throws DatabaseError.
std::optional<User> find(const QString& name, const QString& password);

/// \brief Login: like find(), and a legacy plain-text row that matched is rehashed at once.
/// Returns the name as stored.
std::optional<QString> login(const QString& name, const QString& password);

/// True when Pass has at least one row (DM->QPass2).
bool anyUser();

/// True when a row other than `self` already has `name` (any case).
bool nameTaken(const QString& name, const User& self);

/// \brief Rewrites exactly the row of `self` with the new name and a hash of the new password.
/// Throws DatabaseError.
void change(const User& self, const QString& newName, const QString& newPassword);

/// \brief Inserts a user (password hashed). Throws DatabaseError.
void add(const QString& name, const QString& password);

}  // namespace kestrum::users
