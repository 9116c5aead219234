# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack --config <build>/CPackConfig.cmake -G DEB` (or the `package` target)
# turns what `cmake --install` puts into a prefix into romshelf-plus_<version>-<revision>_<arch>.deb
# for /usr.
# The libraries it needs are found by dpkg-shlibdeps (dpkg-dev); what the programs load or read
# at run time without linking to it is listed here.
set(CPACK_GENERATOR DEB)
# The package and CPack's staging folder go into the build folder wherever cpack is run from, not
# into the work tree (cpack -B still chooses another).
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGE_NAME romshelf-plus)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Romshelf Plus project")
set(ROMSHELF_PACKAGE_MAINTAINER "The Romshelf Plus project <romshelf-plus@users.noreply.github.com>"
  CACHE STRING "The Debian package's maintainer: name <address>")
set(CPACK_PACKAGE_CONTACT "${ROMSHELF_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Launcher and catalogue for emulators (Japanese user interface)")
# The lines of the extended description stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
  "Lists the ROM and disk-image files kept in folders per machine, joins each
with the user's own record (name, reading, rating, categories, comment,
favourite), shows its screenshot, picture and sound, and starts the right
emulator with the right command line, unpacking archives first.
romshelf-cli does the same from a terminal.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/romshelf/romshelf-plus")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Debian revision: resources/debian/changelog's first entry is this version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# Emulators and their front ends are games in Debian: the programs go to /usr/games
# (cmake/InstallLayout.cmake) and their manual pages to section 6.
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ROMSHELF_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libgcab is loaded when the first CAB archive is written, libarchive when the first archive is
# opened, SQLite with the first database, SDL2 when pads are first asked for, libcrypto (libssl3)
# when the first SHA-1 or MD5 is taken; none is linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libarchive13, libgcab-1.0-0, libsdl2-2.0-0, libsqlite3-0, libssl3")
if(ROMSHELF_GUI)
  # Qt's platform plugins (the window on X), its further picture formats, its Japanese
  # translation (Qt's own dialogs), and the font the Japanese text is shown in.
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
    ", qt6-qpa-plugins, qt6-image-formats-plugins, qt6-translations-l10n, fonts-ipafont-gothic")
  # MIDI plays through a General MIDI soundfont; RetroArch and its cores (with their .info files)
  # are offered as emulators. Without them the rest still works.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
      "timgm6mb-soundfont, retroarch, libretro-core-info, libretro-nestopia | libretro-mgba | libretro-gambatte")
endif()

# The licence terms, machine-readable (DEP-5), and the package's history, compressed as Debian
# wants it (-n: no name or time stamp inside, so the same sources give the same file).
find_program(GZIP gzip REQUIRED)
set(changelog ${CMAKE_BINARY_DIR}/changelog.Debian)
add_custom_command(OUTPUT ${changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/debian/changelog ${changelog}
  COMMAND ${GZIP} -9nf ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/debian/changelog
  COMMENT "Compressing the Debian changelog"
  VERBATIM)
add_custom_target(romshelf-changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${changelog}.gz
  DESTINATION ${ROMSHELF_INSTALL_DOCDIR})
# What lintian is told to let pass, with the reason in the file.
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME romshelf-plus)

include(CPack)
