// Global hotkeys on Windows: RegisterHotKey for the GUI thread, WM_HOTKEY
// picked out of Qt's message stream.
#include "platform/global_hotkey.h"

#include "platform/win/hotkeys.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>

namespace quorvel {

namespace {

class hotkey_filter : public QAbstractNativeEventFilter {
public:
    static hotkey_filter& instance() {
        static hotkey_filter filter;
        return filter;
    }

    int add(global_hotkey* owner) {
        owners_.insert(++next_, owner);
        if (!installed_ && QCoreApplication::instance()) {
            QCoreApplication::instance()->installNativeEventFilter(this);
            installed_ = true;
        }
        return next_;
    }
    void remove(int id) { owners_.remove(id); }

    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        if (type != "windows_generic_MSG")
            return false;
        const int id = win32::hotkey_id(message);
        const QPointer<global_hotkey> owner = owners_.value(id);
        if (id < 0 || !owner)
            return false;
        emit owner->activated();
        return true;
    }

private:
    QHash<int, QPointer<global_hotkey>> owners_;
    int next_ = 0;
    bool installed_ = false;
};

// Letters and digits have the same codes as their virtual keys.
bool key_of(const QKeySequence& sequence, unsigned* vk, unsigned* modifiers) {
    if (sequence.isEmpty())
        return false;
    const int combined = sequence[0];
    const int key = combined & ~Qt::KeyboardModifierMask;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        *vk = static_cast<unsigned>(key);
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        *vk = 0x70u + static_cast<unsigned>(key - Qt::Key_F1);
    else
        return false;
    *modifiers = 0;
    if (combined & Qt::AltModifier)
        *modifiers |= win32::mod_alt;
    if (combined & Qt::ControlModifier)
        *modifiers |= win32::mod_control;
    if (combined & Qt::ShiftModifier)
        *modifiers |= win32::mod_shift;
    if (combined & Qt::MetaModifier)
        *modifiers |= win32::mod_win;
    return true;
}

} // namespace

bool global_hotkey::setRegistered(bool registered) {
    if (registered == registered_)
        return true;
    if (!registered) {
        win32::unregister_hotkey(handle_);
        hotkey_filter::instance().remove(handle_);
        registered_ = false;
        return true;
    }
    unsigned vk = 0, modifiers = 0;
    if (!key_of(shortcut_, &vk, &modifiers))
        return false;
    const int id = hotkey_filter::instance().add(this);
    if (win32::register_hotkey(id, modifiers, vk) != 0) { // another program holds the key
        hotkey_filter::instance().remove(id);
        return false;
    }
    handle_ = id;
    registered_ = true;
    return true;
}

} // namespace quorvel
