#pragma once

#include <QByteArray>
#include <QMap>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

namespace quorvel {

using string_map_t = QMap<QString, QString>;

// One blocking request at a time, on the thread that created the client.
// The wait runs a local event loop; a transfer that stays silent for the
// inactivity timeout is aborted and ends like a network failure.
class http_client : public QObject {
    Q_OBJECT
public:
    explicit http_client(QObject* parent = nullptr);

    QByteArray get(const QString& url, const string_map_t& headers, const string_map_t& query,
                   const QByteArray& body = {});
    QByteArray post(const QString& url, const string_map_t& headers, const string_map_t& query,
                    const QByteArray& body);

    // Silence allowed before a transfer is given up, for new clients (60 s).
    static void set_default_inactivity_timeout(int ms);
    static int default_inactivity_timeout();

private:
    QNetworkRequest build_request(const QString& url, const string_map_t& headers,
                                  const string_map_t& query) const;
    QByteArray wait_for(class QNetworkReply* reply);

    QNetworkAccessManager* manager_;
    int inactivity_timeout_ms_;
};

} // namespace quorvel
