// Owns the clipboard as another program would: offers each given format
// with the bytes of a file, prints "owning" once it does and "lost" when
// another client takes the clipboard, and runs until it is killed. Each line
// on its standard input makes it take the clipboard again.
//
//   clipboard_owner FORMAT=FILE [FORMAT=FILE ...]
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

QList<QPair<QString, QByteArray>> formats;

void offer() {
    auto* data = new QMimeData;
    for (const auto& [name, bytes] : formats)
        data->setData(name, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
    std::printf("owning\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    for (const QString& argument : app.arguments().mid(1)) {
        const int split = argument.lastIndexOf('='); // format names may hold '='
        QFile file(argument.mid(split + 1));
        if (split <= 0 || !file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot offer %s\n", qPrintable(argument));
            return 2;
        }
        formats.append({argument.left(split), file.readAll()});
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::changed, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard())
            std::printf("lost\n"), std::fflush(stdout);
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            input.setEnabled(false);
        else
            offer();
    });
    offer();
    // Never outlive a test that forgot us.
    QTimer::singleShot(120000, &app, &QCoreApplication::quit);
    return app.exec();
}
