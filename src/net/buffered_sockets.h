#pragma once

class QNetworkAccessManager;

namespace quorvel {

// Has the manager read replies through buffered sockets, with the same
// connections as before (see the .cpp for why this is needed).
void use_buffered_sockets(QNetworkAccessManager& manager);

} // namespace quorvel
