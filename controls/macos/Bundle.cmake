# ZorvsControls.appex, made by the Xcode generator on a Mac: the Swift
# extension with the logic linked in statically, the WidgetKit extension
# point from Info.plist.in, the entitlements, the asset catalog and the
# string catalog. Xcode compiles both catalogs and extracts the App Intents
# metadata (Metadata.appintents) from the Swift sources itself.
set(controls_resources
  ${CMAKE_CURRENT_SOURCE_DIR}/Resources/Assets.xcassets
  ${CMAKE_CURRENT_SOURCE_DIR}/Resources/Localizable.xcstrings)
add_executable(ZorvsControls MACOSX_BUNDLE
  ${CONTROLS_SWIFT_SOURCES} ${CONTROLS_SWIFT_ENTRY} ${controls_resources})
# Swift takes none of the C++ warning options the project sets everywhere.
set_property(TARGET ZorvsControls PROPERTY COMPILE_OPTIONS "")
set_target_properties(ZorvsControls PROPERTIES
  BUNDLE_EXTENSION appex
  MACOSX_BUNDLE_INFO_PLIST ${CONTROLS_BUNDLE_DIR}/Info.plist
  RESOURCE "${controls_resources}"
  XCODE_PRODUCT_TYPE com.apple.product-type.app-extension
  XCODE_ATTRIBUTE_PRODUCT_BUNDLE_IDENTIFIER ${CONTROLS_BUNDLE_IDENTIFIER}
  XCODE_ATTRIBUTE_CODE_SIGN_ENTITLEMENTS ${CONTROLS_BUNDLE_DIR}/ZorvsControls.entitlements
  XCODE_ATTRIBUTE_APPLICATION_EXTENSION_API_ONLY YES
  XCODE_ATTRIBUTE_SWIFT_VERSION 6.0
  # Swift calls the logic through C++ interoperability: the facade's module
  # map, and the repository root for the headers it includes.
  XCODE_ATTRIBUTE_SWIFT_OBJC_INTEROP_MODE objcxx
  XCODE_ATTRIBUTE_CLANG_CXX_LANGUAGE_STANDARD c++20
  XCODE_ATTRIBUTE_SWIFT_INCLUDE_PATHS ${CMAKE_CURRENT_SOURCE_DIR}/swift-facade
  XCODE_ATTRIBUTE_HEADER_SEARCH_PATHS ${PROJECT_SOURCE_DIR}
  XCODE_ATTRIBUTE_LD_RUNPATH_SEARCH_PATHS "@executable_path/../Frameworks @executable_path/../../../../Frameworks")
target_link_libraries(ZorvsControls PRIVATE zorvs_controls_facade)
zorvs_apple_target(ZorvsControls 26.0)
