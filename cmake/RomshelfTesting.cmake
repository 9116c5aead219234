# SPDX-License-Identifier: GPL-3.0-or-later
# romshelf_add_test(<name> SOURCES <files...> [LIBS <targets...>] [QT] [ENV <VAR=value...>]
#                   [FIXTURE <fixture>])
# Adds one GoogleTest program and registers its cases with CTest, with ENV added to their
# environment and, given FIXTURE, each case requiring that CTest fixture.
# QT tests run on Qt's offscreen platform so that they need no display; without ROMSHELF_GUI
# they are not defined at all.
# Every case is labelled with its program's name, so `ctest -L '^core_views_tests$'` runs one
# program's cases (and skips the programs of a partial build).
include(GoogleTest)

function(romshelf_add_test name)
  cmake_parse_arguments(ARG "QT" "FIXTURE" "SOURCES;LIBS;ENV" ${ARGN})
  if(ARG_QT AND NOT ROMSHELF_GUI)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT)
    set(main_lib romshelf_qt_test_main)
    target_precompile_headers(${name} REUSE_FROM romshelf_qt_test_pch)
  else()
    set(main_lib GTest::gtest_main)
    target_precompile_headers(${name} REUSE_FROM romshelf_test_pch)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} romshelf_test_support GTest::gtest GTest::gmock ${main_lib})
  # As the precompiled header is (tests/support/CMakeLists.txt).
  target_compile_definitions(${name} PRIVATE _REENTRANT)
  # Headers read from a precompiled header are no longer system headers to GCC 12, which then
  # shows its false warnings about libstdc++'s inlined string copies at -O2.
  target_compile_options(${name} PRIVATE
    $<$<CXX_COMPILER_ID:GNU>:-Wno-array-bounds -Wno-stringop-overflow -Wno-restrict>)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(TARGET record-args)
    add_dependencies(${name} record-args)
  endif()
  set(env "ROMSHELF_BIN_DIR=${CMAKE_BINARY_DIR}/bin" "ROMSHELF_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
  if(ARG_QT)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  list(APPEND env ${ARG_ENV})
  set(fixture "")
  if(ARG_FIXTURE)
    set(fixture "    FIXTURES_REQUIRED ${ARG_FIXTURE}\n")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST)
  # gtest_discover_tests hands each element of a property's list on as an argument of its own, so
  # an ENVIRONMENT of several variables would fall apart. The properties are set here instead, at
  # CTest time, after the cases have been listed into ${name}_TESTS.
  set(properties "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
  file(WRITE "${properties}"
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES\n"
    "    ENVIRONMENT [==[${env}]==]\n"
    "    LABELS ${name}\n"
    "${fixture}"
    "  )\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${properties}")
endfunction()
