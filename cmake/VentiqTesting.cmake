# Test helpers shared by every folder's tests/ directory.
include(CTest)
if(BUILD_TESTING AND NOT VENTIQ_FUZZ)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# ventiq_add_test(NAME name SOURCES a.cpp b.cpp LIBS libs... [LABELS l])
# One gtest executable; every TEST is its own ctest entry so the count shows.
function(ventiq_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT BUILD_TESTING OR VENTIQ_FUZZ)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    VENTIQ_SOURCE_DIR="${CMAKE_SOURCE_DIR}" VENTIQ_BUILD_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 30
    PROPERTIES
      LABELS "${T_LABELS}"
      ENVIRONMENT "VENTIQ_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
endfunction()
