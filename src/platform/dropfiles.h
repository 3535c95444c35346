#pragma once

#include <string>
#include <vector>

namespace quorvel::platform {

// The CF_HDROP block of a file copy: a 20-byte DROPFILES header (file list at
// offset 20, drop point 0,0, not non-client, wide) and each path in UTF-16
// with its terminating zero, then one more zero.
std::vector<unsigned char> dropfiles_block(const std::vector<std::u16string>& paths);

} // namespace quorvel::platform
