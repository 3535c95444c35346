// quorvel-server: the reference backend of the Quorvel client.
#include "admin.h"
#include "api.h"
#include "auth.h"
#include "demo.h"
#include "http_server.h"
#include "web_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <spdlog/spdlog.h>

using namespace quorvel::server;

namespace {

const char usage[] =
    "usage: quorvel-server [--listen HOST:PORT] [--data-dir DIR] [--db sqlite|postgresql://...]\n"
    "                      [--demo] [--demo-large] [--demo-large-size C:S:T]\n"
    "                      [--max-upload-mb N] [--token-ttl-hours N] [--token-ttl-seconds N]\n"
    "                      [--attachment-quota-mb N] [--workers N]\n"
    "                      [--max-connections-per-address N] [--client-address-header NAME]\n"
    "                      [--file-store directory|database]\n"
    "                      [--manage-intranet-url URL] [--manage-extranet-url URL]\n"
    "                      [--manage-link-seconds N] [--manage-secure-cookie]\n"
    "       quorvel-server [--data-dir DIR] [--db ...] ADMIN-COMMAND ...\n"
    "Defaults: --listen 127.0.0.1:8610, --data-dir ./quorvel-data, --db sqlite.\n"
    "--demo-large adds 1000 script categories, 10000 scripts and 500 stickers to the demo\n"
    "library; --demo-large-size C:S:T adds C, S and T of them instead.\n"
    "Port 0 picks a free port; the bound address is printed as \"listening on "
    "http://HOST:PORT\".\n"
    "--workers: connections served at once (48); --max-connections-per-address: open\n"
    "connections of one client address (32; 0: no bound, for use behind a proxy);\n"
    "--client-address-header: the header in which a proxy passes the client's address\n"
    "(for example X-Real-IP), for the failed-login throttle.\n"
    "--file-store: where file bytes live: below DIR/files (the default with SQLite) or in\n"
    "the database (the default with PostgreSQL; what several servers sharing one database need).\n"
    "GET /health answers 200 while the server reaches its database, 503 when not.\n"
    "--manage-intranet-url, --manage-extranet-url: the addresses browsers reach the\n"
    "management page at, for intranet and extranet clients (default: the listening\n"
    "address); --manage-link-seconds: how long its one-time links last (120);\n"
    "--manage-secure-cookie: its session cookie only over https (behind a TLS proxy).\n";

struct options_t {
    QString listen = QStringLiteral("127.0.0.1:8610");
    QString data_dir = QStringLiteral("quorvel-data");
    QString db = QStringLiteral("sqlite");
    bool demo = false;
    bool demo_large = false;
    QList<int> large_size{1000, 10000, 500}; // categories, scripts, stickers
    qint64 max_upload_mb = 200;
    qint64 token_ttl_seconds = 12 * 3600;
    qint64 attachment_quota_mb = 1024;
    qint64 workers = 48;
    qint64 per_address = 32;
    QString client_address_header;
    QString file_store;
    QString manage_intranet;
    QString manage_extranet;
    qint64 manage_link_seconds = 120;
    bool manage_secure_cookie = false;
    QStringList command;
};

bool web_address_valid(const QString& address) {
    const QUrl url(address);
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

bool parse(const QStringList& args, options_t* o) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString* out) {
            if (i + 1 >= args.size())
                return false;
            *out = args[++i];
            return true;
        };
        QString number;
        bool ok = true;
        if (a == QLatin1String("--listen")) {
            ok = value(&o->listen);
        } else if (a == QLatin1String("--data-dir")) {
            ok = value(&o->data_dir);
        } else if (a == QLatin1String("--db")) {
            ok = value(&o->db);
        } else if (a == QLatin1String("--demo")) {
            o->demo = true;
        } else if (a == QLatin1String("--demo-large")) {
            o->demo = o->demo_large = true;
        } else if (a == QLatin1String("--demo-large-size")) {
            o->demo = o->demo_large = true;
            ok = value(&number);
            const QStringList parts = number.split(QLatin1Char(':'));
            ok = ok && parts.size() == 3;
            for (int k = 0; ok && k < 3; ++k)
                ok = (o->large_size[k] = parts[k].toInt()) > 0;
        } else if (a == QLatin1String("--max-upload-mb")) {
            ok = value(&number) && (o->max_upload_mb = number.toLongLong()) > 0;
        } else if (a == QLatin1String("--token-ttl-hours")) {
            ok = value(&number) && (o->token_ttl_seconds = number.toLongLong() * 3600) > 0;
        } else if (a == QLatin1String("--token-ttl-seconds")) {
            ok = value(&number) && (o->token_ttl_seconds = number.toLongLong()) > 0;
        } else if (a == QLatin1String("--attachment-quota-mb")) {
            ok = value(&number) && (o->attachment_quota_mb = number.toLongLong()) > 0;
        } else if (a == QLatin1String("--workers")) {
            ok = value(&number) && (o->workers = number.toLongLong()) > 0 && o->workers <= 4096;
        } else if (a == QLatin1String("--max-connections-per-address")) {
            ok = value(&number) && (o->per_address = number.toLongLong(&ok)) >= 0 && ok &&
                 o->per_address <= 1 << 20;
        } else if (a == QLatin1String("--client-address-header")) {
            ok = value(&o->client_address_header) && !o->client_address_header.isEmpty();
        } else if (a == QLatin1String("--file-store")) {
            ok = value(&o->file_store) && !o->file_store.isEmpty();
        } else if (a == QLatin1String("--manage-intranet-url")) {
            ok = value(&o->manage_intranet) && web_address_valid(o->manage_intranet);
        } else if (a == QLatin1String("--manage-extranet-url")) {
            ok = value(&o->manage_extranet) && web_address_valid(o->manage_extranet);
        } else if (a == QLatin1String("--manage-link-seconds")) {
            ok = value(&number) && (o->manage_link_seconds = number.toLongLong()) > 0;
        } else if (a == QLatin1String("--manage-secure-cookie")) {
            o->manage_secure_cookie = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            return false;
        } else {
            o->command = args.mid(i);
            return true;
        }
        if (!ok)
            return false;
    }
    return true;
}

// A link for the demo's administrator, good for one use within an hour: the
// person who started the demo opens the management page without a client.
void print_demo_manage_link(storage& store, QString base) {
    base.replace(QLatin1String("://0.0.0.0:"), QLatin1String("://127.0.0.1:"));
    qint64 admin = 0;
    {
        transaction tx(store, false);
        admin =
            tx.scalar(QStringLiteral("SELECT id FROM users WHERE account = 'admin'")).toLongLong();
    }
    const QString token = admin ? issue_web_link(store, admin, 3600) : QString();
    if (token.isEmpty())
        return;
    std::printf("management page for admin (one use, within an hour): %s/manage/enter?link=%s\n"
                "  later: log in to the client, settings centre, \"管理后台\"\n",
                qPrintable(base), qPrintable(token));
}

std::atomic<http_server*> running{nullptr};

void on_stop_signal(int) {
    if (http_server* s = running.load())
        s->stop();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    options_t o;
    if (!parse(app.arguments(), &o)) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (!init_crypto()) {
        std::fputs("quorvel-server: cannot initialise the crypto library\n", stderr);
        return 1;
    }
    spdlog::set_pattern("[%Y-%m-%d %H:%M:%S] [%l] %v");

    const QString data_dir = QDir(o.data_dir).absolutePath();
    QString error;
    const auto db = parse_db_option(o.db, data_dir, &error);
    const auto kind = db ? parse_file_store_option(o.file_store, db->engine) : std::nullopt;
    if (db && !kind) {
        std::fputs(usage, stderr);
        return 2;
    }
    file_store files(data_dir, kind.value_or(file_store_kind::directory));
    if (!db || !QDir().mkpath(data_dir) || !files.init(&error)) {
        std::fprintf(stderr, "quorvel-server: %s\n",
                     qPrintable(error.isEmpty() ? data_dir : error));
        return 1;
    }
    storage store(*db);
    if (!store.open(&error)) {
        std::fprintf(stderr, "quorvel-server: database: %s\n", qPrintable(error));
        return 1;
    }
    if (!o.command.isEmpty())
        return run_admin_command(store, files, data_dir, o.command);

    const int colon = o.listen.lastIndexOf(QLatin1Char(':'));
    const QString host = colon > 0 ? o.listen.left(colon) : o.listen;
    bool port_ok = false;
    const int port = colon > 0 ? o.listen.mid(colon + 1).toInt(&port_ok) : 8610;
    if (colon > 0 && (!port_ok || port < 0 || port > 65535)) {
        std::fputs(usage, stderr);
        return 2;
    }

    const bool wildcard =
        host == QLatin1String("0.0.0.0") || host == QLatin1String("::") || host.isEmpty();
    api_options_t api_options{o.token_ttl_seconds, o.attachment_quota_mb << 20};
    api_options.manage_intranet_address = o.manage_intranet;
    api_options.manage_extranet_address = o.manage_extranet;
    api_options.manage_link_seconds = o.manage_link_seconds;
    api handlers(store, files, api_options);
    http_options_t http_options;
    http_options.max_upload_bytes = o.max_upload_mb << 20;
    http_options.connections.workers = static_cast<size_t>(o.workers);
    http_options.connections.queued = static_cast<size_t>(o.workers);
    http_options.connections.per_address = static_cast<size_t>(o.per_address);
    http_options.client_address_header = o.client_address_header.toStdString();
    http_options.web.secure_cookie =
        o.manage_secure_cookie ||
        (o.manage_intranet.startsWith(QLatin1String("https:")) &&
         (o.manage_extranet.isEmpty() || o.manage_extranet.startsWith(QLatin1String("https:"))));
    http_server server(handlers, http_options);
    const int bound = server.bind(host, port);
    if (bound < 0) {
        std::fprintf(stderr,
                     "quorvel-server: cannot listen on %s: the address is in use (is another "
                     "server running?) or not available\n",
                     qPrintable(o.listen));
        return 1;
    }
    const QString base_url = QStringLiteral("http://%1:%2").arg(host).arg(bound);
    // Links name the address browsers can reach: not a wildcard one.
    if (!wildcard)
        handlers.set_listen_address(base_url);
    if (o.demo) {
        if (!seed_demo(store, files, base_url, &error) ||
            (o.demo_large && !seed_large_library(store, files, o.large_size[0], o.large_size[1],
                                                 o.large_size[2], &error))) {
            std::fprintf(stderr, "quorvel-server: demo library: %s\n", qPrintable(error));
            return 1;
        }
        int count = 0;
        const demo_account_t* accounts = demo_accounts(&count);
        for (int i = 0; i < count; ++i)
            std::printf("demo account: %s / %s (%s)\n", accounts[i].account, accounts[i].password,
                        accounts[i].role);
        print_demo_manage_link(store, o.manage_intranet.isEmpty() ? base_url : o.manage_intranet);
    }
    std::printf("listening on %s\n", qPrintable(base_url));
    std::fflush(stdout);

    running = &server;
    std::signal(SIGINT, on_stop_signal);
    std::signal(SIGTERM, on_stop_signal);
    const bool served = server.serve();
    running = nullptr;
    spdlog::info("stopped");
    return served ? 0 : 1;
}
