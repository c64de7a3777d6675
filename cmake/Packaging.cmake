# The Debian package: everything `cmake --install` puts in place. Its dependencies are
# read from the programs' own libraries (dpkg-shlibdeps), plus what they load at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lumora developers")
set(CPACK_PACKAGE_CONTACT "Lumora developers <lumora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Live webcam pictures as the desktop wallpaper")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Lumora turns a live public webcam into the desktop wallpaper. It lives in the system tray, keeps a\n"
    "catalogue of public webcams from its catalogue server and refreshes the chosen cam's picture on the\n"
    "desktop at the cam's own interval; when it ends it puts the user's own wallpaper back.\n"
    "\n"
    "The package also holds lumora-server, the catalogue server (with a systemd service that is not\n"
    "started on installation), and lumora-pack, the language pack tool.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LUMORA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window system plugin at run time: no linked library names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/postinst
                                       ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)
include(CPack)
