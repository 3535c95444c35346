// Start-up to the main window, online (login, synchronisation with every
// file already cached) or offline (the server down: the login finds it
// unreachable, checks the password hash and opens the saved library).
//   offline_start_bench online|offline BASE_URL ACCOUNT PASSWORD
// Prints one line: the mode, the milliseconds to the shown main window and,
// offline, where they went.
#include "integration/current_desktop.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/request_center.h"
#include "net/sign_in.h"
#include "platform/fake/fake_desktop.h"
#include "resources/resources.h"
#include "session/offline_session.h"
#include "sync/library_file.h"
#include "sync/password_hash.h"
#include "ui/main_widget.h"
#include "ui/sync_data_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>

using namespace quorvel;

namespace {

QElapsedTimer clock_;
qint64 shown_ms = -1;

QWidget* show_main() {
    auto* main = new main_widget;
    main->show();
    QCoreApplication::processEvents();
    shown_ms = clock_.elapsed();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return nullptr; // shown here already
}

void online(const QString& account, const QString& password) {
    sign_in(account, password, qApp, [account, password](const login_outcome_t& outcome) {
        if (!outcome.ok()) {
            std::fputs("login failed\n", stderr);
            QCoreApplication::exit(1);
            return;
        }
        request_center::instance()->get_login_info(
            QString(), qApp,
            [account, password](const user_login_info_spt& profile) {
                session_state::instance().set_login_user(profile);
                offline_session::instance().remember_login(account, password);
                auto* sync = new sync_data_widget;
                offline_session::instance().watch(sync->synchronisation());
                sync->show();
            },
            [](const QString&) { QCoreApplication::exit(1); });
    });
}

void offline(const QString& account, const QString& password) {
    sign_in(account, password, qApp, [account, password](const login_outcome_t& outcome) {
        if (outcome.failure != login_failure::unreachable) {
            std::fputs("the server answered: stop it first\n", stderr);
            QCoreApplication::exit(1);
            return;
        }
        const qint64 refused = clock_.elapsed();
        if (offline_session::instance().check(account, password) !=
            offline_session::access::allowed) {
            std::fputs("no saved library for this account and password\n", stderr);
            QCoreApplication::exit(1);
            return;
        }
        const qint64 checked = clock_.elapsed();
        if (!offline_session::instance().start_offline(account, password)) {
            QCoreApplication::exit(1);
            return;
        }
        const qint64 loaded = clock_.elapsed();
        show_main();
        std::printf("offline parts: unreachable after %lld ms, password hash check %lld ms, "
                    "library load %lld ms, main window %lld ms\n",
                    static_cast<long long>(refused), static_cast<long long>(checked - refused),
                    static_cast<long long>(loaded - checked),
                    static_cast<long long>(shown_ms - loaded));
    });
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 5) {
        std::fputs("usage: offline_start_bench online|offline BASE_URL ACCOUNT PASSWORD\n", stderr);
        return 2;
    }
    qputenv("QUORVEL_BASE_URL", argv[2]);
    register_meta_types();
    QApplication app(argc, argv);
    init_resources();
    spdlog::set_default_logger(
        std::make_shared<spdlog::logger>("bench", std::make_shared<spdlog::sinks::null_sink_mt>()));
    platform::fake_desktop desktop;
    set_current_desktop(&desktop);
    sync_data_widget::set_main_window_factory(show_main);

    const QString mode = QString::fromUtf8(argv[1]);
    const QString account = QString::fromUtf8(argv[3]);
    const QString password = QString::fromUtf8(argv[4]);
    clock_.start();
    if (mode == QLatin1String("online"))
        online(account, password);
    else
        offline(account, password);
    const int result = app.exec();
    if (result != 0 || shown_ms < 0)
        return 1;
    // One save of the whole library: the snapshot is what the GUI thread
    // pays, the write happens on the saver's thread.
    QElapsedTimer save_clock;
    save_clock.start();
    const library_snapshot snapshot = library_snapshot::of(data_center::instance());
    const qint64 snapshot_ms = save_clock.restart();
    library_file(library_file::path_for(account)).save(snapshot);
    const qint64 write_ms = save_clock.elapsed();
    const QFileInfo file(library_file::path_for(account));
    std::printf("%s start to the main window: %lld ms; saved library %lld KiB, one save: "
                "snapshot %lld ms on the GUI thread, write %lld ms on the saver's thread\n",
                qPrintable(mode), static_cast<long long>(shown_ms),
                static_cast<long long>(file.size() / 1024), static_cast<long long>(snapshot_ms),
                static_cast<long long>(write_ms));
    return 0;
}
