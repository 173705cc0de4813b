// Helpers the JSON layer's tests share.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "json.h"

namespace zorvs_mcp::json::test_support {

inline Value parse_ok(std::string_view text) {
  ParseResult r = parse(text);
  if (auto* e = std::get_if<ParseError>(&r)) {
    ADD_FAILURE() << "parse of [" << text << "] failed: " << e->description;
    return nullptr;
  }
  return std::get<Value>(std::move(r));
}

inline std::string parse_error(std::string_view text) {
  ParseResult r = parse(text);
  if (auto* e = std::get_if<ParseError>(&r)) return e->description;
  return "(parsed)";
}

// write(parse(text)) parses back to an equal value and writes the same text.
inline void expect_round_trip(std::string_view text) {
  const Value v = parse_ok(text);
  const std::string once = to_text(v);
  ASSERT_FALSE(once.empty()) << text;
  const Value back = parse_ok(once);
  EXPECT_EQ(back, v) << text << " -> " << once;
  EXPECT_EQ(back.kind(), v.kind()) << text << " -> " << once;
  EXPECT_EQ(to_text(back), once) << text;
}

// --- Nesting --------------------------------------------------------------

// `levels` of `open`, then `inner`, then as many of `close`.
inline std::string nested(std::string_view open, std::string_view inner, std::string_view close,
                   int levels) {
  std::string s;
  s.reserve((open.size() + close.size()) * static_cast<std::size_t>(levels) + inner.size());
  for (int i = 0; i < levels; ++i) s += open;
  s += inner;
  for (int i = 0; i < levels; ++i) s += close;
  return s;
}

}  // namespace zorvs_mcp::json::test_support
