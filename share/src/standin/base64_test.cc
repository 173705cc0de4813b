#include "share/src/standin/base64.h"

#include <gtest/gtest.h>

namespace zorvs::share::standin {
namespace {

std::vector<std::uint8_t> bytes_of(std::string_view text) {
  return {text.begin(), text.end()};
}

TEST(Base64, MatchesTheStandardVectorsBothWays) {
  const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(encode_base64(bytes_of(plain)), encoded);
    EXPECT_EQ(decode_base64(encoded), bytes_of(plain)) << encoded;
  }
}

TEST(Base64, RoundTripsEveryByteValue) {
  std::vector<std::uint8_t> all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(255 - i));
  for (size_t length : {size_t{1}, size_t{2}, size_t{3}, size_t{255}, size_t{256}}) {
    std::vector<std::uint8_t> bytes(all.begin(), all.begin() + static_cast<long>(length));
    EXPECT_EQ(decode_base64(encode_base64(bytes)), bytes);
  }
}

TEST(Base64, AcceptsMissingPaddingAndWhiteSpace) {
  EXPECT_EQ(decode_base64("Zm9vYg"), bytes_of("foob"));
  EXPECT_EQ(decode_base64("Zm9v\nYmFy\r\n"), bytes_of("foobar"));
}

TEST(Base64, RejectsWhatIsNotBase64) {
  for (const char* text : {"Zm9v!", "Zg=a", "Z", "Zm9vY", "Zg===", "=Zg=", "Zm9v-_"}) {
    EXPECT_EQ(decode_base64(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace zorvs::share::standin
