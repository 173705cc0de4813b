# The Swift extension built and tested on a machine without Apple's
# frameworks: stand-in modules declare the part of them the extension uses,
# exactly as the frameworks do; the extension compiles against them with
# warnings as errors and its tests run over real index files.
if(APPLE)
  message(FATAL_ERROR "ZORVS_SWIFT: the stand-in frameworks are for systems without Apple's; use the macos preset")
endif()
set(CONTROLS_SWIFT_MODULES ${CMAKE_CURRENT_BINARY_DIR}/swift-modules)
set(CONTROLS_STANDIN_DIR ${CMAKE_CURRENT_SOURCE_DIR}/macos-standin)

# Swift takes none of the C++ warning options the project sets everywhere.
function(controls_swift_target target)
  set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS "")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "STATIC_LIBRARY")
    set_target_properties(${target} PROPERTIES Swift_MODULE_DIRECTORY ${CONTROLS_SWIFT_MODULES})
  endif()
  target_compile_options(${target} PRIVATE
    -swift-version 6 -warnings-as-errors
    # One compile per module; the driver loses its temporary module files
    # when it rebuilds an executable incrementally.
    -wmo
    "SHELL:-I ${CONTROLS_SWIFT_MODULES}"
    -cxx-interoperability-mode=default
    "SHELL:-I ${CMAKE_CURRENT_SOURCE_DIR}/swift-facade"
    "SHELL:-Xcc -std=c++20" "SHELL:-Xcc -I${PROJECT_SOURCE_DIR}")
endfunction()

function(controls_standin module)
  file(GLOB sources CONFIGURE_DEPENDS ${CONTROLS_STANDIN_DIR}/${module}/*.swift)
  add_library(${module} STATIC ${sources})
  controls_swift_target(${module})
  target_link_libraries(${module} PUBLIC ${ARGN})
endfunction()

controls_standin(FoundationStandIn)
controls_standin(AppKit FoundationStandIn)
controls_standin(AppIntents FoundationStandIn)
controls_standin(SwiftUI)
controls_standin(WidgetKit AppIntents SwiftUI)

# The extension's code as a library for the tests (module ZorvsControls; the
# target name ZorvsControls is the bundle's, in the Xcode build) ...
add_library(zorvs_controls_swift STATIC ${CONTROLS_SWIFT_SOURCES})
set_target_properties(zorvs_controls_swift PROPERTIES Swift_MODULE_NAME ZorvsControls)
controls_swift_target(zorvs_controls_swift)
target_compile_options(zorvs_controls_swift PRIVATE -enable-testing)
target_link_libraries(zorvs_controls_swift PUBLIC
  AppIntents AppKit SwiftUI WidgetKit zorvs_controls_facade)

# ... and as the extension's executable, entry included, so that the whole
# of it compiles as Xcode compiles it. It has no system to run in here.
add_executable(zorvs-controls-extension ${CONTROLS_SWIFT_SOURCES} ${CONTROLS_SWIFT_ENTRY})
controls_swift_target(zorvs-controls-extension)
set_target_properties(zorvs-controls-extension PROPERTIES Swift_MODULE_NAME ZorvsControls)
target_compile_options(zorvs-controls-extension PRIVATE -parse-as-library)
target_link_libraries(zorvs-controls-extension PRIVATE
  AppIntents AppKit SwiftUI WidgetKit zorvs_controls_facade)

file(GLOB controls_swift_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/macos-tests/*.swift)
add_executable(controls_swift_test ${controls_swift_tests})
controls_swift_target(controls_swift_test)
target_compile_options(controls_swift_test PRIVATE -parse-as-library)
target_link_libraries(controls_swift_test PRIVATE zorvs_controls_swift)
set_target_properties(controls_swift_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
# One test at a time, as the suites that use them are serialised: the
# stand-ins' container and workspace are process-wide.
add_test(NAME controls_swift_test COMMAND controls_swift_test --no-parallel)
