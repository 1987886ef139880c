# pelorin_add_test(<layer> <name> SOURCES ... LIBS ... [LABELS ...] [PROPERTIES ...])
# Builds one GoogleTest executable and registers it with CTest as <layer>/<name>,
# so that `ctest -R numerics/` runs one layer. Core tests carry the label "core".
find_package(GTest REQUIRED)

function(pelorin_add_test layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  set(target test_${layer}_${name})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(NOT ARG_LIBS MATCHES "pelorin_test_main_qt")
    target_link_libraries(${target} PRIVATE GTest::gtest_main)
  endif()
  add_test(NAME ${layer}/${name} COMMAND ${target})
  set(labels ${ARG_LABELS})
  if(NOT labels)
    set(labels core)
  endif()
  set_tests_properties(${layer}/${name} PROPERTIES LABELS "${labels}"
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    ${ARG_PROPERTIES})
endfunction()
