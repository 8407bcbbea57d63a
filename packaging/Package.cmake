# Two Debian packages from one build, made by CPack's DEB generator from the
# install rules of the programs (scripts/package runs it):
# - mrt9dx-cli (install component `cli`): mrt9dx-cli and mrt9dx-sim with their
#   manual pages and the completion; Qt Core, Qt Serial Port and Qt SQL, no display, so
#   that a production-line or rig PC without a desktop installs it alone;
# - mrt9dx (install component `window`): mrt9dx-config with its menu entry,
#   icon, metainfo, manual page and screenshot, recommending mrt9dx-cli.
# Each program's folder names its component (CMAKE_INSTALL_DEFAULT_COMPONENT_NAME).
# dpkg-shlibdeps computes the dependencies on Debian's Qt 6 libraries (libqt6gui6
# brings the X11 platform plugin with it); only the window's font and the SQL
# drivers, which no binary links, are named here.

# The command-line companion, where this tree builds it.
if(TARGET mrt9dx-cli)
    install(TARGETS mrt9dx-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
    set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME cli)
    mrt_install_manpage(${PROJECT_SOURCE_DIR}/cli/mrt9dx-cli.1)
    unset(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME)
endif()

# Each package's documents: the copyright, the change log and README.Debian on
# the dialout group and the COMn links; mrt9dx also the screenshot where one is
# made.
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/packaging/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
mrt_gzip(${CMAKE_BINARY_DIR}/packaging/changelog changelog_gz)
foreach(package_component IN ITEMS mrt9dx:window mrt9dx-cli:cli)
    string(REPLACE ":" ";" package_component ${package_component})
    list(GET package_component 0 package)
    list(GET package_component 1 component)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright ${CMAKE_CURRENT_LIST_DIR}/README.Debian ${changelog_gz}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
set(MRT_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/mrt9dx)
include(${CMAKE_CURRENT_LIST_DIR}/Screenshot.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL window cli)
set(CPACK_PACKAGE_NAME mrt9dx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${MRT_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MRT_HOMEPAGE}) # left out where none is set
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_CLI_PACKAGE_NAME mrt9dx-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION "MRT9-DX transmitter from the command line, and a simulated transmitter
mrt9dx-cli reads, programs, copies, checks and calibrates MRT9-DX programmable
temperature transmitters over serial lines, several at once, for production
lines, test rigs and service desks: settings files, read-back, exit statuses
for scripts, calibration records and certificates, and a store of every
unit's calibrations (SQLite, or a PostgreSQL database shared by benches).

mrt9dx-sim is a simulated transmitter on a pseudo-terminal, for trying
mrt9dx-cli and mrt9dx-config without hardware.

Neither needs a display; the window is in the package mrt9dx.")

# The store of calibration records reaches SQLite and PostgreSQL through Qt's
# SQL drivers, plugins that dpkg-shlibdeps does not see.
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME mrt9dx)
# The window is laid out for Liberation Sans; without it a label is cut.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS fonts-liberation2)
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS mrt9dx-cli)
set(CPACK_DEBIAN_WINDOW_DESCRIPTION "configuration and calibration tool for the MRT9-DX transmitter
mrt9dx-config is the desktop tool a technician uses at the bench to read,
program and calibrate the MRT9-DX programmable temperature transmitter over
a serial line: input and output ranges with their spans, output limits and
alarm, calibration status, RUN/CAL mode, and in full mode the input and
output calibration.

The command-line companion mrt9dx-cli and the simulated transmitter
mrt9dx-sim are in the package mrt9dx-cli.")
include(CPack)
