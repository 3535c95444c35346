#include "platform/global_hotkey.h"

// The part every system shares; setRegistered() is each system's own.
namespace quorvel {

global_hotkey::global_hotkey(QObject* parent) : QObject(parent) {}

global_hotkey::~global_hotkey() {
    setRegistered(false);
}

bool global_hotkey::setShortcut(const QKeySequence& shortcut, bool autoRegister) {
    setRegistered(false);
    shortcut_ = shortcut;
    return autoRegister ? setRegistered(true) : true;
}

} // namespace quorvel
