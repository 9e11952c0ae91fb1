# orx_add_test(NAME SOURCES ... [LIBS ...] [TIMEOUT s] [WINVER ver])
# Builds a GoogleTest program and registers it with CTest; CTest runs it under
# Wine through CMAKE_CROSSCOMPILING_EMULATOR. Tests run one at a time (the
# service's kernel object names are fixed), so no test needs a lock of its own.
function(orx_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE orx_testsupport ${T_LIBS} GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} RUN_SERIAL TRUE)
endfunction()
