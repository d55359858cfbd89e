# SMC device round trips against the simulated M5 Max, served in-process.
ventiq_add_bench(smc_device_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SMCDeviceBench.cpp
  LIBS ventiq_sim ventiq_smc)
