# orvex_add_test(<name> LABEL <unit|integration|e2e> SOURCES <files...> [LIBS <targets...>]
#                [TIMEOUT <seconds>])
# Builds one GoogleTest program and registers it with CTest under its labels (a ;-list).
# Nothing is built when ORVEX_TESTS is off (the fuzz build).
include(GoogleTest)
option(ORVEX_TESTS "Build the test programs" ON)

function(orvex_add_test name)
  if(NOT ORVEX_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE orvex_core ${T_LIBS} GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT})
endfunction()
