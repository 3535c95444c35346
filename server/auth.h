#pragma once

#include <QString>

namespace quorvel::server {

// Argon2id through libsodium; the stored text carries its own salt and cost.
// Each hash takes 64 MiB for its run, so at most one per core runs at once;
// further callers wait for a free one.
bool init_crypto();
QString hash_password(const QString& password);
bool verify_password(const QString& stored_hash, const QString& password);
// Hashes running or waiting to run; callers turn work away when it is long.
size_t password_hashes_pending();
size_t password_hash_slots();

// A fresh random token (64 hex digits) and the hash under which it is stored.
QString new_token();
QString token_digest(const QString& token);

} // namespace quorvel::server
