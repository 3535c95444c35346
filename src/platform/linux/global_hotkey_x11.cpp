#include "platform/global_hotkey.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QX11Info>
#include <xcb/xcb.h>

// Xlib last: its macros break Qt headers.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace quorvel {

namespace {

bool grab_failed = false;

int trap_errors(Display*, XErrorEvent* error) {
    if (error->error_code == BadAccess)
        grab_failed = true;
    return 0;
}

unsigned int numlock_mask(Display* d) {
    unsigned int mask = 0;
    XModifierKeymap* map = XGetModifierMapping(d);
    const KeyCode numlock = XKeysymToKeycode(d, XK_Num_Lock);
    for (int mod = 0; map && numlock && mod < 8; ++mod)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[mod * map->max_keypermod + k] == numlock)
                mask = 1u << mod;
    if (map)
        XFreeModifiermap(map);
    return mask;
}

struct grab_t {
    KeyCode code;
    unsigned int modifiers;
    QPointer<global_hotkey> owner;
};

// Key presses of grabbed keys arrive on Qt's own connection.
class hotkey_filter : public QAbstractNativeEventFilter {
public:
    static hotkey_filter& instance() {
        static hotkey_filter filter;
        return filter;
    }

    int add(const grab_t& grab) {
        grabs_.insert(++next_, grab);
        if (!installed_ && QCoreApplication::instance()) {
            QCoreApplication::instance()->installNativeEventFilter(this);
            installed_ = true;
        }
        return next_;
    }
    grab_t take(int handle) { return grabs_.take(handle); }

    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        if (type != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & ~0x80) != XCB_KEY_PRESS)
            return false;
        auto* press = static_cast<xcb_key_press_event_t*>(message);
        const unsigned int ignored = LockMask | numlock_mask(QX11Info::display());
        const unsigned int state =
            press->state & ~ignored & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
        for (const grab_t& grab : grabs_) {
            if (grab.code == press->detail && grab.modifiers == state && grab.owner) {
                emit grab.owner->activated();
                return true;
            }
        }
        return false;
    }

private:
    QHash<int, grab_t> grabs_;
    int next_ = 0;
    bool installed_ = false;
};

bool key_of(const QKeySequence& sequence, KeyCode* code, unsigned int* modifiers) {
    if (sequence.isEmpty() || !QX11Info::isPlatformX11())
        return false;
    const int combined = sequence[0];
    const int key = combined & ~Qt::KeyboardModifierMask;
    KeySym sym = NoSymbol;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        sym = XK_a + (key - Qt::Key_A);
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        sym = XK_0 + (key - Qt::Key_0);
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        sym = XK_F1 + (key - Qt::Key_F1);
    if (sym == NoSymbol)
        return false;
    *code = XKeysymToKeycode(QX11Info::display(), sym);
    *modifiers = 0;
    if (combined & Qt::AltModifier)
        *modifiers |= Mod1Mask;
    if (combined & Qt::ControlModifier)
        *modifiers |= ControlMask;
    if (combined & Qt::ShiftModifier)
        *modifiers |= ShiftMask;
    if (combined & Qt::MetaModifier)
        *modifiers |= Mod4Mask;
    return *code != 0;
}

// Every lock-key variant, so the key works with NumLock and CapsLock on.
void grab_all(Display* d, KeyCode code, unsigned int modifiers, bool grab) {
    const unsigned int numlock = numlock_mask(d);
    for (unsigned int locks :
         {0u, static_cast<unsigned int>(LockMask), numlock, LockMask | numlock}) {
        if (grab)
            XGrabKey(d, code, modifiers | locks, DefaultRootWindow(d), True, GrabModeAsync,
                     GrabModeAsync);
        else
            XUngrabKey(d, code, modifiers | locks, DefaultRootWindow(d));
    }
}

} // namespace

bool global_hotkey::setRegistered(bool registered) {
    if (registered == registered_)
        return true;
    Display* d = QX11Info::isPlatformX11() ? QX11Info::display() : nullptr;
    if (!d)
        return false;
    if (!registered) {
        const grab_t grab = hotkey_filter::instance().take(handle_);
        grab_all(d, grab.code, grab.modifiers, false);
        XSync(d, False);
        registered_ = false;
        return true;
    }
    KeyCode code = 0;
    unsigned int modifiers = 0;
    if (!key_of(shortcut_, &code, &modifiers))
        return false;
    XSync(d, False);
    grab_failed = false;
    auto previous = XSetErrorHandler(trap_errors);
    grab_all(d, code, modifiers, true);
    XSync(d, False);
    XSetErrorHandler(previous);
    if (grab_failed) { // another program holds the key
        grab_all(d, code, modifiers, false);
        XSync(d, False);
        return false;
    }
    handle_ = hotkey_filter::instance().add(grab_t{code, modifiers, this});
    registered_ = true;
    return true;
}

} // namespace quorvel
