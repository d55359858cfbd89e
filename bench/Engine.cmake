# CPU per engine tick over the in-process fake SMC of the two-fan M5 Max.
ventiq_add_bench(engine_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineBench.cpp
  LIBS ventiq_testing_engine)
