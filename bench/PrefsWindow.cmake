# The settings window offscreen: opening it, switching tabs and a text-size rebuild.
if(TARGET ventiq_windows)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  ventiq_add_bench(prefs_window_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PrefsWindowBench.cpp
    LIBS ventiq_windows ventiq_testing_engine)
endif()
