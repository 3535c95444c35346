# Fails when a source file includes a layer it may not call (docs/design.md,
# "Who may call whom"), or when an OS header or OS macro appears outside
# src/platform/. Reads #include lines only. src/main.cpp, at the top of src/,
# builds the program from every layer and belongs to none.
#   cmake -DROOT=<source dir> -P cmake/check_layers.cmake
cmake_minimum_required(VERSION 3.16)
if(NOT ROOT)
  get_filename_component(ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
endif()

# The layers each folder may include besides its own.
set(layers app model net sync integration session ui platform protocol pinyin resources)
set(allowed_app platform protocol)
set(allowed_model protocol)
set(allowed_net model app protocol)
set(allowed_sync net model app platform protocol)
set(allowed_integration sync net model app platform protocol)
set(allowed_session integration sync net model app platform protocol)
set(allowed_ui session integration sync net model app platform protocol pinyin resources)
set(allowed_platform protocol)
set(allowed_protocol)
set(allowed_pinyin)
set(allowed_resources)
set(allowed_server protocol pinyin)
set(allowed_tools platform protocol)
set(allowed_top ${layers})

# Known exceptions, each to be moved by its own change.
# The link rules are read by the cache; they belong in model/.
set(exempt_src/sync/cache_manager.cpp integration)

set(os_header_regex "#[ \t]*include[ \t]*<(windows|win[a-z0-9]*|shlobj|objbase|X11/|xcb/|unistd|sys/|dlfcn|pwd|fcntl)")
set(os_macro_regex "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif).*(Q_OS_|_WIN32|_WIN64|__linux|__APPLE__|__unix)")

file(GLOB_RECURSE files RELATIVE "${ROOT}"
  "${ROOT}/src/*.h" "${ROOT}/src/*.cpp"
  "${ROOT}/server/*.h" "${ROOT}/server/*.cpp"
  "${ROOT}/tools/*.h" "${ROOT}/tools/*.cpp")

set(faults "")
foreach(file IN LISTS files)
  if(file MATCHES "^src/([a-z_]+)/")
    set(layer "${CMAKE_MATCH_1}")
  elseif(file MATCHES "^(server|tools)/")
    set(layer "${CMAKE_MATCH_1}")
  elseif(file STREQUAL "src/main.cpp")
    set(layer top)
  else()
    continue()
  endif()
  file(STRINGS "${ROOT}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"([a-z_]+)/" _ "${line}")
    set(target "${CMAKE_MATCH_1}")
    if(target STREQUAL layer OR NOT target IN_LIST layers)
      continue()
    endif()
    if(target IN_LIST allowed_${layer} OR target IN_LIST exempt_${file})
      continue()
    endif()
    string(STRIP "${line}" line)
    list(APPEND faults "${file}: ${layer}/ may not include ${target}/: ${line}")
  endforeach()

  if(NOT file MATCHES "^(src/platform|tools)/")
    file(STRINGS "${ROOT}/${file}" os_lines REGEX "${os_header_regex}")
    file(STRINGS "${ROOT}/${file}" os_macros REGEX "${os_macro_regex}")
    foreach(line IN LISTS os_lines os_macros)
      string(STRIP "${line}" line)
      list(APPEND faults "${file}: OS header or macro outside src/platform/: ${line}")
    endforeach()
  endif()
endforeach()

list(LENGTH files count)
if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "includes against the layers:\n${text}")
endif()
message(STATUS "layers: ${count} files, every include goes the allowed way")
