# The Debian package `mrt9dx`, made by CPack's DEB generator from the install
# rules of the programs (scripts/package runs it). dpkg-shlibdeps computes the
# dependencies on Debian's Qt 6 libraries (libqt6gui6 brings the X11 platform
# plugin with it); only the window's font, which no binary links, is named here.

# The command-line companion, where this tree builds it.
if(TARGET mrt9dx-cli)
    install(TARGETS mrt9dx-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    mrt_install_manpage(${PROJECT_SOURCE_DIR}/cli/mrt9dx-cli.1)
endif()

# The package's documents: its copyright, its change log, README.Debian on the
# dialout group and the COMn links, and the screenshot where one is made.
set(MRT_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/mrt9dx)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_CURRENT_LIST_DIR}/README.Debian DESTINATION ${MRT_DOCDIR})
include(${CMAKE_CURRENT_LIST_DIR}/Screenshot.cmake)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
mrt_gzip(${CMAKE_BINARY_DIR}/packaging/changelog changelog_gz)
install(FILES ${changelog_gz} DESTINATION ${MRT_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mrt9dx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "MRT9-DX tool maintainers <mrt9dx@example.org>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MRT_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration and calibration tool for the MRT9-DX transmitter")
set(CPACK_PACKAGE_DESCRIPTION "mrt9dx-config is the desktop tool a technician uses at the bench to read,
program and calibrate the MRT9-DX programmable temperature transmitter over
a serial line: input and output ranges with their spans, output limits and
alarm, calibration status, RUN/CAL mode, and in full mode the input and
output calibration.
.
The package also holds mrt9dx-cli, the command-line companion for reading,
copying and checking many units, and mrt9dx-sim, a simulated transmitter on
a pseudo-terminal for trying both without hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation2)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
