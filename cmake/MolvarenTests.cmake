# Unit-test executables beside the code: molvaren_add_tests(name source...)
# Tiers as ctest labels: suites beside the code are `unit` (seconds; run
# them alone with ctest -L unit while working), those under tests/ drive the
# library as a host does and are `system`.
if(CMAKE_CROSSCOMPILING)
  # No GoogleTest for the target system is installed: build Debian's source
  # package (googletest) with the cross compiler.
  set(MOLVAREN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${MOLVAREN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -Wno-error)
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

function(molvaren_add_tests name)
  set(tier unit)
  string(FIND "${CMAKE_CURRENT_SOURCE_DIR}/" "${PROJECT_SOURCE_DIR}/tests/" under_tests)
  if(under_tests EQUAL 0)
    set(tier system)
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE molvaren_test_env molvaren_core molvaren_test_support GTest::gtest
                        GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300 LABELS ${tier})
endfunction()
