#pragma once

#include "model/records.h"

namespace quorvel {

// What the start-up check does with the offered version.
enum class startup_update_t { none, notify, download };

// Nothing unless the offered version is newer and (unless forced) not the
// ignored one; notify when its installer is already here and whole,
// otherwise download it first.
startup_update_t startup_update_step(const version_update_info_spt& info);

// Whether the user asked not to be reminded until later; a forced update is
// always due.
bool update_reminder_due(const version_update_info_t& info);

} // namespace quorvel
