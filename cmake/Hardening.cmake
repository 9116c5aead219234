# SPDX-License-Identifier: GPL-3.0-or-later
# The programs' code, built optimised (the package is made from such a build), gets the hardening
# Debian gives its packages: checked string and memory functions, a stack protector, and
# relocations resolved and made read-only at start. Tests, benchmarks and fuzzers are left as they
# are, and so are the sanitizer builds, whose run-time checks already cover this ground.
set(romshelf_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")

# Hardens every target defined in the given folders (as added with add_subdirectory) and below.
function(romshelf_harden)
  if(ROMSHELF_SANITIZE OR ROMSHELF_TSAN OR ROMSHELF_FUZZ)
    return()
  endif()
  foreach(dir IN LISTS ARGN)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
        continue()
      endif()
      target_compile_definitions(${target} PRIVATE $<${romshelf_optimised}:_FORTIFY_SOURCE=2>)
      target_compile_options(${target} PRIVATE $<${romshelf_optimised}:-fstack-protector-strong>)
      if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
        target_link_options(${target} PRIVATE $<${romshelf_optimised}:LINKER:-z,now,-z,relro>)
      endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    if(subdirs)
      romshelf_harden(${subdirs})
    endif()
  endforeach()
endfunction()
