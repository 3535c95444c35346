#pragma once

namespace quorvel::platform {

// From now on, files and folders this process creates are open to the user
// alone where permission bits decide that (Linux: umask 077). On Windows the
// profile's access lists already keep the data folder private: nothing to do.
void keep_new_files_private();

// Whether permission bits are what keeps other users out of the data folder,
// so that folders and files made by earlier runs need tightening.
bool permission_bits_guard_files();

} // namespace quorvel::platform
