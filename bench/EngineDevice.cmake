# Engine tick over the simulated machine's SMC device against the bare reads.
ventiq_add_bench(engine_device_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineDeviceBench.cpp
  LIBS ventiq_testing_engine ventiq_sim ventiq_smc)
