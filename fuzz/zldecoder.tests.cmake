# Short, fixed fuzz runs of the decoder library for `make test`. The fuzz
# project also includes every fuzz/*.cmake: there this file has nothing to do.
if(NOT PROJECT_NAME STREQUAL "Quillon")
  return()
endif()
# A fixed number of runs, no time limit: every machine runs the same inputs,
# only the time they take varies.
foreach(kind wave mpeg zla xiph)
  add_test(NAME zldecoder_fuzz_${kind}
    COMMAND bash ${CMAKE_SOURCE_DIR}/zldecoder/fuzz/run-fuzzer.sh ${kind}
      ${CMAKE_BINARY_DIR}/fuzz/zldecoder_${kind}_fuzzer ${CMAKE_BINARY_DIR}/bin/zla 20000)
  set_tests_properties(zldecoder_fuzz_${kind} PROPERTIES TIMEOUT 600
    ENVIRONMENT "PULSE_SERVER=unix:/nonexistent/quillon-no-server")
endforeach()
