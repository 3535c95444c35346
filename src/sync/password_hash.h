#pragma once

#include <QString>

namespace quorvel {

// A salted, deliberately slow hash of the password (Argon2id), kept so that
// the account can be opened offline; the password itself is never stored.
// Empty when hashing failed (the library could not be initialised or had no
// memory).
QString hash_password(const QString& password);

// Whether the password matches a hash made by hash_password.
bool password_matches(const QString& password, const QString& hash);

} // namespace quorvel
