# The Debian packages, one per install component: `lumora` (the tray program and what it needs),
# `lumora-browser` (the browser module the program loads on demand) and `lumora-server` (the
# catalogue server and the pack tool, without any GUI library). Their dependencies are read from the
# programs' own libraries (dpkg-shlibdeps), plus what they load at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL lumora browser server)
set(CPACK_PACKAGE_NAME lumora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lumora developers")
set(CPACK_PACKAGE_CONTACT "Lumora developers <lumora@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LUMORA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)

set(CPACK_DEBIAN_LUMORA_PACKAGE_NAME lumora)
set(CPACK_DEBIAN_LUMORA_PACKAGE_SECTION graphics)
# Qt loads its window system plugin at run time: no linked library names it.
set(CPACK_DEBIAN_LUMORA_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_LUMORA_PACKAGE_RECOMMENDS "lumora-browser, xdg-utils")
set(CPACK_COMPONENT_LUMORA_DESCRIPTION
    "Live webcam pictures as the desktop wallpaper
Lumora turns a live public webcam into the desktop wallpaper. It lives in
the system tray, keeps a catalogue of public webcams from its catalogue
server and refreshes the chosen cam's picture on the desktop at the cam's
own interval; when it ends it puts the user's own wallpaper back.")

set(CPACK_DEBIAN_BROWSER_PACKAGE_NAME lumora-browser)
set(CPACK_DEBIAN_BROWSER_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_BROWSER_PACKAGE_DEPENDS "lumora (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_BROWSER_DESCRIPTION
    "Web browser module for Lumora's messages window
Lumora shows the messages of its catalogue server in a window of its own.
With this module it shows them as full web pages; without it, a plain
text browser shows them.")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME lumora-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
# The service's system user is made by systemd-sysusers.
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "systemd")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/postinst
                                              ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_COMPONENT_SERVER_DESCRIPTION
    "Catalogue server and language pack tool for Lumora
lumora-server serves Lumora's catalogue of webcams, its language packs and
its messages over HTTP, from SQLite or PostgreSQL; a systemd service runs
it, and is not started on installation. lumora-pack builds, lists, tests
and extracts language packs.")

# Every package carries the licence and the changelog, where Debian looks for them.
foreach(component lumora browser server)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${component})
  lumora_install_configured(cmake/debian/changelog ${CMAKE_INSTALL_DATADIR}/doc/${package} GZIP
                            COMPONENT ${component})
endforeach()
include(CPack)
