#include "payloads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <variant>

#include "json.h"
#include "utf8.h"

namespace zorvs_bench {
namespace {

namespace json = zorvs_mcp::json;

json::Value parse_or_fail(std::string_view text) {
  auto result = json::parse(text);
  if (auto* error = std::get_if<json::ParseError>(&result)) {
    ADD_FAILURE() << error->description << " in " << text.substr(0, 200);
    return nullptr;
  }
  return std::get<json::Value>(std::move(result));
}

TEST(DocumentText, ExactSizeValidUtf8WithEscapesAndNonAscii) {
  for (size_t size : {0u, 1u, 7u, 131u, 4096u, 100'003u}) {
    SCOPED_TRACE(size);
    const std::string text = document_text(size);
    EXPECT_EQ(text.size(), size);
    EXPECT_TRUE(zorvs_mcp::is_valid_utf8(text));
  }
  const std::string text = document_text(100'000);
  const auto needs_escape = std::count_if(text.begin(), text.end(), [](char c) {
    return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
  });
  const auto non_ascii = std::count_if(
      text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  EXPECT_GT(needs_escape, 100'000 / 40);
  EXPECT_GT(non_ascii, 100'000 / 10);
}

TEST(ToolResultReply, SplicedIdMakesOneLineCarryingTheText) {
  const std::string text = document_text(5000);
  const ReplyTemplate reply = tool_result_reply(text);
  const std::string line = reply.head + "42" + reply.tail;
  ASSERT_TRUE(line.ends_with('\n'));
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
  const json::Value value = parse_or_fail(line);
  EXPECT_EQ(value.at("id"), 42);
  EXPECT_EQ(value.at("result").at("content").at(0).at("text").as_string(), text);
  // The microbenchmarks' message is the same answer with id 1.
  json::Value expected = value;
  expected.as_object()["id"] = 1;
  EXPECT_EQ(parse_or_fail(document_reply(5000)), expected);
}

TEST(Requests, AreCompactWithSortedKeys) {
  for (const std::string& line :
       {initialize_request(1), initialized_notification(), tools_call_request(7, "large")}) {
    SCOPED_TRACE(line);
    ASSERT_TRUE(line.ends_with('\n'));
    const std::string body = line.substr(0, line.size() - 1);
    EXPECT_EQ(json::to_text(parse_or_fail(body)), body);
  }
}

TEST(ToolsListReply, HasTheToolsWithSchemas) {
  const json::Value value = parse_or_fail(tools_list_reply(300));
  const auto& tools = value.at("result").at("tools").as_array();
  ASSERT_EQ(tools.size(), 300u);
  EXPECT_EQ(tools[299].at("name").as_string(), "tool_299");
  EXPECT_EQ(tools[0].at("inputSchema").at("properties").as_object().size(), 5u);
}

}  // namespace
}  // namespace zorvs_bench
