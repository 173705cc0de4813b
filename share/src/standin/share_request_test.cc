#include "share/src/standin/share_request.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "share/src/standin/standin_item_provider.h"

namespace zorvs::share::standin {
namespace {

class ShareRequestTest : public ::testing::Test {
 protected:
  std::vector<InputItem> parse(std::string_view json) {
    RequestResult result = parse_share_request(json, threads_);
    if (const auto* error = std::get_if<RequestError>(&result)) {
      ADD_FAILURE() << error->description;
      return {};
    }
    return std::move(std::get<std::vector<InputItem>>(result));
  }
  std::string error_of(std::string_view json) {
    RequestResult result = parse_share_request(json, threads_);
    const auto* error = std::get_if<RequestError>(&result);
    return error ? error->description : "(parsed)";
  }
  static const StandinItemProvider& attachment(const std::vector<InputItem>& items, size_t item,
                                               size_t index) {
    return static_cast<const StandinItemProvider&>(
        *std::get<ExtensionItem>(items.at(item)).attachments.at(index));
  }

  CompletionThreads threads_;
};

TEST_F(ShareRequestTest, ReadsItemsTitlesContentAndAttachments) {
  auto items = parse(R"({"items": [
      {"title": "T", "contentText": "C", "attachments": [
        {"conforms": ["public.url"], "load": {"public.url": {"url": "https://e.org/"}}},
        {"conforms": ["public.png"], "load": {"public.png": {"data": "iVBORw=="}}},
        {"conforms": ["public.plain-text"], "load": {"public.plain-text": {"string": "s"},
                                                    "public.url": {"urlData": "https://d.org/"}}},
        {"conforms": ["public.file-url"], "load": {"public.file-url": {"file": "/tmp/x.JPG"}}},
        {"conforms": ["public.image"], "load": {"public.image": {"image": {"width": 1, "height": 1, "rgba": "AAAA/w=="}}}},
        {"load": {"public.url": {"error": "gone"}, "public.text": {}}}
      ]},
      {},
      {"title": null}
    ]})");
  ASSERT_EQ(items.size(), 3u);
  const auto& first = std::get<ExtensionItem>(items[0]);
  EXPECT_EQ(first.attributed_title, "T");
  EXPECT_EQ(first.attributed_content_text, "C");
  ASSERT_EQ(first.attachments.size(), 6u);
  EXPECT_EQ(std::get<Url>(attachment(items, 0, 0).item_for("public.url")).absolute_string,
            "https://e.org/");
  EXPECT_TRUE(attachment(items, 0, 1).has_item_conforming_to("public.image"));
  EXPECT_EQ(std::get<Bytes>(attachment(items, 0, 1).item_for("public.image")),
            (Bytes{0x89, 'P', 'N', 'G'}));
  EXPECT_EQ(std::get<std::string>(attachment(items, 0, 2).item_for("public.plain-text")), "s");
  EXPECT_EQ(
      std::get<Bytes>(attachment(items, 0, 2).item_for("public.url")),
      Bytes(std::string_view("https://d.org/").begin(), std::string_view("https://d.org/").end()));
  Url file = std::get<Url>(attachment(items, 0, 3).item_for("public.file-url"));
  EXPECT_EQ(file.file_path, "/tmp/x.JPG");
  EXPECT_EQ(file.path_extension, "JPG");
  auto image = std::get<std::shared_ptr<const ImageObject>>(
      attachment(items, 0, 4).item_for("public.image"));
  EXPECT_TRUE(image && image->png_data());
  EXPECT_FALSE(attachment(items, 0, 5).has_item_conforming_to("public.url"));
  EXPECT_EQ(std::get<LoadError>(attachment(items, 0, 5).item_for("public.url")).description,
            "gone");
  EXPECT_TRUE(
      std::holds_alternative<NothingDelivered>(attachment(items, 0, 5).item_for("public.text")));
  EXPECT_EQ(std::get<ExtensionItem>(items[1]).attributed_title, std::nullopt);
  EXPECT_TRUE(std::get<ExtensionItem>(items[1]).attachments.empty());
}

TEST_F(ShareRequestTest, AnItemThatIsNoObjectIsAForeignInputItem) {
  auto items = parse(R"({"items": [{"title": "T"}, "stray"]})");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_TRUE(std::holds_alternative<ForeignInputItem>(items[1]));
  EXPECT_TRUE(parse(R"({})").empty());
  EXPECT_TRUE(parse(R"({"items": []})").empty());
}

TEST_F(ShareRequestTest, RelativeFilePathsAreTakenFromTheCurrentDirectory) {
  auto items = parse(
      R"({"items": [{"attachments": [{"load": {"public.file-url": {"file": "pic.png"}}}]}]})");
  Url file = std::get<Url>(attachment(items, 0, 0).item_for("public.file-url"));
  EXPECT_EQ(file.file_path, (std::filesystem::current_path() / "pic.png").string());
}

TEST_F(ShareRequestTest, NamesWhatIsWrongAndWhere) {
  struct Case {
    const char* json;
    const char* message;
  };
  const Case cases[] = {
      {"", "not valid JSON at line 1, column 1"},
      {"{\"items\": [\n  {\"title\": }]}", "not valid JSON at line 2, column 13"},
      {"{} {}", "not valid JSON"},
      {"[]", "the request must be a JSON object"},
      {R"({"itmes": []})", "unknown member \"itmes\" in the request"},
      {R"({"items": {}})", "\"items\" must be an array"},
      {R"({"items": [{"title": 5}]})", "items[0].title must be a string"},
      {R"({"items": [{"contentText": []}]})", "items[0].contentText must be a string"},
      {R"({"items": [{"content": "x"}]})", "unknown member \"content\" in items[0]"},
      {R"({"items": [{"attachments": {}}]})", "items[0].attachments must be an array"},
      {R"({"items": [{"attachments": [1]}]})", "items[0].attachments[0] must be an object"},
      {R"({"items": [{"attachments": [{"conforms": "public.url"}]}]})",
       "items[0].attachments[0].conforms must be an array of strings"},
      {R"({"items": [{"attachments": [{"load": []}]}]})",
       "items[0].attachments[0].load must be an object"},
      {R"({"items": [{"attachments": [{"load": {"public.url": {"link": "x"}}}]}]})",
       "items[0].attachments[0].load[\"public.url\"] must be {} or an object with one of"},
      {R"({"items": [{"attachments": [{"load": {"public.url": {"url": "a", "string": "b"}}}]}]})",
       "items[0].attachments[0].load[\"public.url\"] must be {} or an object with one of"},
      {R"({"items": [{"attachments": [{"load": {"public.url": {"url": "not a url"}}}]}]})",
       "items[0].attachments[0].load[\"public.url\"].url is not a URL: \"not a url\""},
      {R"({"items": [{"attachments": [{"load": {"public.png": {"data": "***"}}}]}]})",
       "load[\"public.png\"].data is not valid base64"},
      {R"({"items": [{"attachments": [{"load": {"public.png": {"data": 12}}}]}]})",
       "load[\"public.png\"].data must be a string"},
      {R"({"items": [{"attachments": [{"load": {"public.png": {"file": ""}}}]}]})",
       "load[\"public.png\"].file must be a file path"},
      {R"({"items": [{"attachments": [{"load": {"i": {"image": {"width": 2, "height": 1, "rgba": "AAAA"}}}}]}]})",
       "load[\"i\"].image.rgba holds 3 bytes, not width * height * 4"},
      {R"({"items": [{"attachments": [{"load": {"i": {"image": {"width": -1, "height": 1, "rgba": ""}}}}]}]})",
       "load[\"i\"].image.width must be an integer from 0 to 4294967295"},
      {R"({"items": [{"attachments": [{"load": {"i": {"image": {"width": 1.5, "height": 1, "rgba": ""}}}}]}]})",
       "load[\"i\"].image.width must be an integer"},
      {R"({"items": [{"attachments": [{"load": {"i": {"image": {"width": 1, "rgba": ""}}}}]}]})",
       "load[\"i\"].image.height must be an integer"},
      {R"({"items": [{"attachments": [{"load": {"i": {"image": {"width": 0, "height": 0}}}}]}]})",
       "load[\"i\"].image.rgba must be base64 text"},
      {R"({"items": [{"attachments": [{"load": {"i": {"image": []}}}]}]})",
       "load[\"i\"].image must be an object"},
  };
  for (const Case& c : cases) {
    std::string error = error_of(c.json);
    EXPECT_NE(error.find(c.message), std::string::npos) << c.json << "\n  gave: " << error;
  }
}

}  // namespace
}  // namespace zorvs::share::standin
