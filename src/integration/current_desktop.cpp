#include "integration/current_desktop.h"

namespace quorvel {

namespace {

platform::desktop* override_desktop = nullptr;

} // namespace

platform::desktop& current_desktop() {
    if (override_desktop)
        return *override_desktop;
    static const std::unique_ptr<platform::desktop> system = platform::create_desktop();
    return *system;
}

void set_current_desktop(platform::desktop* desktop) {
    override_desktop = desktop;
}

} // namespace quorvel
