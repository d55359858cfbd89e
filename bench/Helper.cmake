# Helper round trips against the simulated machine, many parallel clients,
# and the resident memory of the real helper process.
ventiq_add_bench(helper_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HelperBench.cpp
  LIBS ventiq_helper ventiq_testing_sim)
target_compile_definitions(helper_bench PRIVATE VENTIQ_BENCH_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(helper_bench ventiq-smcsim com.quillmoor.ventiq.helper-test ventiq-helper-testclient)
