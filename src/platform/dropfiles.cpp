#include "platform/dropfiles.h"

#include <cstdint>

namespace quorvel::platform {

namespace {

void put32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void put16(std::vector<unsigned char>& out, char16_t value) {
    out.push_back(static_cast<unsigned char>(value & 0xff));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

} // namespace

std::vector<unsigned char> dropfiles_block(const std::vector<std::u16string>& paths) {
    std::vector<unsigned char> block;
    put32(block, 20); // offset of the file list
    put32(block, 0);  // drop point x
    put32(block, 0);  // drop point y
    put32(block, 0);  // not in the non-client area
    put32(block, 1);  // wide characters
    for (const std::u16string& path : paths) {
        for (char16_t c : path)
            put16(block, c);
        put16(block, 0);
    }
    put16(block, 0);
    return block;
}

} // namespace quorvel::platform
