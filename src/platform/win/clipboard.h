#pragma once

#include <string>
#include <vector>

// Clipboard blocks written straight into global memory, so another process
// reads them without our help.
namespace quorvel::win32 {

// CF_UNICODETEXT: the UTF-16 text and its terminating zero. An empty text
// leaves the clipboard alone and returns false.
bool set_text(const std::wstring& text);
// CF_HDROP (a DROPFILES block) and "Preferred DropEffect" = 1 (copy),
// together. An empty list changes nothing and returns true.
bool set_files(const std::vector<std::wstring>& paths);
// The bytes under a registered format of the given name, alone.
bool set_bytes(const std::wstring& format_name, const std::string& bytes);

// A readable name for a clipboard format: "CF_…" for the standard ones, the
// registered name, or "format_<number>".
std::wstring clipboard_format_name(unsigned format);
// The format a name stands for (the reverse of clipboard_format_name); a name
// not seen before is registered. 0 when it cannot be.
unsigned clipboard_format_of(const std::wstring& name);

// One format of the clipboard, by name, with its bytes.
struct clipboard_block_t {
    std::wstring name;
    std::string bytes;
};

enum class read_result { ok, too_large, failed };

// Every format on the clipboard held in global memory, synthesized ones
// included (GDI handles are left out: their content comes back through the
// memory formats they are synthesized from). Above max_bytes in all, nothing
// is copied.
read_result read_all(size_t max_bytes, std::vector<clipboard_block_t>* blocks);
// Empties the clipboard and sets every block; an empty list only empties it.
bool write_all(const std::vector<clipboard_block_t>& blocks);
// Moves with every change of the clipboard, by any process.
unsigned long clipboard_sequence();

} // namespace quorvel::win32
