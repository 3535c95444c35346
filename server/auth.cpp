#include "auth.h"

#include <QCryptographicHash>
#include <sodium.h>

namespace quorvel::server {

bool init_crypto() {
    return sodium_init() >= 0;
}

QString hash_password(const QString& password) {
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), static_cast<unsigned long long>(utf8.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return {};
    return QString::fromLatin1(out);
}

bool verify_password(const QString& stored_hash, const QString& password) {
    const QByteArray stored = stored_hash.toLatin1();
    const QByteArray utf8 = password.toUtf8();
    if (stored.isEmpty())
        return false;
    return crypto_pwhash_str_verify(stored.constData(), utf8.constData(),
                                    static_cast<unsigned long long>(utf8.size())) == 0;
}

QString new_token() {
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes).toHex());
}

QString token_digest(const QString& token) {
    return QString::fromLatin1(
        QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace quorvel::server
