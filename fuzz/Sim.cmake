# The simulated machine's two untrusted inputs: SMC call records and
# platform-service request lines. Its sources are compiled in for coverage.
ventiq_add_fuzzer(fuzz_sim_requests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/SimRequestFuzzer.cpp
          ${PROJECT_SOURCE_DIR}/sim/MachineProfile.cpp ${PROJECT_SOURCE_DIR}/sim/SimMachine.cpp
          ${PROJECT_SOURCE_DIR}/sim/SimKeyTable.cpp ${PROJECT_SOURCE_DIR}/sim/SimPhysics.cpp
          ${PROJECT_SOURCE_DIR}/sim/SimPlatformProtocol.cpp
          ${PROJECT_BINARY_DIR}/sim/EmbeddedProfiles.cpp
  LIBS ventiq_smc nlohmann_json::nlohmann_json)
target_include_directories(fuzz_sim_requests PRIVATE ${PROJECT_SOURCE_DIR})
