# The Debian package, built by `cpack -G DEB` in a build folder (README).
# Its dependencies come from dpkg-shlibdeps over the installed programs.
set(CPACK_PACKAGE_NAME fenlark)
set(CPACK_PACKAGE_VENDOR Kalvenor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows what a recorded match of a first-person game was")
set(CPACK_PACKAGE_DESCRIPTION
    "Fenlark reads a recorded match of a multiplayer first-person game, a demo,
without playing it and shows the game, its version, the map, the server, the
mod, the players of each team and every server value. It reads demos of Quake
III Arena and its descendants, Quake Live, Quake, QuakeWorld, Quake II,
Half-Life, Source engine games and Warsow, and analyses whole Quake III
matches: score, winner, chat and frags.
.
The package holds the window (fenlark), a command-line report with JSON
output (fenlark-info) and a searchable library of demo folders and archives
(fenlark-library).")
set(FENLARK_PACKAGE_MAINTAINER "Fenlark developers <fenlark@kalvenor.org>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${FENLARK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FENLARK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${FENLARK_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

# Debian wants a copyright file and a changelog in the package's doc folder.
# The changelog's date is the configure time (or SOURCE_DATE_EPOCH).
string(TIMESTAMP FENLARK_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(doc_build ${CMAKE_BINARY_DIR}/packaging-doc)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${doc_build}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in ${doc_build}/changelog.Debian
               @ONLY)
add_custom_command(OUTPUT ${doc_build}/changelog.Debian.gz
  COMMAND gzip -9 -n -f -k ${doc_build}/changelog.Debian
  DEPENDS ${doc_build}/changelog.Debian VERBATIM)
add_custom_target(fenlark_package_doc ALL DEPENDS ${doc_build}/changelog.Debian.gz)
install(FILES ${doc_build}/copyright ${doc_build}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The JSON schemas of fenlark-info's and fenlark-library's output.
file(GLOB FENLARK_SCHEMAS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.schema.json)
install(FILES ${FENLARK_SCHEMAS} DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME fenlark)
include(CPack)
