#pragma once

#include "platform/autorun.h"

#include <vector>

namespace quorvel::platform {

// An autorun state in memory: records every request; a request fails with
// `fail_with` when that is set, else it changes the state.
class fake_autorun : public autorun_switch {
public:
    bool enabled() override { return state; }
    autorun_change_t request(bool enable) override;

    bool state = false;
    unsigned long fail_with = 0;
    std::vector<bool> requests;
};

} // namespace quorvel::platform
