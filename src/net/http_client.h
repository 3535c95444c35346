#pragma once

#include <QByteArray>
#include <QMap>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <atomic>

class QNetworkReply;

namespace quorvel {

using string_map_t = QMap<QString, QString>;

// One blocking request at a time, on the thread that created the client.
// The wait runs a local event loop; a transfer that stays silent for the
// inactivity timeout is aborted and ends like a network failure.
class http_client : public QObject {
    Q_OBJECT
public:
    // Whether requests still go out: a stopped client, or one that gives up
    // after a timeout and had one, answers every later request at once with
    // an empty body, as a network failure would.
    enum class state_t { open, timed_out, stopped };

    explicit http_client(QObject* parent = nullptr);

    // Bytes allocated behind every body it returns: a vectorised JSON reader
    // may read that far past the end, so it need not copy the body first.
    static constexpr int reply_padding = 64;

    QByteArray get(const QString& url, const string_map_t& headers, const string_map_t& query,
                   const QByteArray& body = {});
    QByteArray post(const QString& url, const string_map_t& headers, const string_map_t& query,
                    const QByteArray& body);

    // A series of requests to one server (the start-up synchronisation) need
    // not wait out a timeout for each of them once the server fell silent.
    void set_give_up_after_timeout(bool give_up) { give_up_after_timeout_ = give_up; }
    // Ends the request in flight and refuses later ones; safe from any thread.
    void stop();
    state_t state() const { return state_; }
    // The transport error of the last request (NoError when it got a reply).
    int last_error() const { return last_error_; }
    // Whether that error means the server could not be reached at all
    // (refused, unknown host, silence), as opposed to a reply it sent.
    bool last_unreachable() const;

    // Silence allowed before a transfer is given up, for new clients (60 s).
    static void set_default_inactivity_timeout(int ms);
    static int default_inactivity_timeout();

private:
    QNetworkRequest build_request(const QString& url, const string_map_t& headers,
                                  const string_map_t& query, bool with_body) const;
    QByteArray wait_for(QNetworkReply* reply);
    static QByteArray read_padded(QNetworkReply* reply);
    bool refuses(const QString& url);

    QNetworkAccessManager* manager_;
    int inactivity_timeout_ms_;
    bool give_up_after_timeout_ = false;
    std::atomic<state_t> state_{state_t::open};
    QNetworkReply* in_flight_ = nullptr; // used on the client's thread only
    int last_error_ = 0;                 // QNetworkReply::NetworkError
};

} // namespace quorvel
