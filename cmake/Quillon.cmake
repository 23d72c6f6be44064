# Helpers shared by the folders' CMakeLists.

# quillon_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [PULSE] [QT])
#   A GoogleTest executable registered with ctest.
#   QT:    runs with Qt's offscreen platform and links the Qt-aware test main
#          (tests/support/qt_test_main.cpp) instead of gtest_main.
#   PULSE: needs the private PulseAudio server that the test harness starts
#          (ctest fixture "pulse_server"); PULSE_SERVER points at it.
function(quillon_add_test)
  cmake_parse_arguments(T "PULSE;QT" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${QUILLON_TEST_OUTPUT_DIRECTORY})
  if(T_QT)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} quillon_qt_test_main)
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} quillon_test_support GTest::gtest_main)
  endif()
  set(env
    "QT_QPA_PLATFORM=offscreen"
    "QUILLON_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
    "QUILLON_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    "QUILLON_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}/screenshots")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(T_PULSE)
    list(APPEND env "PULSE_SERVER=unix:${QUILLON_PULSE_DIR}/native"
                    "QUILLON_PULSE_DIR=${QUILLON_PULSE_DIR}")
    set_tests_properties(${T_NAME} PROPERTIES
      FIXTURES_REQUIRED pulse_server RESOURCE_LOCK pulse_server)
  else()
    # Unit tests must never reach a real server by accident.
    list(APPEND env "PULSE_SERVER=unix:/nonexistent/quillon-no-server")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
endfunction()
