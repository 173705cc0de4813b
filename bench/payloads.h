// The messages the relay benchmark sends and answers, and the two inputs of
// the JSON microbenchmarks. Shared by the bench host, the ping-pong driver
// and the microbenchmarks so that every relay sees the same bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zorvs_bench {

// Text of exactly `bytes` bytes of valid UTF-8, like a file a tool returns:
// prose lines with tabs, quotes, backslashes and non-ASCII letters (Latin,
// Cyrillic, CJK, emoji), so that about one byte in twenty needs an escape.
std::string document_text(std::size_t bytes);

// `text` as a JSON string literal, quotes included, escaped only where JSON
// requires it.
std::string json_string(std::string_view text);

// A host's answer to a tools/call, cut around its "id" so that the host can
// splice each request's id in: head + id + tail is one line, "\n" included.
struct ReplyTemplate {
  std::string head;
  std::string tail;
};

// An answer whose one text content is `text`, written in the host's member
// order (not sorted), as an app would write it.
ReplyTemplate tool_result_reply(std::string_view text);

// The requests the driver sends, each one compact line with sorted keys and
// its "\n". The tool name tells the bench host which reply to send.
std::string initialize_request(long id);
std::string initialized_notification();
std::string tools_call_request(long id, std::string_view tool);

// A tools/list answer with `count` tools, each with a description and an
// input schema of a few typed, described properties.
std::string tools_list_reply(int count);

// The message of a tools/call answer whose text is document_text(bytes),
// without the line feed.
std::string document_reply(std::size_t bytes);

}  // namespace zorvs_bench
