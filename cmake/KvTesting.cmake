# GoogleTest for both builds and one helper, kv_add_test(), for test targets.
#
# KV_GTEST_SOURCE_DIR names GoogleTest sources to build with the tree instead
# of an installed GoogleTest. The Windows cross build always builds Debian's
# sources (there is no mingw package of it); the GPU check builds sources it
# carries to machines where nothing can be installed (scripts/gpu-check.sh).
set(KV_GTEST_SOURCE_DIR "" CACHE PATH "GoogleTest sources to build with the tree (empty: find an installed one)")
set(kv_gtest_sources "${KV_GTEST_SOURCE_DIR}")
if(NOT kv_gtest_sources AND WIN32 AND CMAKE_CROSSCOMPILING)
  set(kv_gtest_sources /usr/src/googletest)
endif()

if(kv_gtest_sources)
  if(NOT EXISTS "${kv_gtest_sources}/googletest/CMakeLists.txt"
     OR NOT EXISTS "${kv_gtest_sources}/googlemock/CMakeLists.txt")
    message(FATAL_ERROR "No GoogleTest and GoogleMock sources under ${kv_gtest_sources}")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${kv_gtest_sources} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL SYSTEM)
  # GoogleTest 1.11 and later define these aliases themselves.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gmock ALIAS gmock)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

add_library(kv_test_main STATIC ${CMAKE_SOURCE_DIR}/native/tests/support/TestMain.cpp)
target_link_libraries(kv_test_main PUBLIC GTest::gtest GTest::gmock)

set(KV_TEST_DATA_DIR ${CMAKE_SOURCE_DIR}/native/tests/data)

# kv_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>])
#
# On Linux every test case is its own ctest entry. Under Wine each process
# start costs a fair fraction of a second, so a Windows test executable is
# one ctest entry that runs all of its cases.
function(kv_add_test name)
  cmake_parse_arguments(KT "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${KT_SOURCES})
  if("concurrency" IN_LIST KT_LABELS)
    set_property(GLOBAL APPEND PROPERTY KV_CONCURRENCY_TEST_TARGETS ${name})
  endif()
  target_link_libraries(${name} PRIVATE kv_test_main kv_compile_options ${KT_LIBS})
  # The headers every test may share: LUT builders, log-line checks, formats.
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/native/tests/support)
  target_compile_definitions(${name} PRIVATE KV_TEST_DATA_DIR="${KV_TEST_DATA_DIR}")
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name})
    # Every Windows test under one Wine prefix writes the same user's
    # AppData\Roaming\Kromvale\effect.log, and many read it back: run them
    # one at a time.
    set_tests_properties(${name} PROPERTIES LABELS "${KT_LABELS}" RESOURCE_LOCK wine_user_data)
  else()
    # gtest_discover_tests cannot pass a list-valued property, so several
    # labels are joined into one; `ctest -L` matches labels as regular
    # expressions, so `-L concurrency` still finds "effect-concurrency".
    string(JOIN "-" labels ${KT_LABELS})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES LABELS "${labels}")
  endif()
endfunction()
