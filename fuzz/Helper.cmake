# The helper's untrusted inputs: the wire codec and the raw-write hex parser.
# Their sources are compiled into the fuzzers so that they carry the
# coverage instrumentation libFuzzer steers by.
ventiq_add_fuzzer(fuzz_wire_codec
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/WireCodecFuzzer.cpp
          ${PROJECT_SOURCE_DIR}/ipc/WireCodec.cpp ${PROJECT_SOURCE_DIR}/ipc/HelperProtocol.cpp
          ${PROJECT_SOURCE_DIR}/ipc/ConnectionChallenge.cpp ${PROJECT_SOURCE_DIR}/smc/Utf8.cpp)
target_include_directories(fuzz_wire_codec PRIVATE ${PROJECT_SOURCE_DIR})

ventiq_add_fuzzer(fuzz_parse_hex
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ParseHexFuzzer.cpp
          ${PROJECT_SOURCE_DIR}/helper/WriteKeys.cpp ${PROJECT_SOURCE_DIR}/helper/HelperError.cpp)
target_include_directories(fuzz_parse_hex PRIVATE ${PROJECT_SOURCE_DIR})
