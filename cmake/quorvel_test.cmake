# Every test runs through tests/run_isolated.sh, which gives it a private HOME and
# XDG folders and the offscreen Qt platform, so no test can touch the real home.
set(QUORVEL_TEST_RUNNER ${CMAKE_SOURCE_DIR}/tests/run_isolated.sh)

# quorvel_add_qtest(<name> SOURCES <files...> LIBS <targets...> [TIMEOUT <s>])
function(quorvel_add_qtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${QUORVEL_TEST_RUNNER} $<TARGET_FILE:${name}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()

# quorvel_add_x11_test(<name> SOURCES ... LIBS ...): runs on a private Xvfb
# display with a window manager and the X11 Qt platform.
function(quorvel_add_x11_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/run_x11.sh ${QUORVEL_TEST_RUNNER} $<TARGET_FILE:${name}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 180)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "QUORVEL_TEST_QPA=xcb")
endfunction()

# quorvel_add_server_test(<name> SOURCES ... LIBS ...): a test that starts
# quorvel-server through the server_fixture of quorvel_test_support.
function(quorvel_add_server_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  quorvel_add_qtest(${name} SOURCES ${T_SOURCES}
    LIBS ${T_LIBS} quorvel_test_support Qt5::Sql Qt5::Network TIMEOUT 300)
  target_compile_definitions(${name} PRIVATE QUORVEL_SERVER_PATH="$<TARGET_FILE:quorvel-server>")
endfunction()
