# Every target of the project gets the same warning set; warnings stay at zero.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
if(ZORVS_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# zorvs_test(name [PREFIX p] SOURCES ... LIBS ...): one GoogleTest executable registered
# with CTest, its test names prefixed with p where the same tests are built twice.
function(zorvs_test name)
  cmake_parse_arguments(T "" "PREFIX" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 TEST_PREFIX "${T_PREFIX}"
    PROPERTIES ENVIRONMENT "ZORVS_BIN_DIR=${PROJECT_BINARY_DIR}/bin")
endfunction()
