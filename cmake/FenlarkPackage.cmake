# The Debian package, built by `cpack -G DEB` in a build folder (README).
# Its dependencies come from dpkg-shlibdeps over the installed programs.
set(CPACK_PACKAGE_NAME fenlark)
set(CPACK_PACKAGE_VENDOR Kalvenor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows what a recorded match of a first-person game was")
set(CPACK_PACKAGE_DESCRIPTION
    "Fenlark reads a recorded match (\"demo\") of a multiplayer first-person game
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
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${FENLARK_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
