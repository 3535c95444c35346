#include "net/base_url.h"

#include "protocol/protocol.h"

namespace quorvel {

QString base_url() {
    QString url = qEnvironmentVariable("QUORVEL_BASE_URL");
    if (url.isEmpty())
        url = QStringLiteral(QUORVEL_BASE_URL_DEFAULT);
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

bool is_backend_origin(const QUrl& url) {
    const QUrl backend(base_url());
    const auto default_port = [](const QUrl& u) {
        return u.port(u.scheme() == QLatin1String("https") ? 443 : 80);
    };
    return url.isValid() && backend.isValid() && !url.host().isEmpty() &&
           url.scheme().compare(backend.scheme(), Qt::CaseInsensitive) == 0 &&
           url.host().compare(backend.host(), Qt::CaseInsensitive) == 0 &&
           default_port(url) == default_port(backend);
}

QString website_url() {
    const QString configured = QStringLiteral(QUORVEL_WEBSITE_URL_DEFAULT);
    return configured.isEmpty() ? base_url() + QLatin1Char('/') : configured;
}

bool is_intranet_build() {
    return base_url().startsWith(QLatin1String("http://192"));
}

QString network_type(bool intranet) {
    return QLatin1String(intranet ? protocol::network::intranet : protocol::network::extranet);
}

} // namespace quorvel
