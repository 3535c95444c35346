# The operators' Debian package of quorvel-server (cpack -G DEB in the build
# folder): the server, its systemd unit, its settings file and its user.
set(pkg ${CMAKE_SOURCE_DIR}/deploy/package)
install(TARGETS quorvel-server RUNTIME DESTINATION bin)
install(FILES ${pkg}/quorvel-server.service DESTINATION lib/systemd/system)
install(FILES ${pkg}/sysusers.conf DESTINATION lib/sysusers.d RENAME quorvel-server.conf)
install(FILES ${pkg}/quorvel-server.conf DESTINATION /etc/quorvel)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/deploy/multi-instance.sh
  DESTINATION share/quorvel-server/examples)

set(CPACK_GENERATOR DEB)
# Only the rules without a component: the client has its own packages.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
set(CPACK_PACKAGE_NAME quorvel-server)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvel <ops@quorvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quorvel reply library server")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its database drivers at run time, out of dpkg-shlibdeps's sight.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5sql5-sqlite, libqt5sql5-psql, adduser")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "postgresql, nginx")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${pkg}/postinst;${pkg}/prerm;${pkg}/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
