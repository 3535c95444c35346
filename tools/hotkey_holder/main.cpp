// Holds a global hotkey until it is killed, so tests can see a taken key
// refused. Prints "holding" once the key is registered.
//   hotkey_holder alt+q
#include "platform/global_hotkey.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    quorvel::global_hotkey key;
    if (!key.setShortcut(QKeySequence(QString::fromLocal8Bit(argc > 1 ? argv[1] : "alt+q")), true))
        return 1;
    std::puts("holding");
    std::fflush(stdout);
    return app.exec();
}
