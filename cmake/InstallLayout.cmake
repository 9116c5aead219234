# SPDX-License-Identifier: GPL-3.0-or-later
# Where the programs go is decided when installing, by the prefix given then: installed for the
# system under /usr (the Debian package) they are games, and go to /usr/games as Debian's
# emulators do; under any other prefix (~/.local, /usr/local, /opt/...) they go to bin/, which is
# on the user's PATH there. ProgramFolder recognises an installed copy by either folder.
install(CODE [[
  set(romshelf_bindir bin)
  string(REGEX REPLACE "/+$" "" romshelf_prefix "${CMAKE_INSTALL_PREFIX}")
  if(romshelf_prefix STREQUAL "/usr")
    set(romshelf_bindir games)
  endif()
]])
# For install(... DESTINATION): the folder the code above chose, read when installing.
set(ROMSHELF_INSTALL_BINDIR "\${romshelf_bindir}")
set(ROMSHELF_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/romshelf-plus)
