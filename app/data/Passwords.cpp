#include "Passwords.h"

#include <sodium.h>

#include <stdexcept>

namespace kestrum::passwords {
namespace {

void startSodium() {
    // sodium_init is safe to repeat, but once is enough; a failure is reported each time.
    static const int rc = sodium_init();
    if (rc < 0) throw std::runtime_error("The password library could not start.");
}

}  // namespace

QString hash(const QString& plain) {
    startSodium();
    const QByteArray utf8 = plain.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("Out of memory while hashing the password.");
    return QString::fromLatin1(out);
}

bool isHash(const QString& stored) {
    return stored.startsWith(QLatin1String("$argon2")) && stored.size() < crypto_pwhash_STRBYTES;
}

bool verify(const QString& stored, const QString& plain) {
    if (!isHash(stored)) return false;
    startSodium();
    const QByteArray h = stored.toLatin1();
    const QByteArray utf8 = plain.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

}  // namespace kestrum::passwords
