# Unit-test executables beside the code: molvaren_add_tests(name source...)
find_package(GTest REQUIRED)
include(GoogleTest)

function(molvaren_add_tests name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE molvaren_core molvaren_test_support GTest::gtest
                        GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300)
endfunction()
