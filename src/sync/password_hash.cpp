#include "sync/password_hash.h"

#include <sodium.h>

namespace quorvel {

namespace {

bool sodium_ready() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace

QString hash_password(const QString& password, hash_cost cost) {
    if (!sodium_ready())
        return {};
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    // The interactive limits: a login should not wait for more than a
    // fraction of a second, and a copied file still costs 64 MiB per guess.
    const bool cheap = cost == hash_cost::cheapest;
    if (crypto_pwhash_str_alg(
            out, utf8.constData(), static_cast<unsigned long long>(utf8.size()),
            cheap ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE,
            cheap ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE,
            crypto_pwhash_ALG_ARGON2ID13) != 0)
        return {};
    return QString::fromLatin1(out);
}

bool password_matches(const QString& password, const QString& hash) {
    if (hash.isEmpty() || !sodium_ready())
        return false;
    const QByteArray utf8 = password.toUtf8();
    const QByteArray stored = hash.toLatin1();
    return crypto_pwhash_str_verify(stored.constData(), utf8.constData(),
                                    static_cast<unsigned long long>(utf8.size())) == 0;
}

} // namespace quorvel
