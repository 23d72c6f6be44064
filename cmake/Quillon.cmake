# Helpers shared by the folders' CMakeLists.

# The sound servers the real-server tests run against.
set(QUILLON_SOUND_SERVERS pulseaudio pipewire)

# quillon_sound_server(<server> <fixture-var> <script-var> <dir-var>)
#   The ctest fixture that runs <server> privately, its start/stop script and
#   its directory (the server listens on unix:<dir>/native).
function(quillon_sound_server server fixture_var script_var dir_var)
  if(server STREQUAL "pulseaudio")
    set(fixture pulse_server)
    set(script pulse-server.sh)
  else()
    set(fixture ${server}_server)
    set(script ${server}-server.sh)
  endif()
  set(${fixture_var} ${fixture} PARENT_SCOPE)
  set(${script_var} ${CMAKE_SOURCE_DIR}/scripts/${script} PARENT_SCOPE)
  set(${dir_var} ${CMAKE_BINARY_DIR}/${server}-test PARENT_SCOPE)
endfunction()

# The private session bus of the tests that need one (fixture "session_bus").
set(QUILLON_BUS_DIR ${CMAKE_BINARY_DIR}/session-bus-test)
# Every other test is kept off the user's own buses.
set(QUILLON_NO_BUS_ENV
  "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/quillon-no-bus"
  "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/quillon-no-bus")

# quillon_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [PULSE] [QT] [BUS] [TIMEOUT <s>])
#   A GoogleTest executable registered with ctest.
#   QT:    runs with Qt's offscreen platform and links the Qt-aware test main
#          (tests/support/qt_test_main.cpp) instead of gtest_main.
#   PULSE: needs a real sound server. Registered once per server in
#          QUILLON_SOUND_SERVERS, as <name>_pulseaudio and <name>_pipewire,
#          each needing its server's fixture, with PULSE_SERVER pointing at
#          that server and QUILLON_SOUND_SERVER naming it. The ctest names
#          are left in <name>_TESTS, for properties added afterwards.
#   BUS:   runs on the private session bus, which serves as the system bus
#          too; one such test at a time, as they take the same bus names.
function(quillon_add_test)
  cmake_parse_arguments(T "PULSE;QT;BUS" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
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
    "QUILLON_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}/screenshots"
    # Recordings in progress of tests that choose no folder stay in the build.
    "XDG_STATE_HOME=${CMAKE_BINARY_DIR}/test-state")
  if(T_BUS)
    list(APPEND env "DBUS_SESSION_BUS_ADDRESS=unix:path=${QUILLON_BUS_DIR}/bus"
                    "DBUS_SYSTEM_BUS_ADDRESS=unix:path=${QUILLON_BUS_DIR}/bus")
  else()
    list(APPEND env ${QUILLON_NO_BUS_ENV})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(T_PULSE)
    quillon_add_server_test(NAME ${T_NAME} COMMAND ${T_NAME} ENVIRONMENT ${env} TIMEOUT ${T_TIMEOUT})
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    # Unit tests must never reach a real server by accident.
    list(APPEND env "PULSE_SERVER=unix:/nonexistent/quillon-no-server")
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
    set(${T_NAME}_TESTS ${T_NAME})
  endif()
  if(T_BUS)
    set_property(TEST ${${T_NAME}_TESTS} APPEND PROPERTY FIXTURES_REQUIRED session_bus)
    set_property(TEST ${${T_NAME}_TESTS} APPEND PROPERTY RESOURCE_LOCK session_bus)
  endif()
  set(${T_NAME}_TESTS ${${T_NAME}_TESTS} PARENT_SCOPE)
endfunction()

# quillon_add_server_test(NAME <name> COMMAND <command...> [ENVIRONMENT <var=value...>] [TIMEOUT <s>])
#   Any command (a test program, a script) run once against each sound
#   server, as <name>_<server>; the names are left in <name>_TESTS. Real-server
#   tests run one at a time, whichever server they use: on a small machine two
#   of them at once starve each other's streams and the servers drop audio.
function(quillon_add_server_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND;ENVIRONMENT" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(names)
  foreach(server IN LISTS QUILLON_SOUND_SERVERS)
    quillon_sound_server(${server} fixture script dir)
    set(name ${T_NAME}_${server})
    add_test(NAME ${name} COMMAND ${T_COMMAND})
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "${T_ENVIRONMENT};PULSE_SERVER=unix:${dir}/native;QUILLON_PULSE_DIR=${dir};QUILLON_SOUND_SERVER=${server}"
      FIXTURES_REQUIRED ${fixture} RESOURCE_LOCK sound_server TIMEOUT ${T_TIMEOUT}
      LABELS "real-server;${server}"
      # Their gap checks listen for tens of milliseconds: a fuzzer or the
      # package build beside them on two cores starves the streams.
      RUN_SERIAL TRUE)
    list(APPEND names ${name})
  endforeach()
  set(${T_NAME}_TESTS ${names} PARENT_SCOPE)
endfunction()
