#pragma once

#include <QString>
#include <QUrl>

namespace quorvel {

// The backend's scheme, host and port without a trailing slash: the build's
// QUORVEL_BASE_URL, unless the environment variable of the same name is set.
QString base_url();
// Whether an address has the backend's scheme, host and port: only such
// requests may carry the login token.
bool is_backend_origin(const QUrl& url);

// The website opened by "官网", "查看帮助" and the about page: the build's
// QUORVEL_WEBSITE_URL, or the backend's own start page (base_url() + "/")
// when the build sets none.
QString website_url();
// An address starting with "http://192" is the intranet build.
bool is_intranet_build();
// "QRV_INTRANET" or "QRV_EXTRANET".
QString network_type(bool intranet);

} // namespace quorvel
