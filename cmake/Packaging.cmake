# The Debian package: `cpack --config <build>/CPackConfig.cmake -G DEB` (or the `package` target)
# turns what `cmake --install` puts into a prefix into romshelf-plus_<version>_<arch>.deb for /usr.
# The libraries it needs are found by dpkg-shlibdeps (dpkg-dev); what the programs load or read
# at run time without linking to it is listed here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME romshelf-plus)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Romshelf Plus project")
set(CPACK_PACKAGE_CONTACT "The Romshelf Plus project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Launcher and catalogue for emulators (Japanese user interface)")
set(CPACK_PACKAGE_DESCRIPTION
  "Lists the ROM and disk-image files kept in folders per machine, joins each with the user's own
record (name, reading, rating, categories, comment, favourite), shows its screenshot, picture and
sound, and starts the right emulator with the right command line, unpacking archives first.
romshelf-cli does the same from a terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Romshelf Plus project")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libgcab is loaded when the first CAB archive is written, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgcab-1.0-0")
if(ROMSHELF_GUI)
  # Qt's platform plugins (the window on X), its further picture formats, its Japanese
  # translation (Qt's own dialogs), and the font the Japanese text is shown in.
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
    ", qt6-qpa-plugins, qt6-image-formats-plugins, qt6-translations-l10n, fonts-ipafont-gothic")
  # MIDI plays through a General MIDI soundfont; without one the rest still works.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont")
endif()

include(CPack)
