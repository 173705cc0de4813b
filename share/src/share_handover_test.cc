#include "share/src/share_handover.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "host-contract/url_query.h"
#include "share/src/testing/test_platform.h"

namespace zorvs::share {
namespace {

using testing::Attachment;
using testing::Foreign;
using testing::Item;
using testing::TestInput;
using testing::TestPlatform;

const char kPng[] = "\x89PNG\r\n\x1a\n-picture-";

// "{image}" in an expected URL stands for the path of the one staged picture.
std::string with_staged_path(std::string expected, const TestPlatform& platform) {
  size_t at = expected.find("{image}");
  if (at == std::string::npos) return expected;
  std::vector<std::string> staged = platform.staged_files();
  std::string path = staged.size() == 1 ? platform.staging_directory() + "/" + staged[0] : "(none)";
  return expected.replace(at, 7, host::encode_query_component(path));
}

TEST(HandOver, GathersTheShareUrlByTheRules) {
  struct Case {
    const char* name;
    std::vector<TestInput> inputs;
    std::string expected;
  };
  const Attachment web_page{{"public.url", "public.plain-text"},
                            {{"public.url", testing::url_item("https://late.example/")},
                             {"public.plain-text", std::string("page text")}}};
  const Case cases[] = {
      {"nothing shared", {}, "zorvs://share"},
      {"nothing usable",
       {Item{
           "", "", {Attachment{{"com.example.thing"}, {}}, testing::failing("public.plain-text")}}},
       "zorvs://share"},
      {"content text next to a link becomes the title",
       {Item{{}, "Page", {testing::link("https://example.com/a")}}},
       "zorvs://share?url=https://example.com/a&title=Page"},
      {"a text equal to the content text is cleared",
       {Item{{}, "Page", {testing::link("https://example.com/a"), testing::plain_text("Page")}}},
       "zorvs://share?url=https://example.com/a&title=Page"},
      {"equality is canonical equivalence",
       {Item{{},
             "caf\xC3\xA9",
             {testing::link("https://e.org/"), testing::plain_text("cafe\xCC\x81")}}},
       "zorvs://share?url=https://e.org/&title=caf%C3%A9"},
      {"a compatibility form is a different text",
       {Item{{}, "\xEF\xAC\x81", {testing::link("https://e.org/"), testing::plain_text("fi")}}},
       "zorvs://share?text=fi&url=https://e.org/&title=%EF%AC%81"},
      {"a different text stays beside the title",
       {Item{{}, "Page", {testing::link("https://e.org/"), testing::plain_text("Other")}}},
       "zorvs://share?text=Other&url=https://e.org/&title=Page"},
      {"content text without a link is the text",
       {Item{{}, "Hello", {}}, Item{{}, "Ignored", {}}},
       "zorvs://share?text=Hello"},
      {"content text with a title already known is a text",
       {Item{"Title", "Body", {testing::link("https://e.org/")}}},
       "zorvs://share?text=Body&url=https://e.org/&title=Title"},
      {"a web link arriving as plain text is the link, verbatim",
       {Item{{}, {}, {testing::plain_text("https://e.org/x?a=1&b=2")}}},
       "zorvs://share?url=https://e.org/x?a%3D1%26b%3D2"},
      {"the http test is a prefix test",
       {Item{{}, {}, {testing::plain_text("httpx://e.org/")}}},
       "zorvs://share?url=httpx://e.org/"},
      {"an ftp link in plain text is text",
       {Item{{}, {}, {testing::plain_text("ftp://e.org/f")}}},
       "zorvs://share?text=ftp://e.org/f"},
      {"the scheme test is case-sensitive",
       {Item{{}, {}, {testing::plain_text("HTTP://e.org/")}}},
       "zorvs://share?text=HTTP://e.org/"},
      {"plain text that does not parse is text",
       {Item{{}, {}, {testing::plain_text("http is fun")}}},
       "zorvs://share?text=http%20is%20fun"},
      {"a web link in plain text once a link is known is text",
       {Item{{}, {}, {testing::link("https://a.org/"), testing::plain_text("https://b.org/")}}},
       "zorvs://share?text=https://b.org/&url=https://a.org/"},
      {"an empty plain text is an empty text item",
       {Item{{}, {}, {testing::plain_text("")}}},
       "zorvs://share?text="},
      {"an empty text gives way to content shared after it",
       {Item{{}, "Hello", {testing::plain_text("")}}},
       "zorvs://share?text=Hello"},
      {"an empty text gives way to a later plain text",
       {Item{{}, {}, {testing::plain_text(""), testing::plain_text("later")}}},
       "zorvs://share?text=later"},
      {"the first text wins",
       {Item{{}, "content", {testing::plain_text("first"), testing::plain_text("second")}}},
       "zorvs://share?text=first"},
      {"a shared file is never a link",
       {Item{{},
             {},
             {Attachment{{"public.file-url"},
                         {{"public.file-url", testing::url_item("file:///tmp/a.txt")}}}}}},
       "zorvs://share"},
      {"a failing link load lets the next link attachment supply it",
       {Item{{}, {}, {testing::failing("public.url"), testing::link("https://second.org/")}}},
       "zorvs://share?url=https://second.org/"},
      {"the first link that loads wins",
       {Item{{}, {}, {testing::link("https://first.org/"), testing::link("https://second.org/")}}},
       "zorvs://share?url=https://first.org/"},
      {"a link load delivering nothing gives no link",
       {Item{{}, {}, {Attachment{{"public.url"}, {{"public.url", NothingDelivered{}}}}}}},
       "zorvs://share"},
      {"link data is a URL's data representation",
       {Item{{},
             {},
             {Attachment{{"public.url"},
                         {{"public.url", testing::bytes_item("https://data.org/p")}}}}}},
       "zorvs://share?url=https://data.org/p"},
      {"a link string is parsed",
       {Item{
           {}, {}, {Attachment{{"public.url"}, {{"public.url", std::string("https://s.org/")}}}}}},
       "zorvs://share?url=https://s.org/"},
      {"link bytes or strings that form no URL give none, and the next is tried",
       {Item{{},
             {},
             {Attachment{{"public.url"}, {{"public.url", testing::bytes_item("not a url")}}},
              Attachment{{"public.url"}, {{"public.url", std::string("")}}},
              Attachment{{"public.url"}, {{"public.url", testing::image_item(1, 1, Bytes(4))}}},
              testing::link("https://fourth.org/")}}},
       "zorvs://share?url=https://fourth.org/"},
      {"a link attachment whose load fails feeds nothing else",
       {Item{{},
             {},
             {Attachment{{"public.url", "public.plain-text"},
                         {{"public.url", LoadError{"gone"}},
                          {"public.plain-text", std::string("fallback")}}}}}},
       "zorvs://share"},
      {"once a link is known, a later web page supplies its text",
       {Item{{}, {}, {testing::link("https://a.org/"), web_page}}},
       "zorvs://share?text=page%20text&url=https://a.org/"},
      {"plain text delivering bytes is no text",
       {Item{{},
             {},
             {Attachment{{"public.plain-text"},
                         {{"public.plain-text", testing::bytes_item("raw")}}}}}},
       "zorvs://share"},
      {"the first non-empty title wins",
       {Item{"", {}, {}}, Item{"First", {}, {}}, Item{"Second", {}, {}}},
       "zorvs://share?title=First"},
      {"one item that is not an extension item empties the input",
       {Item{"Title", "Body", {testing::link("https://e.org/")}}, Foreign{}},
       "zorvs://share"},
      {"the query order does not follow the order of discovery",
       {Item{{}, {}, {testing::picture(testing::bytes_item(kPng))}}, Item{"T", {}, {}},
        Item{{}, {}, {testing::plain_text("x")}}},
       "zorvs://share?text=x&title=T&image={image}"},
      {"only the first picture is staged",
       {Item{{},
             {},
             {testing::picture(testing::bytes_item(kPng)),
              testing::picture(testing::bytes_item(kPng))}}},
       "zorvs://share?image={image}"},
      {"a picture that cannot be staged lets a later one be",
       {Item{{},
             {},
             {testing::picture(testing::bytes_item("")),
              testing::picture(testing::bytes_item(kPng))}}},
       "zorvs://share?image={image}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestPlatform platform;
    platform.set_items(c.inputs);
    std::string opened = platform.handOver();
    EXPECT_EQ(opened, with_staged_path(c.expected, platform));
    EXPECT_EQ(platform.opened().size(), 1u);
    EXPECT_EQ(platform.completions(), 1);
    EXPECT_EQ(platform.calls_off_main_thread(), 0);
  }
}

TEST(HandOver, EveryValueArrivesWholeThroughAPlainDecoder) {
  const std::string values[] = {"a&b",          "k=v=w",
                                "1+1=2",        "100%",
                                "%41",          "#top",
                                "a b\tc\nd",    "caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80",
                                "?/:@!$'()*,;", std::string(100000, 'x')};
  for (const std::string& value : values) {
    SCOPED_TRACE(value.substr(0, 40));
    TestPlatform platform;
    platform.set_items(
        {Item{value,
              {},
              {testing::plain_text(value), testing::link("https://e.org/?q=" + std::string("1"))}},
         Item{{}, {}, {testing::picture(testing::bytes_item(kPng))}}});
    std::string url = platform.handOver();
    auto items = host::decode_query(url);
    ASSERT_TRUE(items) << url;
    ASSERT_EQ(items->size(), 4u) << url;
    EXPECT_EQ((*items)[0].name, "text");
    EXPECT_EQ((*items)[0].value, value);
    EXPECT_EQ((*items)[1].value, "https://e.org/?q=1");
    EXPECT_EQ((*items)[2].name, "title");
    EXPECT_EQ((*items)[2].value, value);
    EXPECT_EQ((*items)[3].value,
              platform.staging_directory() + "/" + platform.staged_files().at(0));
  }
}

TEST(HandOver, LoadsEachAttachmentAtMostOnceAndOnlyAsItsRuleSays) {
  TestPlatform platform;
  Attachment text_file{{"public.file-url", "public.plain-text"},
                       {{"public.file-url", testing::url_item("file:///tmp/notes.txt")},
                        {"public.plain-text", std::string("notes")}}};
  Attachment other{{"com.example.thing"}, {{"com.example.thing", std::string("?")}}};
  platform.set_items({Item{{},
                           {},
                           {testing::link("https://e.org/"), text_file, other,
                            testing::picture(testing::bytes_item(kPng))}}});
  platform.handOver();
  using Loads = std::vector<std::string>;
  EXPECT_EQ(platform.provider(0, 0).loads(), Loads{"public.url"});
  EXPECT_EQ(platform.provider(0, 1).loads(), Loads{"public.plain-text"});
  EXPECT_EQ(platform.provider(0, 2).loads(), Loads{});
  EXPECT_EQ(platform.provider(0, 3).loads(), Loads{"public.image"});
}

TEST(HandOver, CompletesTheRequestWhenOpeningFails) {
  TestPlatform platform;
  platform.fail_open = true;
  platform.set_items({Item{"T", {}, {}}});
  EXPECT_EQ(platform.handOver(), "zorvs://share?title=T");
  EXPECT_EQ(platform.completions(), 1);
}

TEST(HandOver, WithoutAContextOpensTheBareShareUrl) {
  TestPlatform platform;
  platform.remove_context();
  EXPECT_EQ(platform.handOver(), "zorvs://share");
  EXPECT_EQ(platform.opened().size(), 1u);
}

TEST(HandOver, AShareUrlThatDoesNotParseIsNotOpenedButTheRequestCompletes) {
  TestPlatform platform;
  platform.reject_share_urls = true;
  platform.set_items({Item{"T", {}, {}}});
  platform.handOver();
  EXPECT_TRUE(platform.opened().empty());
  EXPECT_EQ(platform.completions(), 1);
}

TEST(HandOver, KeepsTheMainExecutorFreeWhileALoadIsPending) {
  TestPlatform platform;
  platform.set_items({Item{{}, {}, {testing::plain_text("held")}}});
  std::atomic<bool> gate = false;
  platform.provider(0, 0).hold_until(gate);
  // Another step on the main executor opens the gate; a handover that
  // blocked the main thread while waiting for the load would never finish.
  auto open_gate = [](MainExecutor& executor, std::atomic<bool>& g) -> Task<> {
    co_await await_completion<int>(executor, [](Completion<int> done) { done(0); });
    g = true;
    g.notify_all();
  };
  Task<> opener = open_gate(platform.executor(), gate);
  opener.start();
  EXPECT_EQ(platform.handOver(), "zorvs://share?text=held");
  EXPECT_TRUE(opener.done());
}

}  // namespace
}  // namespace zorvs::share
