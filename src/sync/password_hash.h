#pragma once

#include <QString>

namespace quorvel {

// A salted, deliberately slow hash of the password (Argon2id), kept so that
// the account can be opened offline; the password itself is never stored.
// Empty when hashing failed (the library could not be initialised or had no
// memory). The cost goes into the hash, so a check needs no setting: tests
// that only look at matching use the cheapest.
enum class hash_cost { interactive, cheapest };
QString hash_password(const QString& password, hash_cost cost = hash_cost::interactive);

// Whether the password matches a hash made by hash_password.
bool password_matches(const QString& password, const QString& hash);

} // namespace quorvel
