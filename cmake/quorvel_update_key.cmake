# The update public key compiled into the client.
#   quorvel_update_key_hex(<var> <text>): <text> is 64 hex digits or a file
#   holding them; <var> gets the digits in lower case, or configuring stops.
# As a script (cmake -DKEY_FILE=... -DOUTPUT=... -P quorvel_update_key.cmake)
# it writes the source of update_public_key() from a key file, at build time.

function(quorvel_update_key_hex var text)
  set(key "${text}")
  if(EXISTS "${text}")
    file(READ "${text}" key)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${text}")
  endif()
  string(STRIP "${key}" key)
  string(TOLOWER "${key}" key)
  if(NOT key MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "QUORVEL_UPDATE_PUBLIC_KEY: 64 hexadecimal digits, or a file holding them")
  endif()
  string(LENGTH "${key}" length)
  if(NOT length EQUAL 64)
    message(FATAL_ERROR "QUORVEL_UPDATE_PUBLIC_KEY: 64 hexadecimal digits, or a file holding them")
  endif()
  set(${var} "${key}" PARENT_SCOPE)
endfunction()

function(quorvel_write_update_key hex output)
  set(content "// Made by the build from the update public key; do not edit.
#include \"signing/update_public_key.h\"

namespace quorvel {

QByteArray update_public_key() {
    return QByteArray::fromHex(\"${hex}\");
}

} // namespace quorvel
")
  if(EXISTS "${output}")
    file(READ "${output}" old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE "${output}" "${content}")
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND KEY_FILE AND OUTPUT)
  quorvel_update_key_hex(hex "${KEY_FILE}")
  quorvel_write_update_key("${hex}" "${OUTPUT}")
endif()
