#pragma once

// Texts the client and quorvel-server both read in the library's own data
// (category names, script links, role keys) rather than in a request's codes.

namespace quorvel::protocol {

// The name of the public document category that holds the files attached to
// scripts; other categories whose name starts so are shared and unchangeable.
inline constexpr char attachments_marker[] = "{7B102D60-2316-4F07-8A66-B3AE3DEFA985}";

// A link to a file in a script: the file-store placeholder with the file's id,
// name and suffix in the query, or any address with only its name and suffix.
namespace file_link {
// The fixed address file-store links start with; stored scripts contain it,
// so it never changes, and it is never fetched.
inline constexpr char placeholder[] = "http://filestore.quorvel/download";
inline constexpr char id_key[] = "tovk_fileId";
inline constexpr char name_key[] = "tovk_name";
inline constexpr char suffix_key[] = "tovk_suffix";
} // namespace file_link

// A role key ending in this suffix makes its holder a manager (of the
// departments where it is held).
inline constexpr char manager_key_suffix[] = "zz";
template <class text_t> bool is_manager_key(const text_t& role_key) {
    return role_key.endsWith(text_t::fromLatin1(manager_key_suffix));
}

// The supported-applications list: "name=identifier,identifier" entries. An
// identifier is a pattern, matched without case, in which '*' stands for any
// text and every other character for itself. A plain one is held against the
// window's class and its title (the window counts when both are matched); a
// prefixed one against one of them alone.
namespace app_identifier {
inline constexpr char class_prefix[] = "class:";
inline constexpr char title_prefix[] = "title:";
inline constexpr char wildcard = '*';
inline constexpr char separator = ',';
// Longer than any class name or title the systems give.
inline constexpr int max_length = 260;
} // namespace app_identifier

} // namespace quorvel::protocol
