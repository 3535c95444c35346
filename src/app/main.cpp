#include "app/app_paths.h"
#include "app/logger.h"
#include "model/records.h"
#include "platform/crash_dump.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <spdlog/spdlog.h>

using namespace quorvel;

int main(int argc, char* argv[]) {
    init_logger();
    platform::install_crash_handlers(app_paths::instance().crash_dir().toStdString());

    register_meta_types();
    QApplication app(argc, argv);
    app.setStyleSheet(QStringLiteral("QToolTip { font-size: 11pt; white-space: pre-wrap;}"));
    spdlog::info("quorvel started, data root: {}", app_paths::instance().root().toStdString());

    // Stands in for the login dialog until it exists.
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quorvel"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Quorvel 话术助手"), &window));
    layout->addWidget(
        new QLabel(QStringLiteral("数据目录：%1").arg(app_paths::instance().root()), &window));
    window.resize(430, 370);
    window.show();

    const int result = app.exec();
    spdlog::info("quorvel exiting with {}", result);
    shutdown_logging();
    return result;
}
