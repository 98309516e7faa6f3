# Install rules and the Debian packages (cpack -G DEB in the release build):
# bbstats, the client with its desktop entry, icons and AppStream metadata,
# and bbstatsd, the service with its systemd unit, environment file and
# content folder. The client's program is the packaged file with the
# co-brand block appended; it is installed as built and never stripped, since
# stripping would cut the block off.
include(GNUInstallDirs)

set(BBSTATS_PACKAGE_MAINTAINER "bbstats maintainers <maintainers@users.noreply.c-seed-34c7f065.example>"
    CACHE STRING "Maintainer named in the Debian packages")

set(_pkg_src ${CMAKE_SOURCE_DIR}/packaging)
set(_pkg_out ${CMAKE_BINARY_DIR}/packaging)
set(CPACK_PACKAGE_CONTACT ${BBSTATS_PACKAGE_MAINTAINER})
# Scripts find their programs relative to themselves, so an extracted or
# moved tree runs as well as the installed one.
file(RELATIVE_PATH BBSTATS_BIN_TO_LIBEXEC ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR})
file(RELATIVE_PATH BBSTATS_LIBEXEC_TO_BIN ${CMAKE_INSTALL_FULL_LIBEXECDIR}/bbstatsd ${CMAKE_INSTALL_FULL_BINDIR})
set(_unitdir lib/systemd/system)

include(${CMAKE_SOURCE_DIR}/cmake/mancommands.cmake)
bbstats_menu_commands_roff(${CMAKE_SOURCE_DIR}/docs/user-guide.md BBSTATS_MENU_COMMANDS)
foreach(page bbstats.1 bbstatsd.8)
    configure_file(${_pkg_src}/${page} ${_pkg_out}/${page} @ONLY)
endforeach()
configure_file(${_pkg_src}/bbstats.sh ${_pkg_out}/bbstats @ONLY)
configure_file(${_pkg_src}/bbstatsd-prepare.sh ${_pkg_out}/bbstatsd-prepare @ONLY)
configure_file(${_pkg_src}/bbstatsd.service.in ${_pkg_out}/bbstatsd.service @ONLY)
configure_file(${_pkg_src}/deb/conffiles ${_pkg_out}/conffiles @ONLY)
configure_file(${_pkg_src}/bbstats.metainfo.xml ${_pkg_out}/bbstats.metainfo.xml @ONLY)
foreach(name bbstats bbstatsd)
    set(CPACK_PACKAGE_NAME ${name})
    configure_file(${_pkg_src}/changelog ${_pkg_out}/doc-${name}/changelog @ONLY)
endforeach()

# Manual pages and changelogs go compressed, as Debian has them (-n: no
# time stamp, so a rebuild gives the same bytes).
set(_gz_files ${_pkg_out}/bbstats.1 ${_pkg_out}/bbstatsd.8 ${_pkg_out}/doc-bbstats/changelog
    ${_pkg_out}/doc-bbstatsd/changelog)
set(_gz_outputs)
foreach(file IN LISTS _gz_files)
    add_custom_command(OUTPUT ${file}.gz
        COMMAND gzip -9 -n -c ${file} > ${file}.gz
        DEPENDS ${file}
        VERBATIM)
    list(APPEND _gz_outputs ${file}.gz)
endforeach()
add_custom_target(packaging-files ALL DEPENDS ${_gz_outputs})

if(TARGET package-client)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/bbstats
        DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/bbstats COMPONENT client)
    install(PROGRAMS ${_pkg_out}/bbstats DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT client)
    install(FILES ${_pkg_src}/bbstats.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT client)
    foreach(size 16 24 32 48 64 128 256)
        install(FILES ${_pkg_src}/icons/bbstats-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME bbstats.png COMPONENT client)
    endforeach()
    install(FILES ${_pkg_out}/bbstats.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT client)
    install(FILES ${_pkg_out}/bbstats.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT client)
    install(FILES ${_pkg_src}/copyright ${_pkg_out}/doc-bbstats/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/bbstats COMPONENT client)
endif()

if(TARGET bbstatsd)
    install(TARGETS bbstatsd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT service)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/service/content/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bbstatsd/content COMPONENT service)
    install(PROGRAMS ${_pkg_out}/bbstatsd-prepare
        DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/bbstatsd COMPONENT service)
    install(FILES ${_pkg_out}/bbstatsd.service DESTINATION ${_unitdir} COMPONENT service)
    install(FILES ${_pkg_src}/bbstatsd.default
        DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default RENAME bbstatsd COMPONENT service)
    install(FILES ${_pkg_out}/bbstatsd.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT service)
    install(FILES ${_pkg_src}/copyright ${_pkg_out}/doc-bbstatsd/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/bbstatsd COMPONENT service)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME bbstats)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "bbstats developers")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_COMPONENTS_ALL client service)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Strips the installed targets, that is the service's program only: the
# client's file is installed as a file (PROGRAMS), which install never strips.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME bbstats)
set(CPACK_DEBIAN_CLIENT_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_CLIENT_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_CLIENT_PACKAGE_SUGGESTS "bbstatsd")
set(CPACK_COMPONENT_CLIENT_DESCRIPTION
"desktop client for all-time baseball statistics
bbstats shows an all-time professional baseball statistics database
(1871-2025) in Batters, Pitchers, Fielders and Teams windows: grids that
the statistics service sorts, selects and limits, of which the client
holds only the page in view. It prints, copies and exports to CSV.
.
It talks to the statistics service bbstatsd, on this machine by default.
Baseball statistics from the Lahman Baseball Database by Sean Lahman,
licensed under CC BY-SA 3.0.")

set(CPACK_DEBIAN_SERVICE_PACKAGE_NAME bbstatsd)
set(CPACK_DEBIAN_SERVICE_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVICE_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA
    ${_pkg_src}/deb/postinst ${_pkg_src}/deb/prerm ${_pkg_src}/deb/postrm ${_pkg_out}/conffiles)
set(CPACK_COMPONENT_SERVICE_DESCRIPTION
"statistics service of the bbstats baseball client
bbstatsd imports the Lahman Baseball Database's CSV files into one SQLite
file and serves the page, list and CSV requests of the bbstats client over
HTTP, with its version table, banners, usage events and news site.
.
The package runs it as the system user bbstatsd under systemd, with its
data in /var/lib/bbstatsd; the CSV files are not included.
Baseball statistics from the Lahman Baseball Database by Sean Lahman,
licensed under CC BY-SA 3.0.")

include(CPack)
