#include "controls/src/run_zorv_intent.h"

#include <gtest/gtest.h>

#include "controls/src/testing/fake_platform.h"
#include "host-contract/url_query.h"

namespace zorvs::controls {
namespace {

RunZorvIntent intentFor(std::string identifier) {
  ZorvEntity entity;
  entity.identifier = std::move(identifier);
  entity.name = "Some pattern";
  return RunZorvIntent{entity};
}

TEST(RunZorvIntent, UrlCarriesTheIdentifierOnlyWhenThereIsOne) {
  EXPECT_EQ(RunZorvIntent{}.runURL(), "zorvs://run");
  EXPECT_EQ(intentFor("").runURL(), "zorvs://run");
  EXPECT_EQ(intentFor("abcXYZ0129").runURL(), "zorvs://run?id=abcXYZ0129");
  EXPECT_EQ(intentFor("my pattern").runURL(), "zorvs://run?id=my%20pattern");
}

TEST(RunZorvIntent, DecodingTheIdItemGivesTheIdentifierBack) {
  const std::string identifiers[] = {"my pattern",
                                     "a&b=c",
                                     "100%",
                                     "1+1",
                                     "#tag",
                                     "?x/y",
                                     "caf\xc3\xa9 \xf0\x9f\x98\x80",
                                     "cafe\xcc\x81",
                                     "  padded  ",
                                     "line\nbreak",
                                     std::string("nul\0inside", 10)};
  for (const std::string& identifier : identifiers) {
    std::string url = intentFor(identifier).runURL();
    auto items = host::decode_query(url);
    ASSERT_TRUE(items) << url;
    ASSERT_EQ(items->size(), 1u) << url;
    EXPECT_EQ((*items)[0].name, "id");
    EXPECT_EQ((*items)[0].value, identifier) << url;
    EXPECT_TRUE(url.starts_with("zorvs://run?id=")) << url;
    EXPECT_EQ(url.find_first_of(" \n#&", 15), std::string::npos) << url;
  }
}

TEST(RunZorvIntent, PerformOpensTheUrlAndSendsRemovedPatternsToo) {
  FakePlatform platform;
  platform.writeIndex(FakePlatform::indexOf({R"({"id":"other","name":"Other"})"}));
  EXPECT_EQ(intentFor("gone since").perform(platform), std::nullopt);
  EXPECT_EQ(RunZorvIntent{}.perform(platform), std::nullopt);
  EXPECT_EQ(platform.openedURLs,
            (std::vector<std::string>{"zorvs://run?id=gone%20since", "zorvs://run"}));
  EXPECT_TRUE(platform.readPaths.empty()) << "the index is not consulted";
}

TEST(RunZorvIntent, PerformPassesThePlatformErrorOnUnchanged) {
  FakePlatform platform;
  platform.openError =
      PlatformError{"NSOSStatusErrorDomain", -10814, "No application knows how to open the URL."};
  EXPECT_EQ(intentFor("p1").perform(platform), platform.openError);
  EXPECT_EQ(platform.openedURLs, std::vector<std::string>{"zorvs://run?id=p1"});
}

}  // namespace
}  // namespace zorvs::controls
