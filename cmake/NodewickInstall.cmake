# Installing as a desktop application (freedesktop layout under the prefix) and the Debian package
# made from that installation by CPack: cpack -G DEB in the build directory.
include(GNUInstallDirs)

set(_pkg ${PROJECT_SOURCE_DIR}/packaging)
set(_art ${PROJECT_SOURCE_DIR}/src/ui/art)
set(_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/nodewick)
# Debian's policy asks for 755 directories, whatever the umask of whoever builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS nodewick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_pkg}/${NODEWICK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${_pkg}/${NODEWICK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
foreach(_size 16 24 32 48 64 128 256)
  install(FILES ${_art}/app-${_size}.png
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${_size}x${_size}/apps
    RENAME ${NODEWICK_APP_ID}.png)
endforeach()
install(FILES ${_art}/src/app.svg
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
  RENAME ${NODEWICK_APP_ID}.svg)

# The manual page and the changelog go compressed, without a time stamp, as Debian ships them.
add_custom_command(OUTPUT nodewick.1.gz changelog.gz
  COMMAND gzip -9nc ${_pkg}/nodewick.1 > nodewick.1.gz
  COMMAND gzip -9nc ${_pkg}/changelog > changelog.gz
  DEPENDS ${_pkg}/nodewick.1 ${_pkg}/changelog
  VERBATIM)
add_custom_target(nodewick_docs ALL DEPENDS nodewick.1.gz changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/nodewick.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz ${_pkg}/copyright DESTINATION ${_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nodewick)
set(CPACK_PACKAGE_VENDOR "The Nodewick developers")
set(CPACK_PACKAGE_CONTACT "The Nodewick developers <support@nodewick.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "LAN scanner for the desktop")
# The package's long description, in lines short enough for apt's listing.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Nodewick probes a range of addresses one at a time and lists every host that"
  "answers, with the host's name, its MAC address and its workgroup or domain."
  "Quick mode asks each address for its NetBIOS node status; Thorough mode pings"
  "each address and looks up the name and the MAC address of every host that"
  "answers. It also offers a Ping dialog, the local host's names and addresses,"
  "and saving and printing the results.")
set(CPACK_PACKAGE_HOMEPAGE_URL https://www.nodewick.example.org/)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The echo fallback, and the desktop's browser and file manager for "Open in IE" and "Explorer".
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "iputils-ping, xdg-utils")
# The fonts standing in for the window's and the report's, the desktop's own save dialog, and Wayland.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
  "fonts-dejavu-core, fonts-liberation, fonts-comic-neue, qt6-xdgdesktopportal-platformtheme | qt6-gtk-platformtheme, qt6-wayland")
include(CPack)
