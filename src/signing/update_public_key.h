#pragma once

#include <QByteArray>

namespace quorvel {

// The publisher's Ed25519 public key (32 bytes) this client accepts updates
// from: a build setting, or the build tree's own key for tests and the demo.
QByteArray update_public_key();

} // namespace quorvel
