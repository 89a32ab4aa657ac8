# What `cmake --install` puts where, and the Debian package (CPack DEB).
#
# Layout (prefix /usr for the package):
#   bin/kestrel, bin/pdat, bin/kestrel-tools
#   lib/cups/filter/pdattopdf, share/cups/mime/kestrel.types, kestrel.convs
#   share/kestrel/examples/   the sample forms and their information files
#   share/man/man1/           kestrel.1.gz pdat.1.gz kestrel-tools.1.gz kestrel-outliner.1.gz
#   share/applications/kestrel.desktop, share/icons/hicolor/scalable/apps/kestrel.svg
#   share/doc/kestrel/        README.md, copyright, changelog.gz
# The base folder (zoq/, vpdf/) is KESTREL_DEFAULT_BASE, made by the
# package's postinst and writable by the group kestrel.
include(GNUInstallDirs)

foreach(program pdattopdf)
  target_compile_definitions(${program} PRIVATE KESTREL_VERSION="${PROJECT_VERSION}")
endforeach()
if(NOT KESTREL_DEFAULT_BASE STREQUAL "")
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/platform/linux/linux_system.cpp APPEND PROPERTY
    COMPILE_DEFINITIONS KESTREL_DEFAULT_BASE="${KESTREL_DEFAULT_BASE}")
endif()
install(TARGETS kestrel pdat kestrel-tools RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The desktop Ui's module, where the installed programs look for it (ui_choice.h).
install(TARGETS kestrel_qt_ui LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/kestrel)
# CUPS' folders are lib/cups and share/cups under its prefix (/usr) on every
# architecture.
install(TARGETS pdattopdf RUNTIME DESTINATION lib/cups/filter)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/cups/kestrel.types ${CMAKE_SOURCE_DIR}/packaging/cups/kestrel.convs
  DESTINATION ${CMAKE_INSTALL_DATADIR}/cups/mime)

# Man pages: roff sources in docs/man/*.1.in; the build fills in the version
# and the base folder and compresses them as Debian wants them.
if(KESTREL_DEFAULT_BASE STREQUAL "")
  set(KESTREL_MAN_BASE "the folder above the program's folder")
else()
  set(KESTREL_MAN_BASE "${KESTREL_DEFAULT_BASE}")
endif()
set(man_pages)
foreach(page kestrel pdat kestrel-tools kestrel-outliner)
  set(roff ${CMAKE_BINARY_DIR}/man/${page}.1)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page}.1.in ${roff} @ONLY)
  add_custom_command(
    OUTPUT ${roff}.gz
    COMMAND gzip -9n -c ${roff} > ${roff}.gz
    DEPENDS ${roff}
    COMMENT "Compressing man page ${page}(1)"
    VERBATIM)
  list(APPEND man_pages ${roff}.gz)
endforeach()
add_custom_target(man ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Bash completion: one script, under each command's name (bash-completion
# loads a command's completion from a file named after it).
foreach(command kestrel kestrel-tools pdat)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/completions/kestrel.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${command})
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrel.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Documentation: the README, the copyright file and a compressed changelog.
set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${changelog_gz}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(package_docs ALL DEPENDS ${changelog_gz})
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright ${changelog_gz}
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The guides the README links to, with their pictures and the run report's
# schema, where the README's links find them.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
  FILES_MATCHING PATTERN "*.md" PATTERN "*.json" PATTERN "*.png" PATTERN "*.jpg"
  PATTERN "man" EXCLUDE)

# The Debian package. Depends comes from the programs' shared libraries
# (dpkg-shlibdeps); the maintainer scripts make the kestrel group and the
# base folder.
set(KESTREL_PACKAGE_BASE "${KESTREL_DEFAULT_BASE}")
if(KESTREL_PACKAGE_BASE STREQUAL "")
  set(KESTREL_PACKAGE_BASE "/var/lib/kestrel")
endif()
foreach(script postinst postrm)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/${script}.in ${CMAKE_BINARY_DIR}/packaging/${script} @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestrel developers <kestrel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print-rendering engine for Japanese business forms")
set(CPACK_PACKAGE_DESCRIPTION
  "Kestrel draws the pages of business forms, written by an application as\n"
  "print-data files, onto CUPS printers, PDF files or JPEG pages, with\n"
  "Japanese text in Mincho, Gothic and OCR faces. The package holds the\n"
  "kestrel program, the pdat tool for print data, the kestrel-tools\n"
  "maintenance commands, the pdattopdf filter that makes print data a\n"
  "document format of CUPS, and sample forms.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libxcb1 and libharfbuzz-subset0 are opened at run time (dlopen), which
# dpkg-shlibdeps does not see; libcups2 is too, but the CUPS filter links it,
# so dpkg-shlibdeps names it with its version.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "adduser, fonts-ipafont-gothic, fonts-ipafont-mincho, libxcb1, libharfbuzz-subset0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_BINARY_DIR}/packaging/postinst ${CMAKE_BINARY_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/cpack)
include(CPack)
