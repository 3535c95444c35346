# The desk client's packages, built apart from the server's with
#   cpack --config CPackClientConfig.cmake      (in the build folder)
# or the target client_package: a .deb for administrators and a
# self-extracting installer script (.sh) that the update starts as
#   quorvel_<version>_installer.sh --skip-license --exclude-subdir --prefix=<folder>
set(client_dir ${CMAKE_SOURCE_DIR}/deploy/client)
install(TARGETS quorvel RUNTIME DESTINATION bin COMPONENT client)
# The emoji picker reads "data/emoji/" beside the program.
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/data/emoji DESTINATION bin/data COMPONENT client
  OPTIONAL)
install(FILES ${client_dir}/quorvel.desktop DESTINATION share/applications COMPONENT client)
install(FILES ${CMAKE_BINARY_DIR}/pictures/images/icon/logo.png
  DESTINATION share/icons/hicolor/256x256/apps RENAME quorvel.png COMPONENT client)

set(client_config ${CMAKE_BINARY_DIR}/CPackClientConfig.cmake)
file(WRITE ${client_config} "# Written by cmake/quorvel_client_package.cmake
set(CPACK_GENERATOR \"DEB;STGZ\")
set(CPACK_INSTALL_CMAKE_PROJECTS \"${CMAKE_BINARY_DIR};quorvel;client;/\")
set(CPACK_CMAKE_GENERATOR \"${CMAKE_GENERATOR}\")
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_CONTACT \"Quorvel <ops@quorvel.invalid>\")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY \"Quorvel reply assistant for customer service\")
set(CPACK_PACKAGE_DESCRIPTION \"Docks beside the chat applications and sends canned replies, stickers and documents from the shared Quorvel library.\")
set(CPACK_PACKAGE_FILE_NAME quorvel-${PROJECT_VERSION}-Linux)
set(CPACK_OUTPUT_CONFIG_FILE ${client_config})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/client-package)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/deploy/client/LICENSE.txt)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by Qt at run time, out of dpkg-shlibdeps's sight.
set(CPACK_DEBIAN_PACKAGE_DEPENDS \"libqt5gui5, fonts-noto-cjk\")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The .deb goes under /usr; the installer script into the folder it is given.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/quorvel_client_generator.cmake)
")
add_custom_target(client_package
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${client_config}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS quorvel quorvel_resources
  COMMENT "Packaging the client"
  VERBATIM)
if(TARGET quorvel_emoji)
  add_dependencies(client_package quorvel_emoji)
endif()
