#include "signing/update_signature.h"

#include <QFile>
#include <cctype>
#include <sodium.h>

namespace quorvel {

namespace {

bool sodium_ready() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// A file's whole content, mapped rather than read where the system allows:
// installers are large.
class file_bytes {
public:
    explicit file_bytes(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::ReadOnly))
            return;
        size_ = file_.size();
        if (size_ == 0) {
            ok_ = true;
            return;
        }
        data_ = file_.map(0, size_);
        if (!data_) {
            copy_ = file_.readAll();
            data_ = reinterpret_cast<const uchar*>(copy_.constData());
        }
        ok_ = data_ && (copy_.isNull() || copy_.size() == size_);
    }

    bool ok() const { return ok_; }
    const uchar* data() const { return data_ ? data_ : &nothing_; }
    unsigned long long size() const { return static_cast<unsigned long long>(size_); }

private:
    QFile file_;
    QByteArray copy_;
    const uchar* data_ = nullptr;
    qint64 size_ = 0;
    bool ok_ = false;
    static constexpr uchar nothing_ = 0;
};

const uchar* bytes_of(const QByteArray& bytes) {
    return reinterpret_cast<const uchar*>(bytes.constData());
}

// The secret key libsodium signs with, expanded from the seed.
QByteArray secret_key_of(const QByteArray& seed, QByteArray* public_key) {
    QByteArray secret(crypto_sign_SECRETKEYBYTES, Qt::Uninitialized);
    public_key->resize(crypto_sign_PUBLICKEYBYTES);
    crypto_sign_seed_keypair(reinterpret_cast<uchar*>(public_key->data()),
                             reinterpret_cast<uchar*>(secret.data()), bytes_of(seed));
    return secret;
}

QByteArray sign_bytes(const uchar* bytes, unsigned long long size, const QByteArray& seed) {
    if (seed.size() != update_seed_size || !sodium_ready())
        return {};
    QByteArray public_key;
    QByteArray secret = secret_key_of(seed, &public_key);
    QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
    crypto_sign_detached(reinterpret_cast<uchar*>(signature.data()), nullptr, bytes, size,
                         bytes_of(secret));
    sodium_memzero(secret.data(), static_cast<size_t>(secret.size()));
    return signature;
}

} // namespace

QByteArray parse_update_signature(const QByteArray& text) {
    if (text.size() == update_signature_size)
        return text;
    const auto decoded =
        QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != update_signature_size)
        return {};
    return decoded.decoded;
}

QByteArray parse_update_key(const QByteArray& text, int size) {
    const QByteArray hex = text.trimmed();
    if (hex.size() != 2 * size)
        return {};
    for (const char c : hex)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
    return QByteArray::fromHex(hex);
}

QByteArray private_key_text(const QByteArray& seed) {
    const QByteArray public_key = public_key_of(seed);
    return public_key.isEmpty() ? QByteArray() : (seed + public_key).toHex() + '\n';
}

QByteArray parse_private_key(const QByteArray& text) {
    const QByteArray both = parse_update_key(text, update_seed_size + update_public_key_size);
    const QByteArray seed = both.left(update_seed_size);
    if (both.isEmpty() || public_key_of(seed) != both.mid(update_seed_size))
        return {};
    return seed;
}

bool file_signature_valid(const QString& path, const QByteArray& signature,
                          const QByteArray& public_key) {
    if (signature.size() != update_signature_size || public_key.size() != update_public_key_size ||
        !sodium_ready())
        return false;
    const file_bytes file(path);
    return file.ok() && crypto_sign_verify_detached(bytes_of(signature), file.data(), file.size(),
                                                    bytes_of(public_key)) == 0;
}

update_key_pair_t make_update_key_pair() {
    if (!sodium_ready())
        return {};
    QByteArray seed(update_seed_size, Qt::Uninitialized);
    randombytes_buf(seed.data(), static_cast<size_t>(seed.size()));
    return {seed, public_key_of(seed)};
}

QByteArray public_key_of(const QByteArray& seed) {
    if (seed.size() != update_seed_size || !sodium_ready())
        return {};
    QByteArray public_key;
    QByteArray secret = secret_key_of(seed, &public_key);
    sodium_memzero(secret.data(), static_cast<size_t>(secret.size()));
    return public_key;
}

QByteArray sign_update(const QByteArray& bytes, const QByteArray& seed) {
    return sign_bytes(bytes_of(bytes), static_cast<unsigned long long>(bytes.size()), seed);
}

QByteArray sign_file(const QString& path, const QByteArray& seed) {
    const file_bytes file(path);
    return file.ok() ? sign_bytes(file.data(), file.size(), seed) : QByteArray();
}

} // namespace quorvel
