// The extension's property list and entitlements, as configured for the build.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "host_contract.h"

namespace {

std::string read_bundle_file(const std::string& name) {
  std::ifstream in(std::string(SHARE_BUNDLE_DIR) + "/" + name);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> matches(const std::string& text, const std::regex& pattern) {
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    found.push_back((*it)[1]);
  }
  return found;
}

// The element that follows <key>key</key>, white space removed.
std::string value_of(const std::string& plist, const std::string& key) {
  std::smatch match;
  std::regex pattern("<key>" + key + "</key>\\s*(<[^>]*/>|<[^>]*>[^<]*</[^>]*>)");
  return std::regex_search(plist, match, pattern) ? match[1].str() : "(missing)";
}

TEST(BundleFiles, EntitlementsAreExactlyTheSandboxTheAppGroupAndUserSelectedReading) {
  std::string entitlements = read_bundle_file("PlavikShare.entitlements");
  EXPECT_EQ(matches(entitlements, std::regex("<key>([^<]*)</key>")),
            (std::vector<std::string>{"com.apple.security.app-sandbox",
                                      "com.apple.security.application-groups",
                                      "com.apple.security.files.user-selected.read-only"}));
  EXPECT_EQ(value_of(entitlements, "com.apple.security.app-sandbox"), "<true/>");
  EXPECT_EQ(value_of(entitlements, "com.apple.security.files.user-selected.read-only"), "<true/>");
  EXPECT_EQ(matches(entitlements, std::regex("<string>([^<]*)</string>")),
            std::vector<std::string>{std::string(zorvs::host::kAppGroupIdentifier)});
}

TEST(BundleFiles, PropertyListNamesTheShareServicesPrincipalClassAndActivationRule) {
  std::string plist = read_bundle_file("Info.plist");
  EXPECT_EQ(value_of(plist, "NSExtensionPrincipalClass"), "<string>ShareViewController</string>");
  EXPECT_EQ(value_of(plist, "NSExtensionPointIdentifier"),
            "<string>com.apple.share-services</string>");
  EXPECT_EQ(value_of(plist, "NSExtensionActivationSupportsText"), "<true/>");
  EXPECT_EQ(value_of(plist, "NSExtensionActivationSupportsWebURLWithMaxCount"),
            "<integer>1</integer>");
  EXPECT_EQ(value_of(plist, "NSExtensionActivationSupportsImageWithMaxCount"),
            "<integer>1</integer>");
  EXPECT_EQ(value_of(plist, "CFBundleIdentifier"),
            "<string>" + std::string(zorvs::host::kAppIdentifier) + ".share</string>");
}

}  // namespace
