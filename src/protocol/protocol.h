#pragma once

// The protocol vocabulary shared by the client and quorvel-server: business
// types, library parts, "operateType" codes per endpoint, envelope codes and
// network types. Both sides take these names; no bare literal of them is
// written anywhere else.

namespace quorvel::protocol {

// "clientBusinessType" / a category's business type.
namespace business {
inline constexpr char stickers[] = "300";
inline constexpr char scripts[] = "310";
inline constexpr char documents[] = "320";
} // namespace business

// Library parts ("classifyType"): public, personal, department.
enum class part : int { pub = 0, personal = 1, dept = 2 };
inline constexpr int part_count = 3;
inline constexpr char part_pub[] = "0";
inline constexpr char part_personal[] = "1";
inline constexpr char part_dept[] = "2";
// A part as the requests write it.
inline constexpr const char* part_text(part p) {
    return p == part::pub ? part_pub : p == part::personal ? part_personal : part_dept;
}

// A document's "fileType": an address in "fileContent", or a file-store file
// under "fileId". Other values name no file.
namespace file_type {
inline constexpr char address[] = "0";
inline constexpr char stored[] = "3";
// In a document query: documents of every type.
inline constexpr char any[] = "0";
} // namespace file_type

// A sticker's "emojiType": an image address in "emojiContent", or a
// file-store file under "fileId". Other values have no image.
namespace sticker_type {
inline constexpr char address[] = "2";
inline constexpr char stored[] = "3";
} // namespace sticker_type

// "operateType" of routes::edit_category.
namespace edit_category {
inline constexpr char rename[] = "0";
inline constexpr char remove[] = "1";
inline constexpr char copy[] = "2";
inline constexpr char move[] = "3";
} // namespace edit_category

// "operateType" of routes::edit_script.
namespace edit_script {
inline constexpr char change[] = "0";
inline constexpr char remove[] = "1";
inline constexpr char copy[] = "3";
inline constexpr char move[] = "4";
} // namespace edit_script

// "operateType" of routes::edit_sticker.
namespace edit_sticker {
inline constexpr char change[] = "0";
inline constexpr char remove[] = "1";
inline constexpr char copy[] = "2";
inline constexpr char move[] = "3";
} // namespace edit_sticker

// "operateType" of routes::edit_doc.
namespace edit_document {
inline constexpr char change[] = "0";
inline constexpr char copy[] = "1";
inline constexpr char move[] = "2";
inline constexpr char remove[] = "3";
inline constexpr char to_top[] = "4";
inline constexpr char to_bottom[] = "5";
} // namespace edit_document

// Envelope "code" values.
namespace codes {
inline constexpr int ok = 200;
inline constexpr int bad_request = 400;
inline constexpr int login_failed = 401;
inline constexpr int forbidden = 403;
inline constexpr int not_found = 404;
inline constexpr int too_large = 413;
inline constexpr int internal = 500;
inline constexpr int busy = 503;
inline constexpr int token_invalid = 4401;
// Codes above this one mean the login has expired: the client asks for a
// new login.
inline constexpr int relogin_above = 4399;
inline constexpr bool asks_relogin(int code) {
    return code > relogin_above;
}
} // namespace codes

// "requestNetworkType".
namespace network {
inline constexpr char intranet[] = "QRV_INTRANET";
inline constexpr char extranet[] = "QRV_EXTRANET";
} // namespace network

// "os" of routes::check_version: whose installer is offered; a request
// without it is a Windows build's.
namespace update_os {
inline constexpr char windows[] = "windows";
inline constexpr char linux_os[] = "linux";
} // namespace update_os

// An update's "latestVersion": dotted decimal numbers ("1.2.0.3"), since the
// client names the installer's file after it. Both sides refuse anything else.
// The whole text must match (QRegularExpression::anchoredPattern).
inline constexpr char update_version_pattern[] = "[0-9]{1,9}(\\.[0-9]{1,9}){0,9}";
// The largest installer a client downloads.
inline constexpr long long max_installer_bytes = 1LL << 30;

} // namespace quorvel::protocol
