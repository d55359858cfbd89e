# The core libraries must stay Qt-free: a source that includes a Qt header,
# built with nothing but a core library's usage requirements, must fail.
function(ventiq_check_qt_free)
  if(NOT BUILD_TESTING OR VENTIQ_FUZZ)
    return()
  endif()
  foreach(lib IN LISTS ARGN)
    if(NOT TARGET ${lib})
      continue()
    endif()
    set(probe qtprobe_${lib})
    add_executable(${probe} EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/cmake/qtprobe/uses_qt.cpp)
    target_link_libraries(${probe} PRIVATE ${lib})
    add_test(NAME QtFree.${lib}
      COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target ${probe})
    set_tests_properties(QtFree.${lib} PROPERTIES WILL_FAIL TRUE LABELS unit)
  endforeach()
endfunction()
