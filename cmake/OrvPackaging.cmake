# `cmake --install` and the Debian package: the programs in bin/, their private libraries in
# lib/orv/ (found through the programs' RUNPATH, so no LD_LIBRARY_PATH is needed; the dial-up
# library the program opens at run time lies beside the others, where it looks), the shipped
# data in share/ (data/CMakeLists.txt).
include(GNUInstallDirs)

set(ORV_INSTALL_PRIVATE_LIBDIR lib/orv CACHE STRING
  "Where the program's own libraries are installed, below the prefix")
file(RELATIVE_PATH programs_to_libraries /prefix/${CMAKE_INSTALL_BINDIR}
  /prefix/${ORV_INSTALL_PRIVATE_LIBDIR})

set_target_properties(orv orv-sig orv-scan PROPERTIES
  INSTALL_RPATH "\$ORIGIN/${programs_to_libraries}")
install(TARGETS orv orv-sig orv-scan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sigmatch codesniff libclean procs rasapi32
  LIBRARY DESTINATION ${ORV_INSTALL_PRIVATE_LIBDIR})

# cpack -G DEB (from the build folder): orv_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ORV <orv@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop guard against dialers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "ORV watches the dial-up connections and hangs up any the user has not allowed,\n\
scans folders for known dialers by fingerprint and by content, watches newly started\n\
programs and keeps a report. Its interface speaks German.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orv.example.org")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The libraries' packages from the programs' links; besides them what is only loaded at run
# time: Qt's X11 platform plugin, Qt's German texts and the sound library of the warnings.
# pppd or NetworkManager serve the dial-up connections.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, libcanberra0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ppp")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "network-manager, modemmanager")
include(CPack)
