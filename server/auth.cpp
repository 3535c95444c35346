#include "auth.h"

#include <QCryptographicHash>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sodium.h>
#include <thread>

namespace quorvel::server {

namespace {

// Holds one of the hash slots for its lifetime.
class hash_slot {
public:
    hash_slot() {
        ++pending;
        std::unique_lock<std::mutex> lock(mutex);
        freed.wait(lock, [] { return running < password_hash_slots(); });
        ++running;
    }
    ~hash_slot() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            --running;
        }
        --pending;
        freed.notify_one();
    }
    hash_slot(const hash_slot&) = delete;
    hash_slot& operator=(const hash_slot&) = delete;

    static inline std::atomic<size_t> pending{0};

private:
    static inline std::mutex mutex;
    static inline std::condition_variable freed;
    static inline size_t running = 0;
};

} // namespace

size_t password_hash_slots() {
    static const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return cores;
}

size_t password_hashes_pending() {
    return hash_slot::pending.load();
}

bool init_crypto() {
    return sodium_init() >= 0;
}

QString hash_password(const QString& password) {
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    const hash_slot slot;
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
    const hash_slot slot;
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
