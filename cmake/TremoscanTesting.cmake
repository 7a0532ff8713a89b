# Test helpers. Every test binary runs with PA_BASE at the build tree's suite
# directory and HOME at a scratch directory, so no test reads or writes the
# developer's own configuration; the test mains set both at start. Binaries
# declared with X11 get a main that starts Xvfb itself when DISPLAY is unset.
option(BUILD_TESTING "Build the tests" ON)
if(BUILD_TESTING)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

set(TREMOSCAN_TEST_HOME ${CMAKE_BINARY_DIR}/test-home)

# tremoscan_test(name SOURCES ... [LIBS ...] [X11] [TIMEOUT s] [LOCK resource])
#   LOCK: tests that share a fixed outside resource (a fixed file name in
#   /tmp, say) never run at the same time.
function(tremoscan_test name)
  if(NOT BUILD_TESTING)
    return()
  endif()
  cmake_parse_arguments(ARG "X11" "TIMEOUT;LOCK" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_X11)
    set(main test_main_x11)
  else()
    set(main test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${main} test_support GTest::gtest GTest::gmock)
  set(lock)
  if(ARG_LOCK)
    set(lock RESOURCE_LOCK ${ARG_LOCK})
  endif()
  # The test mains set PA_BASE, HOME and the tree locations themselves
  # (see tests/support/test_environment.cpp).
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${lock})
endfunction()

# tremoscan_test_uses_programs(test program...)
#   The test runs these suite programs: build them first. Programs left out
#   of a partial build (TREMOSCAN_LAYERS) are simply not waited for.
function(tremoscan_test_uses_programs test)
  if(NOT TARGET ${test})
    return()
  endif()
  foreach(program ${ARGN})
    if(TARGET ${program})
      add_dependencies(${test} ${program})
    endif()
  endforeach()
endfunction()
