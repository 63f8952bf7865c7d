# kv_test_each_row_level(<test target> [LABELS <labels...>])
#
# Registers a test executable made by kv_add_test() a second time with its row
# operations forced to the scalar routines; its first registration runs them
# at the best level the processor supports. The executable reads the level
# from KV_TEST_ROW_LEVEL (native/tests/support/RowLevelFromEnvironment.cpp).
function(kv_test_each_row_level target)
  cmake_parse_arguments(KR "" "" "LABELS" ${ARGN})
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/native/tests/support/RowLevelFromEnvironment.cpp)
  if(WIN32)
    add_test(NAME ${target}.scalar COMMAND ${target})
    set_tests_properties(${target}.scalar PROPERTIES
      LABELS "${KR_LABELS}" ENVIRONMENT "KV_TEST_ROW_LEVEL=scalar")
  else()
    gtest_discover_tests(${target} TEST_SUFFIX .scalar DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES LABELS "${KR_LABELS}" ENVIRONMENT "KV_TEST_ROW_LEVEL=scalar")
  endif()
endfunction()
