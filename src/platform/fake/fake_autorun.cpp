#include "platform/fake/fake_autorun.h"

namespace quorvel::platform {

autorun_change_t fake_autorun::request(bool enable) {
    requests.push_back(enable);
    if (fail_with != 0)
        return {false, fail_with};
    state = enable;
    return {true, 0};
}

} // namespace quorvel::platform
