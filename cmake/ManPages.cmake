# SPDX-License-Identifier: GPL-3.0-or-later
# The manual pages romshelf(6) and romshelf-cli(6), made by help2man from the built programs'
# --help and --version with the name and the sections of resources/man/*.h2m, and compressed as
# Debian wants them. help2man is needed at build time only.
find_program(HELP2MAN help2man)
find_program(GZIP gzip)
if(NOT HELP2MAN OR NOT GZIP)
  message(WARNING "help2man or gzip is missing: the manual pages are not made "
                  "(scripts/install-deps.sh installs them)")
  return()
endif()

# The release date as seconds since 1970 (help2man dates the pages by SOURCE_DATE_EPOCH).
string(REPLACE "-" ";" date "${ROMSHELF_RELEASE_DATE}")
list(GET date 0 y)
list(GET date 1 m)
list(GET date 2 d)
if(m LESS_EQUAL 2)
  math(EXPR y "${y} - 1")
  math(EXPR m "${m} + 9")
else()
  math(EXPR m "${m} - 3")
endif()
math(EXPR days "${y} / 400 * 146097 + (${y} % 400) * 365 + (${y} % 400) / 4 - (${y} % 400) / 100
                + (153 * ${m} + 2) / 5 + ${d} - 1 - 719468")
math(EXPR ROMSHELF_RELEASE_EPOCH "${days} * 86400")

set(man_section 6)
set(man_folder ${CMAKE_BINARY_DIR}/man)
set(man_pages)
set(man_programs romshelf-cli)
if(ROMSHELF_GUI)
  list(APPEND man_programs romshelf)
endif()
set(layout ${PROJECT_SOURCE_DIR}/resources/man/help-layout.awk)
foreach(program IN LISTS man_programs)
  set(page ${man_folder}/${program}.${man_section})
  set(include ${PROJECT_SOURCE_DIR}/resources/man/${program}.h2m)
  # help2man runs this stand-in of the program (under the program's name): the program's output
  # laid out for it.
  set(standIn ${man_folder}/stand-in/${program})
  file(GENERATE OUTPUT ${standIn}
    CONTENT "#!/bin/sh\n\"$<TARGET_FILE:${program}>\" \"$@\" | awk -f \"${layout}\"\n"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                     WORLD_EXECUTE)
  # The programs print UTF-8 (Japanese menu names); the page's date is the release's month.
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ROMSHELF_RELEASE_EPOCH}
            ${HELP2MAN} --no-info --locale=C.UTF-8 --section=${man_section}
            --include=${include} --output=${page} ${standIn}
    COMMAND ${GZIP} -9nf ${page}
    DEPENDS ${program} ${include} ${layout} ${standIn}
    COMMENT "Making the manual page ${program}(${man_section})"
    VERBATIM)
  list(APPEND man_pages ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${man_section})
endforeach()
add_custom_target(romshelf-man-pages ALL DEPENDS ${man_pages})
