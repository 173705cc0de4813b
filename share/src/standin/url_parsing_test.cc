#include "share/src/standin/url_parsing.h"

#include <gtest/gtest.h>

namespace zorvs::share::standin {
namespace {

TEST(ParseUrl, AcceptsUriReferencesAndReadsTheirParts) {
  struct Case {
    std::string text;
    std::optional<std::string> scheme;
    std::string extension;
    std::optional<std::string> file_path;
  };
  const Case cases[] = {
      {"https://example.com/a/b.html?q=1#top", "https", "html", std::nullopt},
      {"http:", "http", "", std::nullopt},
      {"HTTP://E.ORG/", "HTTP", "", std::nullopt},
      {"mailto:someone@example.com", "mailto", "com", std::nullopt},
      {"relative/path.JPG", std::nullopt, "JPG", std::nullopt},
      {"//host/x", std::nullopt, "", std::nullopt},
      {"file:///tmp/My%20Photo.JPG", "file", "JPG", "/tmp/My Photo.JPG"},
      {"file://localhost/tmp/a.png", "file", "png", "/tmp/a.png"},
      {"file://otherhost/tmp/a.png", "file", "png", std::nullopt},
      {"https://[::1]:8080/", "https", "", std::nullopt},
      {"zorvs://share?text=a%26b&url=https://x.org/?q%3D1", "zorvs", "", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<Url> url = parse_url(c.text);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absolute_string, c.text);
    EXPECT_EQ(url->scheme, c.scheme);
    EXPECT_EQ(url->path_extension, c.extension);
    EXPECT_EQ(url->file_path, c.file_path);
  }
}

TEST(ParseUrl, RejectsWhatIsNoUriReference) {
  for (const char* text : {"", "http is fun", "https://e.org/a b", "1http://e.org/", "a:b:c/d e",
                           "https://e.org/%zz", "https://e.org/%4", "x#a#b", "caf\xC3\xA9.org",
                           "https://e.org/<tag>", "path/[x]", "https://e.org/\"q\"", ":nothing"}) {
    EXPECT_EQ(parse_url(text), std::nullopt) << text;
  }
}

TEST(FileUrl, EncodesThePathAndKeepsItForReading) {
  Url url = file_url("/tmp/My Photo #1.Jpeg");
  EXPECT_EQ(url.absolute_string, "file:///tmp/My%20Photo%20%231.Jpeg");
  EXPECT_EQ(url.scheme, "file");
  EXPECT_EQ(url.path_extension, "Jpeg");
  EXPECT_EQ(url.file_path, "/tmp/My Photo #1.Jpeg");
  std::optional<Url> reparsed = parse_url(url.absolute_string);
  ASSERT_TRUE(reparsed);
  EXPECT_EQ(reparsed->file_path, url.file_path);
}

TEST(PathExtension, IsTheTextAfterTheLastDotOfTheLastComponent) {
  EXPECT_EQ(path_extension("/a.b/c"), "");
  EXPECT_EQ(path_extension("/a/c.tar.GZ"), "GZ");
  EXPECT_EQ(path_extension("/a/c."), "");
  EXPECT_EQ(path_extension("noext"), "");
}

}  // namespace
}  // namespace zorvs::share::standin
