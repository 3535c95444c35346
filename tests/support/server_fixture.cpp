#include "server_fixture.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QHttpMultiPart>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QUrlQuery>

server_fixture::~server_fixture() {
    stop();
}

QStringList server_fixture::db_args() const {
    return db_url_.isEmpty() ? QStringList() : QStringList{"--db", db_url_};
}

namespace {

// A fresh database on the test cluster, so every server starts empty.
QString create_postgres_database(const QString& cluster_url) {
    static int counter = 0;
    const QUrl url(cluster_url);
    const QString name =
        QStringLiteral("quorvel_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "fixture_admin");
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setDatabaseName(url.path().mid(1));
        if (!db.open() || !QSqlQuery(db).exec("CREATE DATABASE " + name)) {
            qWarning("cannot create a test database: %s", qPrintable(db.lastError().text()));
            return {};
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("fixture_admin");
    QUrl result = url;
    result.setPath("/" + name);
    return result.toString();
}

} // namespace

bool server_fixture::start(const QStringList& extra) {
    dir_ = std::make_unique<QTemporaryDir>();
    const QString cluster = qEnvironmentVariable("QUORVEL_TEST_DB");
    if (!cluster.isEmpty()) {
        db_url_ = create_postgres_database(cluster);
        if (db_url_.isEmpty())
            return false;
    }
    const QString script = qEnvironmentVariable("QUORVEL_TEST_DEPLOYMENT");
    if (!script.isEmpty() && !db_url_.isEmpty())
        return start_deployment(script, extra);
    return launch(QStringLiteral("127.0.0.1:0"), extra);
}

bool server_fixture::restart() {
    if (!deployment_.isEmpty()) {
        for (int n : {1, 2})
            if (!deployment_command(QStringLiteral("kill"), n) ||
                !deployment_command(QStringLiteral("start"), n))
                return false;
        return true;
    }
    if (!dir_)
        return false;
    // The same port, so clients that know the address find it again.
    const QString same = QStringLiteral("127.0.0.1:%1").arg(port());
    stop_process();
    return launch(same, extra_);
}

bool server_fixture::launch(const QString& listen, const QStringList& extra) {
    extra_ = extra;
    process_.setProgram(QStringLiteral(QUORVEL_SERVER_PATH));
    process_.setArguments(QStringList{"--listen", listen, "--data-dir", dir_->path()} + db_args() +
                          extra);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    if (!process_.waitForStarted(10000))
        return false;
    QByteArray out;
    const QRegularExpression listening(QStringLiteral("listening on (http://\\S+)"));
    while (process_.state() == QProcess::Running && process_.waitForReadyRead(30000)) {
        out += process_.readAllStandardOutput();
        const auto match = listening.match(QString::fromUtf8(out));
        if (match.hasMatch()) {
            base_url_ = match.captured(1);
            return true;
        }
    }
    qWarning("server did not start: %s %s", out.constData(),
             process_.readAllStandardError().constData());
    return false;
}

bool server_fixture::start_deployment(const QString& script, const QStringList& extra) {
    deploy_script_ = script;
    deployment_ = dir_->path();
    QProcess up;
    up.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    up.start(script, QStringList{"up", deployment_, "--instances", "2", "--db", db_url_, "--server",
                                 QStringLiteral(QUORVEL_SERVER_PATH), "--"} +
                         extra);
    if (!up.waitForFinished(120000) || up.exitCode() != 0) {
        qWarning("the deployment did not come up");
        return false;
    }
    const auto match = QRegularExpression(QStringLiteral("balancer (http://\\S+)"))
                           .match(QString::fromUtf8(up.readAllStandardOutput()));
    base_url_ = balancer_url_ = match.captured(1);
    return match.hasMatch();
}

bool server_fixture::route_to(int instance) {
    if (instance == 0) {
        base_url_ = balancer_url_;
        return !base_url_.isEmpty();
    }
    QFile env(deployment_ + QStringLiteral("/env"));
    if (!env.open(QIODevice::ReadOnly))
        return false;
    const QByteArray prefix = "QUORVEL_INSTANCE_" + QByteArray::number(instance) + '=';
    for (const QByteArray& line : env.readAll().split('\n'))
        if (line.startsWith(prefix)) {
            base_url_ = QString::fromUtf8(line.mid(prefix.size())).trimmed();
            return true;
        }
    return false;
}

bool server_fixture::deployment_command(const QString& command, int instance) {
    return QProcess::execute(deploy_script_, {command, deployment_, QString::number(instance)}) ==
           0;
}

qint64 server_fixture::store_generation() const {
    const QString connection = QStringLiteral("fixture_generation");
    qint64 value = -1;
    {
        QSqlDatabase db;
        if (db_url_.isEmpty()) {
            db = QSqlDatabase::addDatabase("QSQLITE", connection);
            db.setDatabaseName(data_dir() + QStringLiteral("/quorvel.db"));
        } else {
            const QUrl url(db_url_);
            db = QSqlDatabase::addDatabase("QPSQL", connection);
            db.setHostName(url.host());
            db.setPort(url.port(5432));
            db.setUserName(url.userName());
            db.setDatabaseName(url.path().mid(1));
        }
        QSqlQuery query(db);
        if (db.open() && query.exec("SELECT value FROM generation WHERE id = 1") && query.next())
            value = query.value(0).toLongLong();
    }
    QSqlDatabase::removeDatabase(connection);
    return value;
}

QString server_fixture::data_dir() const {
    if (!dir_)
        return {};
    return deployment_.isEmpty() ? dir_->path() : deployment_ + QStringLiteral("/instance1");
}

void server_fixture::stop() {
    if (!deployment_.isEmpty()) {
        QProcess::execute(deploy_script_, {"down", deployment_});
        deployment_.clear();
    }
    stop_process();
}

void server_fixture::stop_process() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

quint16 server_fixture::port() const {
    return static_cast<quint16>(QUrl(base_url_).port());
}

int server_fixture::admin(const QStringList& args, QString* output) {
    QProcess p;
    p.start(QStringLiteral(QUORVEL_SERVER_PATH),
            QStringList{"--data-dir", data_dir()} + db_args() + args);
    p.waitForFinished(60000);
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

server_fixture::reply_t server_fixture::finish(QNetworkReply* reply) {
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    reply_t r;
    r.http_status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.raw = reply->readAll();
    r.body = QJsonDocument::fromJson(r.raw).object();
    reply->deleteLater();
    return r;
}

namespace {

QNetworkRequest request_for(const QString& url, const QString& token) {
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    if (!token.isEmpty())
        request.setRawHeader("authorities", token.toUtf8());
    return request;
}

} // namespace

QString server_fixture::login(const QString& account, const QString& password) {
    const reply_t r =
        post("/tavorine/loginAccount/logInCrm", {{"account", account}, {"password", password}}, {});
    return r.data().toObject().value("jwtToken").toString();
}

server_fixture::reply_t server_fixture::post(const QString& path, const QJsonObject& body,
                                             const QString& token) {
    return post_raw(path, QJsonDocument(body).toJson(), token);
}

server_fixture::reply_t server_fixture::post_raw(const QString& path, const QByteArray& body,
                                                 const QString& token) {
    return finish(network_.post(request_for(base_url_ + path, token),
                                body.isEmpty() ? QByteArray("{}") : body));
}

server_fixture::reply_t server_fixture::get(const QString& path,
                                            const QList<QPair<QString, QString>>& query,
                                            const QString& token) {
    QUrl url(base_url_ + path);
    QUrlQuery q;
    for (const auto& [key, value] : query)
        q.addQueryItem(key, value);
    url.setQuery(q);
    return finish(network_.get(request_for(url.toString(), token)));
}

server_fixture::reply_t server_fixture::upload(const QString& path, const QString& file_name,
                                               const QByteArray& content, const QString& token) {
    auto* multi = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QStringLiteral("form-data; name=\"file\"; filename=\"%1\"").arg(file_name));
    part.setHeader(QNetworkRequest::ContentTypeHeader, "application/octet-stream");
    part.setBody(content);
    multi->append(part);
    QNetworkRequest request{QUrl(base_url_ + path)};
    request.setRawHeader("authorities", token.toUtf8());
    QNetworkReply* reply = network_.post(request, multi);
    multi->setParent(reply);
    return finish(reply);
}

QByteArray server_fixture::download(const QString& path_and_query, const QString& token,
                                    int* status) {
    const reply_t r = finish(network_.get(request_for(base_url_ + path_and_query, token)));
    *status = r.http_status;
    return r.raw;
}
