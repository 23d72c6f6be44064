# A short, fixed fuzz run of the list-file reader for `make test`.
if(NOT PROJECT_NAME STREQUAL "Quillon")
  return()
endif()
add_test(NAME playlist_list_file_fuzz
  COMMAND bash ${CMAKE_SOURCE_DIR}/playlist/fuzz/run-fuzzer.sh
    ${CMAKE_BINARY_DIR}/fuzz/playlist_list_file_fuzzer 50000)
set_tests_properties(playlist_list_file_fuzz PROPERTIES TIMEOUT 120
  ENVIRONMENT "PULSE_SERVER=unix:/nonexistent/quillon-no-server")
