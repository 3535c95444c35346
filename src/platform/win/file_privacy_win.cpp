#include "platform/file_privacy.h"

namespace quorvel::platform {

void keep_new_files_private() {}

bool permission_bits_guard_files() {
    return false;
}

} // namespace quorvel::platform
