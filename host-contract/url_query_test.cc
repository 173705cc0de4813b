#include "host-contract/url_query.h"

#include <gtest/gtest.h>

#include "host_contract.h"

namespace zorvs::host {
namespace {

TEST(UrlQuery, NoItemsMeansNoQuestionMark) {
  EXPECT_EQ(make_url("share", {}), "zorvs://share");
  EXPECT_EQ(make_url("run", {}), "zorvs://run");
}

TEST(UrlQuery, KeepsItemOrderAndEncodesSeparators) {
  EXPECT_EQ(make_url("share", {{"text", "a&b=c d+e#f%"}, {"url", "https://x.org/?q=1"}}),
            "zorvs://share?text=a%26b%3Dc%20d+e%23f%25&url=https://x.org/?q%3D1");
  EXPECT_EQ(make_url("share", {{"text", ""}}), "zorvs://share?text=");
}

TEST(UrlQuery, PlainDecodingRecoversEveryValue) {
  const std::vector<std::string> values = {
      "", "plain", "a&b", "k=v=w", "1+1=2", "100%", "%41", "#frag", "spaced out  ",
      "caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x98\x80", "line\nbreak\ttab", std::string("nul\0in", 6),
      "\xff\xfe raw bytes"};
  for (const std::string& value : values) {
    std::string url = make_url("share", {{"text", value}, {"title", value}});
    auto items = decode_query(url);
    ASSERT_TRUE(items) << url;
    ASSERT_EQ(items->size(), 2u) << url;
    EXPECT_EQ((*items)[0].name, "text");
    EXPECT_EQ((*items)[0].value, value) << url;
    EXPECT_EQ((*items)[1].value, value) << url;
    EXPECT_EQ(url.find_first_of(" \n\t#"), std::string::npos) << url;
  }
}

TEST(UrlQuery, DecoderRejectsBrokenEscapes) {
  EXPECT_FALSE(decode_query("zorvs://run?id=%4"));
  EXPECT_FALSE(decode_query("zorvs://run?id=%zz"));
  auto none = decode_query("zorvs://run");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
}

TEST(HostContract, AppGroupIsTeamPrefixGroupAndAppIdentifier) {
  EXPECT_EQ(std::string(kAppGroupIdentifier),
            std::string(kTeamPrefix) + ".group." + std::string(kAppIdentifier));
}

}  // namespace
}  // namespace zorvs::host
