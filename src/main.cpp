#include "app/app_paths.h"
#include "app/logger.h"
#include "app/qt_translations.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "model/records.h"
#include "platform/crash_dump.h"
#include "platform/file_privacy.h"
#include "platform/termination.h"
#include "platform/window_handle.h"
#include "resources/resources.h"
#include "session/session.h"
#include "ui/session_windows.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <spdlog/spdlog.h>

using namespace quorvel;

namespace {

// The lock is held but nobody answers, or there is no lock to take: say so.
int refuse_start(const single_instance& lock) {
    const QString text =
        lock.lock_taken()
            ? QStringLiteral(
                  "Quorvel 已在运行，但没有响应（%1）。请结束正在运行的 Quorvel 后再启动。")
                  .arg(lock.failure_reason())
            : QStringLiteral("Quorvel 无法启动：单实例锁不可用（%1）。").arg(lock.failure_reason());
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    QMessageBox::warning(nullptr, QStringLiteral("Quorvel"), text);
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    // Any argument: register or unregister autorun, then leave without a window.
    if (argc != 1)
        return run_registration(argv[1], argv[0]);

    // The data folder holds the offline library, logs and cached files: the
    // user's alone, also what earlier runs left more open.
    platform::keep_new_files_private();
    const bool data_private =
        !platform::permission_bits_guard_files() || app_paths::instance().make_private();
    init_logger();
    route_qt_messages();
    if (!data_private)
        spdlog::warn("some entries of the data folder could not be made private");
    platform::install_crash_handlers(app_paths::instance().crash_dir().toStdString());

    single_instance lock;
    if (!lock.take_lock()) {
        // A second start: the running instance comes forward, exit code 1.
        QApplication app(argc, argv);
        if (lock.lock_taken() && lock.ask_running_instance())
            std::fprintf(stderr, "Quorvel is already running; its window was brought up.\n");
        else
            refuse_start(lock);
        shutdown_logging();
        return 1;
    }

    platform::register_window_handle_type();
    register_meta_types();
    QCoreApplication::setApplicationName(QStringLiteral("quorvel"));
    int result = 0;
    {
        QApplication app(argc, argv);
        // Qt reads the version from the executable's version resource where
        // there is one (Windows); elsewhere it is this build's.
        if (QCoreApplication::applicationVersion().isEmpty())
            QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
        // The session owns what follows: login, synchronisation, main window,
        // log-out, offline work and the quit.
        session_windows windows;
        session user_session(windows);
        // SIGTERM and the like: end as "退出" does, without a crash dump.
        platform::install_termination_handler([&user_session] {
            spdlog::info("termination requested, quitting");
            user_session.quit();
            QCoreApplication::quit();
        });
        lock.listen();
        // A second start asked for us: bring back what this run shows now.
        QObject::connect(&lock, &single_instance::show_requested, &user_session,
                         &session::bring_forward);
        init_resources();
        install_qt_translations(&app);
        app.setStyleSheet(QStringLiteral("QToolTip { font-size: 11pt; white-space: pre-wrap;}"));

        user_session.start();

        result = app.exec();
        spdlog::info("event loop ended with {}", result);
        shutdown_logging();
    }
    return result;
}
