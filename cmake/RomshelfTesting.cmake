# romshelf_add_test(<name> SOURCES <files...> [LIBS <targets...>] [QT])
# Adds one GoogleTest program and registers its cases with CTest.
# QT tests run on Qt's offscreen platform so that they need no display; without ROMSHELF_GUI
# they are not defined at all.
# Every case is labelled with its program's name, so `ctest -L '^core_views_tests$'` runs one
# program's cases (and skips the programs of a partial build).
include(GoogleTest)

function(romshelf_add_test name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  if(ARG_QT AND NOT ROMSHELF_GUI)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT)
    set(main_lib romshelf_qt_test_main)
  else()
    set(main_lib GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} romshelf_test_support GTest::gtest GTest::gmock ${main_lib})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(TARGET record-args)
    add_dependencies(${name} record-args)
  endif()
  set(env "ROMSHELF_BIN_DIR=${CMAKE_BINARY_DIR}/bin" "ROMSHELF_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
  if(ARG_QT)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "${env}" LABELS ${name}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST)
endfunction()
