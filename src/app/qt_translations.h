#pragma once

#include <QCoreApplication>

namespace quorvel {

// Installs Qt's own Chinese texts (standard buttons such as "确定", the
// common dialogs) into the application. Looks in Qt's translations folder,
// then in "translations" beside the program. False when none was found: Qt
// then keeps its English texts.
bool install_qt_translations(QCoreApplication* app);

} // namespace quorvel
