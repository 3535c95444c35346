#include "platform/desktop.h"

namespace quorvel::platform {

void desktop::paste_chord() {
    key(key_t::control, true);
    key(key_t::v, true);
    key(key_t::v, false);
    key(key_t::control, false);
}

void desktop::enter() {
    key(key_t::enter, true);
    key(key_t::enter, false);
}

void desktop::ctrl_enter() {
    key(key_t::control, true);
    enter();
    key(key_t::control, false);
}

} // namespace quorvel::platform
