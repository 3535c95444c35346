#pragma once

#include <string>

namespace quorvel::platform {

// Where objects private to the current user's login session live, so that
// users sharing a machine (terminal servers) never see each other's.
// Linux: XDG_RUNTIME_DIR when set to an absolute path, else /run/user/<uid>
// when it exists, else a folder of our own in the user's data folder.
// Windows: the user's own temporary folder. UTF-8, no trailing slash; the
// folder exists (created for the user only) unless it cannot be made.
std::string session_runtime_dir();

// The name under which a local socket (QLocalServer, QLocalSocket) is found
// only from within this session: a socket path in session_runtime_dir() on
// Linux; on Windows, where pipe names are machine-wide, a pipe name carrying
// the session id and the user name. base: a plain ASCII name.
std::string session_socket_name(const std::string& base);

} // namespace quorvel::platform
