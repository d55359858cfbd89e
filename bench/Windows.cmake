# The main window on the offscreen platform: refreshing and rebuilding the
# sensor list, and opening the window over the simulated machine.
if(TARGET ventiq_windows)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  ventiq_add_bench(windows_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/WindowsBench.cpp
    LIBS ventiq_windows ventiq_testing_engine ventiq_testing_sim ventiq_smc)
  target_compile_definitions(windows_bench PRIVATE VENTIQ_SMCSIM_PATH="$<TARGET_FILE:ventiq-smcsim>")
  add_dependencies(windows_bench ventiq-smcsim)
endif()
