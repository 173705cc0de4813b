#include "share/src/share_values.h"

#include <gtest/gtest.h>

namespace zorvs::share {
namespace {

TEST(ShareUrl, WithoutValuesHasNoQueryAtAll) {
  EXPECT_EQ(share_url({}), "zorvs://share");
}

TEST(ShareUrl, OrdersItemsTextUrlTitleImageWhateverWasSetFirst) {
  ShareValues values;
  values.picture_path = "/c/share/a.png";
  values.title = "T";
  values.link = "https://x.org/";
  values.text = "";
  EXPECT_EQ(share_url(values),
            "zorvs://share?text=&url=https://x.org/&title=T&image=/c/share/a.png");
  values.text.reset();
  values.link.reset();
  EXPECT_EQ(share_url(values), "zorvs://share?title=T&image=/c/share/a.png");
}

TEST(ShareUrl, WebLinkSchemeIsACaseSensitiveHttpPrefix) {
  struct Case {
    std::optional<std::string> scheme;
    bool web;
  };
  const Case cases[] = {{"http", true},   {"https", true}, {"httpx", true}, {"HTTP", false},
                        {"Https", false}, {"ftp", false},  {"htt", false},  {std::nullopt, false}};
  for (const Case& c : cases)
    EXPECT_EQ(is_web_link_scheme(c.scheme), c.web) << c.scheme.value_or("(none)");
}

}  // namespace
}  // namespace zorvs::share
