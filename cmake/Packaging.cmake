# A Debian package of the whole program: `cpack -G DEB` in a build tree (see
# scripts/package.sh). Everything lands under /usr: the program, its modules
# and the help page in lib/trovik, the trovik command, the desktop entry and
# icon, the manual page and the documentation. The version is the project's.

include(GNUInstallDirs)

# The manual page, compressed as Debian installs them (no name or time stamp
# in the gzip header, so the package is reproducible).
configure_file(${PROJECT_SOURCE_DIR}/docs/man/trovik.1 ${PROJECT_BINARY_DIR}/trovik.1 @ONLY)
set(TROVIK_MAN_GZ ${PROJECT_BINARY_DIR}/trovik.1.gz)
add_custom_command(OUTPUT ${TROVIK_MAN_GZ}
  COMMAND gzip -n -9 -c ${PROJECT_BINARY_DIR}/trovik.1 > ${TROVIK_MAN_GZ}
  DEPENDS ${PROJECT_BINARY_DIR}/trovik.1 VERBATIM)
add_custom_target(trovik_man ALL DEPENDS ${TROVIK_MAN_GZ})
install(FILES ${TROVIK_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/trovik)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trovik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Trovik developers <trovik@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "transfer-rate meter for metered network lines")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The dialogs are laid out for this font, and a session with Wayland only
# needs Qt's Wayland plugin; shlibdeps sees neither.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# The long description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Trovik shows the live send and receive rates of a dial-up, PPP or other
metered line ten times a second, in a small window or a tray icon, and
keeps records: a rate history graph, an event log, a permanent day-and-hour
usage record priced under telephone tariffs, and a weekly receive profile.
It can hang up the line after an idle time, after repeated line errors or
at 7:55 in the morning, and power the machine off when no connection has
existed for a set time. Plug-ins feed every reading to external displays.
The user interface is Japanese.")
# Release binaries without their debugging sections.
set(CPACK_STRIP_FILES ON)
include(CPack)
