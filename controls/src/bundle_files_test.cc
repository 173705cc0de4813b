// The extension bundle's files: property list, entitlements, localizable
// texts and the image resource "zorvs".
#include <gtest/gtest.h>
#include <png.h>

#include <boost/json.hpp>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "controls/src/run_zorv_intent.h"
#include "controls/src/zorv_control.h"
#include "controls/src/zorv_control_value.h"
#include "controls/src/zorv_entity.h"
#include "host_contract.h"

namespace zorvs::controls {
namespace {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

const std::filesystem::path kResources = CONTROLS_SOURCE_DIR "/Resources";

// The <key> names of a property list and the text that follows each, in order.
std::vector<std::pair<std::string, std::string>> plistEntries(const std::string& plist) {
  static const std::regex kEntry(R"(<key>([^<]*)</key>\s*(<(?:string>[^<]*|true/|dict|array)))");
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::sregex_iterator it(plist.begin(), plist.end(), kEntry), end; it != end; ++it) {
    entries.emplace_back((*it)[1], (*it)[2]);
  }
  return entries;
}

TEST(BundleFiles, EntitlementsAreSandboxAndTheAppGroupOnly) {
  std::string entitlements = readFile(CONTROLS_BUNDLE_DIR "/ZorvsControls.entitlements");
  using Entries = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(plistEntries(entitlements),
            (Entries{{"com.apple.security.app-sandbox", "<true/"},
                     {"com.apple.security.application-groups", "<array"}}));
  std::string group = "<string>" + std::string(host::kAppGroupIdentifier) + "</string>";
  EXPECT_NE(entitlements.find("<array>\n\t\t" + group + "\n\t</array>"), std::string::npos)
      << entitlements;
}

TEST(BundleFiles, PropertyListNamesTheControlsBundleAndMacOS26) {
  auto entries = plistEntries(readFile(CONTROLS_BUNDLE_DIR "/Info.plist"));
  std::map<std::string, std::string> byKey(entries.begin(), entries.end());
  EXPECT_EQ(byKey["CFBundleIdentifier"],
            "<string>" + std::string(host::kAppIdentifier) + ".controls");
  EXPECT_EQ(byKey["LSMinimumSystemVersion"], "<string>26.0");
  EXPECT_EQ(byKey["NSExtensionPointIdentifier"], "<string>com.apple.widgetkit-extension");
}

TEST(BundleFiles, EveryTextShownIsLocalizableUnderItsEnglishWording) {
  std::set<std::string> used = {
      std::string(RunZorvIntent::kTitle),     std::string(RunZorvIntent::kZorvParameterTitle),
      std::string(ZorvControl::kDisplayName), std::string(ZorvControl::kDescription),
      std::string(kChooseAPatternText),       std::string(ZorvEntity::typeDisplayRepresentation())};
  for (const ZorvEntityPropertyTitle& property : ZorvEntity::kPropertyTitles) {
    used.emplace(property.title);
  }
  auto catalog = boost::json::parse(readFile(kResources / "Localizable.xcstrings"));
  EXPECT_EQ(catalog.at("sourceLanguage"), "en");
  std::set<std::string> keys;
  for (const auto& [key, entry] : catalog.at("strings").as_object()) {
    keys.emplace(key);
    EXPECT_EQ(entry.at_pointer("/localizations/en/stringUnit/value"), key);
  }
  EXPECT_EQ(keys, used);
  EXPECT_EQ(used.size(), 9u) << "the nine texts of the control, intent and entity";
}

// Decodes a PNG file into 8-bit RGBA; empty when it is not a valid PNG.
std::vector<png_byte> decodePng(const std::filesystem::path& path, png_uint_32& width,
                                png_uint_32& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGBA;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  width = image.width;
  height = image.height;
  return pixels;
}

TEST(BundleFiles, ImageResourceZorvsIsARealPicture) {
  std::filesystem::path imageSet = kResources / "Assets.xcassets/zorvs.imageset";
  auto contents = boost::json::parse(readFile(imageSet / "Contents.json"));
  struct Expected {
    std::string file;
    png_uint_32 size;
  } files[] = {{"zorvs.png", 32}, {"zorvs@2x.png", 64}};
  for (const Expected& expected : files) {
    png_uint_32 width = 0, height = 0;
    auto pixels = decodePng(imageSet / expected.file, width, height);
    ASSERT_FALSE(pixels.empty()) << expected.file;
    EXPECT_EQ(width, expected.size);
    EXPECT_EQ(height, expected.size);
    std::set<std::array<png_byte, 4>> colours;
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
      colours.insert({pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]});
    }
    EXPECT_TRUE(colours.contains({0, 0, 0, 0})) << "transparent around the picture";
    EXPECT_TRUE(colours.contains({255, 255, 255, 255})) << "a white letter";
    EXPECT_GT(colours.size(), 10u) << "smooth edges";
    EXPECT_NE(boost::json::serialize(contents).find("\"" + expected.file + "\""),
              std::string::npos);
  }
}

}  // namespace
}  // namespace zorvs::controls
