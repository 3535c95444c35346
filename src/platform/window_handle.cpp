#include "platform/window_handle.h"

#include <QMetaType>

namespace quorvel::platform {

void register_window_handle_type() {
    qRegisterMetaType<window_handle_t>("HWND");
    qRegisterMetaType<window_handle_t>("window_handle_t");
    qRegisterMetaType<window_handle_t>("quorvel::window_handle_t");
}

} // namespace quorvel::platform
