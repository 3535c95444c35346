#pragma once

#include <QString>

namespace quorvel::server {

// Argon2id through libsodium; the stored text carries its own salt and cost.
bool init_crypto();
QString hash_password(const QString& password);
bool verify_password(const QString& stored_hash, const QString& password);

// A fresh random token (64 hex digits) and the hash under which it is stored.
QString new_token();
QString token_digest(const QString& token);

} // namespace quorvel::server
