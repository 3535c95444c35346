#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// Starts quorvel-server on a free loopback port with a private data folder,
// and talks to it the way the client does.
class server_fixture {
public:
    struct reply_t {
        int http_status = 0;
        QJsonObject body;
        QByteArray raw;
        int code() const { return body.value("code").toInt(-1); }
        QString msg() const { return body.value("msg").toString(); }
        QJsonValue data() const { return body.value("data"); }
    };

    ~server_fixture();

    // extra: further command-line options. The database comes from the
    // environment variable QUORVEL_TEST_DB (SQLite when unset). With
    // QUORVEL_TEST_DEPLOYMENT naming the multi-instance script as well, the
    // server is two instances on that database behind nginx, and base_url()
    // is nginx's.
    bool start(const QStringList& extra = {"--demo"});
    void stop();
    // Stops the server and starts it again on the same port, data folder and
    // database (a deployment: each instance in turn); tokens may not survive.
    bool restart();
    const QString& base_url() const { return base_url_; }
    quint16 port() const;
    qint64 pid() const { return process_.processId(); }
    QString data_dir() const;
    // The store's write generation, read straight from its database; -1 if
    // it cannot be read.
    qint64 store_generation() const;
    // The deployment's folder (its script's STATE), empty for a single server.
    const QString& deployment() const { return deployment_; }
    // In a deployment, sends the next requests straight to instance n (from
    // 1), or through nginx again with 0.
    bool route_to(int instance);
    // Runs the deployment script's kill or start for instance n.
    bool deployment_command(const QString& command, int instance);

    // Runs an admin subcommand against the same store; returns the exit code.
    int admin(const QStringList& args, QString* output = nullptr);

    QString login(const QString& account, const QString& password);
    reply_t post(const QString& path, const QJsonObject& body, const QString& token);
    reply_t post_raw(const QString& path, const QByteArray& body, const QString& token);
    reply_t get(const QString& path, const QList<QPair<QString, QString>>& query,
                const QString& token);
    reply_t upload(const QString& path, const QString& file_name, const QByteArray& content,
                   const QString& token);
    // Raw bytes of a GET, with the HTTP status.
    QByteArray download(const QString& path_and_query, const QString& token, int* status);

private:
    reply_t finish(class QNetworkReply* reply);
    bool launch(const QString& listen, const QStringList& extra);
    QStringList db_args() const;
    bool start_deployment(const QString& script, const QStringList& extra);
    void stop_process();

    std::unique_ptr<QTemporaryDir> dir_;
    QProcess process_;
    QString base_url_;
    QString db_url_;
    QStringList extra_;
    QString deploy_script_;
    QString deployment_;
    QString balancer_url_;
    QNetworkAccessManager network_;
};
