#pragma once

#include <QByteArray>
#include <QString>

namespace quorvel {

// Updates are signed by their publisher: an Ed25519 signature of the
// installer's bytes, checked against the public key built into the client.
inline constexpr int update_signature_size = 64;
inline constexpr int update_public_key_size = 32;
inline constexpr int update_seed_size = 32;

// A signature as the offer or a signature file carries it: base64 of the 64
// signature bytes (blanks around it ignored) or the 64 bytes themselves.
// Empty when it is neither.
QByteArray parse_update_signature(const QByteArray& text);
// A key file's or build setting's text: hexadecimal of `size` bytes, blanks
// around it ignored. Empty when it is not.
QByteArray parse_update_key(const QByteArray& text, int size);

// A private key file's text: hexadecimal of the seed followed by its public
// key, so that it is never taken for a public key file, and the seed back
// from it (empty when the text is not one, or its halves do not match).
QByteArray private_key_text(const QByteArray& seed);
QByteArray parse_private_key(const QByteArray& text);

// Whether signature is a valid signature of the file's whole content by the
// holder of public_key; false when anything is missing or unreadable.
bool file_signature_valid(const QString& path, const QByteArray& signature,
                          const QByteArray& public_key);

// A new key pair: the private seed and its public key; both empty on failure.
struct update_key_pair_t {
    QByteArray seed;
    QByteArray public_key;
};
update_key_pair_t make_update_key_pair();
QByteArray public_key_of(const QByteArray& seed);
// The detached signature of bytes, or of a file's whole content; empty when
// the seed is not one or the file cannot be read.
QByteArray sign_update(const QByteArray& bytes, const QByteArray& seed);
QByteArray sign_file(const QString& path, const QByteArray& seed);

} // namespace quorvel
