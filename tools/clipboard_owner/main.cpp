// Owns the clipboard as another program would: offers each given format
// with the bytes of a file, prints "owning" once it does and "lost" when
// another client takes the clipboard, and runs until it is killed.
//
//   clipboard_owner FORMAT=FILE [FORMAT=FILE ...]
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    auto* data = new QMimeData;
    for (const QString& argument : app.arguments().mid(1)) {
        const int split = argument.indexOf('=');
        QFile file(argument.mid(split + 1));
        if (split <= 0 || !file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot offer %s\n", qPrintable(argument));
            return 2;
        }
        data->setData(argument.left(split), file.readAll());
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data);
    QObject::connect(clipboard, &QClipboard::changed, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard())
            std::printf("lost\n"), std::fflush(stdout);
    });
    std::printf("owning\n");
    std::fflush(stdout);
    // Never outlive a test that forgot us.
    QTimer::singleShot(120000, &app, &QCoreApplication::quit);
    return app.exec();
}
