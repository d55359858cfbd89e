# Temperature sensing against the simulated machine.
ventiq_add_bench(sensing_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/SensingBench.cpp
  LIBS ventiq_sensing ventiq_testing_sim)
target_compile_definitions(sensing_bench PRIVATE VENTIQ_SMCSIM_PATH="$<TARGET_FILE:ventiq-smcsim>")
add_dependencies(sensing_bench ventiq-smcsim)
