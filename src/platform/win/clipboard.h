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

// A readable name for a clipboard format: "CF_…" for the standard ones used
// here, the registered name, or "format_<number>".
std::wstring clipboard_format_name(unsigned format);

} // namespace quorvel::win32
