# Helpers shared by the folders' CMakeLists.

# nobrivo_library(<name> SOURCES ... [DEPS ...])
# One static library per folder; sources include each other as "folder/File.h"
# from the project root.
function(nobrivo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# nobrivo_test(<name> SOURCES ... [DEPS ...] [LABELS ...])
# One GoogleTest binary; every test case becomes a CTest test carrying LABELS
# (unit, gui, interop, e2e). Test files find fixtures through NOBRIVO_SOURCE_DIR.
function(nobrivo_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    NOBRIVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    NOBRIVO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 600)
endfunction()
