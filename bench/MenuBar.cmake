# The menu-bar image and the panel, offscreen.
if(TARGET ventiq_menubar)
  ventiq_add_bench(menubar_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/MenuBarBench.cpp
    LIBS ventiq_menubar ventiq_testing_engine)
endif()
