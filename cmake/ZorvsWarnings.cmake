# Every target of the project gets the same warning set; warnings stay at zero.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
if(ZORVS_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# zorvs_test(name [PREFIX p] SOURCES ... LIBS ...): one GoogleTest executable registered
# with CTest, its test names prefixed with p where the same tests are built twice,
# each test labelled with the executable's name. In a cross build the tests
# start the programs they run under the same emulator as CTest runs them.
function(zorvs_test name)
  cmake_parse_arguments(T "" "PREFIX" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  set(properties ENVIRONMENT "ZORVS_BIN_DIR=${PROJECT_BINARY_DIR}/bin" LABELS ${name})
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
    # A second variable of its own: a list in ENVIRONMENT would not survive
    # test discovery.
    list(APPEND properties ENVIRONMENT_MODIFICATION "ZORVS_TEST_EMULATOR=set:${emulator}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "${T_PREFIX}" PROPERTIES ${properties})
endfunction()
