#pragma once
// Salted password hashes (libsodium's crypto_pwhash_str): no password is stored as typed.
#include <QString>

namespace kestrum::passwords {

/// \brief A new salted hash of `plain` (text starting "$argon2"). Throws std::runtime_error when
/// libsodium cannot start or runs out of memory.
QString hash(const QString& plain);
/// \brief True when `plain` matches the stored hash. A stored value that is not a hash never
/// verifies (see isHash for rows kept in plain text by older databases).
bool verify(const QString& stored, const QString& plain);
/// \brief True when `stored` is a hash made by hash().
bool isHash(const QString& stored);

}  // namespace kestrum::passwords
