# The whole client for Windows (build-win/, scripts/build-win): MinGW-w64 with
# the static Qt and the libraries that scripts/win-prefix makes. Give
# QUORVEL_WIN_PREFIXES the two folders it prints.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVEL_WIN_PREFIXES)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${QUORVEL_WIN_PREFIXES})
set(CMAKE_PREFIX_PATH ${QUORVEL_WIN_PREFIXES})
# Qt's host tools (moc, rcc) live in the Qt prefix and run here.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config sees only the Windows libraries.
foreach(prefix IN LISTS QUORVEL_WIN_PREFIXES)
  list(APPEND quorvel_pc_dirs ${prefix}/lib/pkgconfig)
endforeach()
string(REPLACE ";" ":" quorvel_pc_dirs "${quorvel_pc_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${quorvel_pc_dirs}")
set(ENV{PKG_CONFIG_PATH} "")
