# Short, fixed fuzz runs of the decoder library for `make test`. The fuzz
# project also includes every fuzz/*.cmake: there this file has nothing to do.
if(NOT PROJECT_NAME STREQUAL "Quillon")
  return()
endif()
# A fixed number of runs for each (fewer where inputs are long: MPEG seeds
# beyond one decoding block); the time this takes varies with the machine.
foreach(run wave:20000 mpeg:8000 zla:10000)
  string(REPLACE ":" ";" run ${run})
  list(GET run 0 kind)
  list(GET run 1 runs)
  add_test(NAME zldecoder_fuzz_${kind}
    COMMAND bash ${CMAKE_SOURCE_DIR}/zldecoder/fuzz/run-fuzzer.sh ${kind}
      ${CMAKE_BINARY_DIR}/fuzz/zldecoder_${kind}_fuzzer ${CMAKE_BINARY_DIR}/bin/zla ${runs})
  set_tests_properties(zldecoder_fuzz_${kind} PROPERTIES TIMEOUT 600
    ENVIRONMENT "PULSE_SERVER=unix:/nonexistent/quillon-no-server")
endforeach()
