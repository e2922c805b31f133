# Installation layout and the Debian package (make package):
#   /usr/bin                      the programs
#   /usr/lib/tarvel               liboraemb.so (found by the programs relative
#                                 to themselves, ../lib/tarvel)
#   /usr/share/man/man1           a manual page per program
#   /usr/share/doc/tarvel         README, copyright, changelog
# The wizard's folder adds its help, desktop entry and icons when it is built.
set(TARVEL_PRIVATE_LIBDIR lib/tarvel)

install(TARGETS TARVAGENT oraemb-sql tarvel-verify RUNTIME DESTINATION bin)
install(TARGETS oraemb LIBRARY DESTINATION ${TARVEL_PRIVATE_LIBDIR})

# Manual pages, compressed as Debian wants them (-n: no time stamp inside).
set(tarvel_manpages TARVAGENT oraemb-sql tarvel-verify)
if(TARGET tarvel-wizard)
  list(APPEND tarvel_manpages tarvel-wizard)
endif()
set(tarvel_manpage_files "")
foreach(page IN LISTS tarvel_manpages)
  set(source ${CMAKE_SOURCE_DIR}/docs/man/${page}.1)
  set(target ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9n -c ${source} > ${target}
    DEPENDS ${source} VERBATIM)
  list(APPEND tarvel_manpage_files ${target})
endforeach()
add_custom_target(manpages ALL DEPENDS ${tarvel_manpage_files})
install(FILES ${tarvel_manpage_files} DESTINATION share/man/man1)

# The wizard: its help topics in share/tarvel (where an installed wizard looks
# when there is none beside it), its menu entry and icons.
if(TARGET tarvel-wizard)
  install(TARGETS tarvel-wizard RUNTIME DESTINATION bin)
  install(FILES ${CMAKE_SOURCE_DIR}/GUI2/help/tarvel-wizard.html DESTINATION share/tarvel)
  install(FILES ${CMAKE_SOURCE_DIR}/GUI2/tarvel-wizard.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/tarvel-wizard.svg
    DESTINATION share/icons/hicolor/scalable/apps)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/tarvel-wizard-${size}.png
      DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME tarvel-wizard.png)
  endforeach()
endif()

set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${changelog})
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright ${changelog}
  DESTINATION share/doc/tarvel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Who answers for the package: -DTARVEL_PACKAGE_MAINTAINER="Name <address>",
# else DEBFULLNAME and DEBEMAIL as the Debian tools take them, else the
# project's packaging identity (the changelog's).
if(DEFINED ENV{DEBFULLNAME} AND DEFINED ENV{DEBEMAIL})
  set(tarvel_maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  set(tarvel_maintainer "The tarvel developers <tarvel@users.noreply.github.com>")
endif()
set(TARVEL_PACKAGE_MAINTAINER "${tarvel_maintainer}" CACHE STRING "The package's Maintainer field")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# CPack indents the extended lines and turns the empty line into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Microsoft Access to Oracle database converter
tarvel moves a Microsoft Access database (.mdb, .accdb; with a database
password or workgroup security) into an Oracle schema: tables with
Oracle-legal names, mapped column types, defaults and NOT NULL, primary keys,
unique keys and indexes, AutoNumber columns as a sequence plus a trigger,
every row with memo and OLE data as CLOB and BLOB, and saved SELECT queries
as tables.

TARVAGENT is the console agent for unattended runs; tarvel-wizard is the
desktop wizard. Both load the Oracle client library (Oracle Instant Client)
at run time, or convert into the bundled embedded Oracle-compatible engine,
which oraemb-sql queries.")
include(CPack)
