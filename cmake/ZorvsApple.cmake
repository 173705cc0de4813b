# Each deliverable runs from its own macOS release, on Apple silicon only:
# the bridge from 11.0, the share extension from 13.0, the controls extension
# from 26.0. zorvs_apple_target(<target> <version>) sets both for one target,
# for the Xcode generator and for the others alike; elsewhere it does nothing.
function(zorvs_apple_target target version)
  if(NOT APPLE)
    return()
  endif()
  set_target_properties(${target} PROPERTIES
    OSX_ARCHITECTURES arm64
    XCODE_ATTRIBUTE_MACOSX_DEPLOYMENT_TARGET ${version})
  if(NOT CMAKE_GENERATOR STREQUAL "Xcode")
    target_compile_options(${target} PRIVATE -mmacosx-version-min=${version})
    target_link_options(${target} PRIVATE -mmacosx-version-min=${version})
  endif()
endfunction()
