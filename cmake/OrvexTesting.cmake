# orvex_add_test(<name> LABEL <unit|integration|e2e|stress...> SOURCES <files...> [LIBS <targets...>]
#                [ENVIRONMENT <VAR=value...>] [OWN_MAIN]
#                [TIMEOUT <seconds>])
# Builds one GoogleTest program and registers it with CTest under its labels (a ;-list).
# Nothing is built when ORVEX_TESTS is off (the fuzz build).
include(GoogleTest)
option(ORVEX_TESTS "Build the test programs" ON)

function(orvex_add_test name)
  if(NOT ORVEX_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "OWN_MAIN" "TIMEOUT" "LABEL;SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(main GTest::gtest_main)
  if(T_OWN_MAIN)
    set(main)  # the program brings its own main()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE orvex_core ${T_LIBS} GTest::gmock ${main} GTest::gtest)
  # Tests may also use the cross-area helpers under tests/.
  orvex_folder_root(tests_root tests)
  target_include_directories(${name} PRIVATE ${tests_root})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT})
  if(T_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()
