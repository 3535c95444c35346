# quorvel.exe cross-built with MinGW-w64 and the static Qt of scripts/win-prefix
# (toolchain cmake/mingw-w64-qt.cmake): one self-contained executable with
# the emoji images, Qt's Chinese texts and the pinyin readings beside it.

# No MinGW runtime DLLs beside the program.
add_link_options(-static -s)

# The pictures are drawn by the Linux build's icon_factory.
set(QUORVEL_HOST_ICON_FACTORY ${CMAKE_SOURCE_DIR}/build/bin/icon_factory CACHE FILEPATH
    "icon_factory of a Linux build, which draws the pictures")
if(NOT EXISTS ${QUORVEL_HOST_ICON_FACTORY})
  message(FATAL_ERROR "No ${QUORVEL_HOST_ICON_FACTORY}: build it first (scripts/build-win does)")
endif()
add_executable(icon_factory IMPORTED)
set_target_properties(icon_factory PROPERTIES IMPORTED_LOCATION ${QUORVEL_HOST_ICON_FACTORY})

# One compiler run per batch of sources: each would parse the same Qt, spdlog
# and fmt headers on its own, and the cross build is otherwise the longest
# step of the test command.
set(CMAKE_UNITY_BUILD ON)
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_UNITY_BUILD_BATCH_SIZE 16)
add_subdirectory(src)
# Small plain Win32 sources with helpers of the same names.
set_target_properties(quorvel_win_core PROPERTIES UNITY_BUILD OFF)
# Sources whose file-local helpers share a name with another's of the same
# library compile on their own.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/net/actions/category_actions.cpp
  DIRECTORY src/net/actions PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
set(ui_dir ${CMAKE_SOURCE_DIR}/src/ui)
set_source_files_properties(${ui_dir}/update/update_guide_widget.cpp ${ui_dir}/kb/new_script_widget.cpp
  ${ui_dir}/kb/transfer_category_widget.cpp ${ui_dir}/kb/transfer_script_widget.cpp
  DIRECTORY src/ui PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
set_target_properties(quorvel PROPERTIES WIN32_EXECUTABLE ON)

# Files the program reads beside itself: Qt's own texts in Chinese and the
# Mandarin readings of the script search (both from Debian packages of the
# Linux side: qttranslations5-l10n and unicode-data).
set(QUORVEL_WIN_DATA_FILES
  /usr/share/qt5/translations/qtbase_zh_CN.qm translations
  /usr/share/unicode/Unihan_Readings.txt.bz2 data)
set(data_outputs)
while(QUORVEL_WIN_DATA_FILES)
  list(POP_FRONT QUORVEL_WIN_DATA_FILES source folder)
  get_filename_component(file_name ${source} NAME)
  set(target_file ${CMAKE_BINARY_DIR}/bin/${folder}/${file_name})
  add_custom_command(OUTPUT ${target_file}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${target_file}
    DEPENDS ${source})
  list(APPEND data_outputs ${target_file})
endwhile()
add_custom_target(quorvel_win_data ALL DEPENDS ${data_outputs})

# The installer, quorvel-setup-VERSION.exe (NSIS, deploy/windows/quorvel.nsi).
find_program(QUORVEL_MAKENSIS makensis REQUIRED)
set(QUORVEL_NSIS_SCRIPT ${CMAKE_SOURCE_DIR}/deploy/windows/quorvel.nsi)
# quorvel_add_installer(<target> <program target> <version> <output file>)
function(quorvel_add_installer name program version output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${QUORVEL_MAKENSIS} -V2 -DVERSION=${version} -DPROGRAM=$<TARGET_FILE:${program}>
            -DSOURCE_DIR=${CMAKE_BINARY_DIR}/bin -DOUT_FILE=${output} ${QUORVEL_NSIS_SCRIPT}
    DEPENDS ${program} quorvel_win_data ${QUORVEL_NSIS_SCRIPT}
    COMMENT "Making ${output}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${output})
  if(TARGET quorvel_emoji)
    add_dependencies(${name} quorvel_emoji)
  endif()
endfunction()
quorvel_add_installer(quorvel_installer quorvel ${PROJECT_VERSION}
                      ${CMAKE_BINARY_DIR}/quorvel-setup-${PROJECT_VERSION}.exe)

# The same program stamped one version later, and its installer: what the
# update check under Wine offers (tests/win_client).
math(EXPR next_tweak "${PROJECT_VERSION_TWEAK} + 1")
set(QUORVEL_NEXT_VERSION
    ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${next_tweak})
string(REPLACE "." "," QUORVEL_VERSION_COMMAS "${QUORVEL_NEXT_VERSION}")
set(PROJECT_VERSION_SAVED ${PROJECT_VERSION})
set(PROJECT_VERSION ${QUORVEL_NEXT_VERSION})
configure_file(${CMAKE_SOURCE_DIR}/src/app/version.rc.in ${CMAKE_BINARY_DIR}/update-test/version.rc @ONLY)
set(PROJECT_VERSION ${PROJECT_VERSION_SAVED})
add_executable(quorvel_next WIN32 ${CMAKE_SOURCE_DIR}/src/main.cpp
                                  ${CMAKE_BINARY_DIR}/update-test/version.rc)
target_link_libraries(quorvel_next PRIVATE quorvel_ui quorvel_session quorvel_resources)
set_target_properties(quorvel_next PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/update-test)
quorvel_add_installer(quorvel_next_installer quorvel_next ${QUORVEL_NEXT_VERSION}
                      ${CMAKE_BINARY_DIR}/update-test/quorvel-setup-${QUORVEL_NEXT_VERSION}.exe)
