#include "app/app_paths.h"
#include "app/logger.h"
#include "app/qt_translations.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "model/records.h"
#include "platform/crash_dump.h"
#include "resources/resources.h"
#include "sync/sync_data_widget.h"
#include "ui/login_widget.h"
#include "ui/main_widget.h"

#include <QApplication>

using namespace quorvel;

int main(int argc, char* argv[]) {
    // Any argument: register or unregister autorun, then leave without a window.
    if (argc != 1)
        return run_registration(argv[1], argv[0]);

    init_logger();
    platform::install_crash_handlers(app_paths::instance().crash_dir().toStdString());

    single_instance lock;
    if (!lock.acquire())
        return 1;

    register_meta_types();
    QCoreApplication::setApplicationName(QStringLiteral("quorvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    int result = 0;
    {
        QApplication app(argc, argv);
        init_resources();
        install_qt_translations(&app);
        app.setStyleSheet(QStringLiteral("QToolTip { font-size: 11pt; white-space: pre-wrap;}"));

        sync_data_widget::set_main_window_factory([] { return new main_widget; });
        auto* login = new login_widget;
        QObject::connect(login, &login_widget::login_success,
                         [] { (new sync_data_widget)->show(); });
        login->setAttribute(Qt::WA_DeleteOnClose);
        login->show();

        result = app.exec();
        shutdown_logging();
    }
    return result;
}
