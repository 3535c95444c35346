#include "platform/file_privacy.h"

#include <sys/stat.h>

namespace quorvel::platform {

void keep_new_files_private() {
    umask(S_IRWXG | S_IRWXO);
}

bool permission_bits_guard_files() {
    return true;
}

} // namespace quorvel::platform
