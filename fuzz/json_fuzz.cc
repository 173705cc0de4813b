// The bridge's JSON layer: any bytes either fail to parse, with a described
// position, or parse to a value whose written text parses back to an equal
// value and is written the same way again. Boost's own parser, with the same
// depth limit, serves as a second opinion: both accept the same texts (but
// for numbers too large for a double, which only the bridge refuses) and
// read them to the same tree; with the bridge's fault words added
// (json_oracle_testing.h), Boost's reading refuses the same texts with the
// same description. Rewriting a text from text to text gives what parsing
// and writing gives: the same error or the same written text.
#include <boost/json.hpp>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "json.h"
#include "json_oracle_testing.h"
#include "utf8.h"

namespace {

using zorvs::fuzz::require;
namespace json = zorvs_mcp::json;
namespace bj = boost::json;

// Integers compare by value whatever their kind; doubles within a few units
// in the last place, since Boost's own conversion is not correctly rounded
// (1.4407373241632e-310 reads as 1.44073732416326e-310, for one),
// and not at all where Boost's conversion fails outright: it reads 0e400 as
// NaN and 1e400 as infinity. `a` is the bridge's number, `b` Boost's.
bool same_number(const bj::value& a, const bj::value& b) {
  if (a.is_double() != b.is_double()) return false;
  if (a.is_double()) {
    const double x = a.get_double(), y = b.get_double();
    if (!std::isfinite(y)) return true;
    const double larger = std::fmax(std::fabs(x), std::fabs(y));
    const double ulp = std::nextafter(larger, HUGE_VAL) - larger;  // also below DBL_MIN
    return std::fabs(x - y) <= 4 * ulp;
  }
  const bool a_negative = a.is_int64() && a.get_int64() < 0;
  const bool b_negative = b.is_int64() && b.get_int64() < 0;
  if (a_negative || b_negative) return a.is_int64() && b.is_int64() && a == b;
  auto unsigned_value = [](const bj::value& v) {
    return v.is_uint64() ? v.get_uint64() : static_cast<std::uint64_t>(v.get_int64());
  };
  return unsigned_value(a) == unsigned_value(b);
}

// Whether the bridge's tree `a` is Boost's tree `b`.
bool same_tree(const bj::value& a, const bj::value& b) {
  if (a.is_number() && b.is_number()) return same_number(a, b);
  if (a.kind() != b.kind()) return false;
  if (const auto* object = a.if_object()) {
    if (object->size() != b.get_object().size()) return false;
    for (const auto& [key, member] : *object) {
      const bj::value* other = b.get_object().if_contains(key);
      if (!other || !same_tree(member, *other)) return false;
    }
    return true;
  }
  if (const auto* array = a.if_array()) {
    if (array->size() != b.get_array().size()) return false;
    for (std::size_t i = 0; i < array->size(); ++i) {
      if (!same_tree((*array)[i], b.get_array()[i])) return false;
    }
    return true;
  }
  return a == b;
}

// Boost's reading of `text`, with the bridge's depth limit: the tree, or
// nothing when Boost refuses the text.
struct BoostReading {
  std::optional<bj::value> tree;
  // Boost refused an exponent of more digits than it handles (0e9999999999
  // is a plain zero), so its refusal says nothing about the text.
  bool gave_up_on_exponent = false;
};

BoostReading boost_reading(std::string_view text) {
  bj::parse_options options;
  options.max_depth = json::kMaxDepth - 1;
  bj::error_code ec;
  bj::value value = bj::parse(text, ec, bj::storage_ptr(), options);
  if (ec) return {std::nullopt, ec == bj::error::exponent_overflow};
  return {std::move(value)};
}

// "F at line L column C", with L and C decimal numbers, L from 1 (C is 0
// only for an empty text).
bool describes_position(std::string_view description) {
  auto number_at_end = [&description]() -> std::string_view {
    size_t digits = 0;
    while (digits < description.size() && description[description.size() - 1 - digits] >= '0' &&
           description[description.size() - 1 - digits] <= '9') {
      ++digits;
    }
    std::string_view number = description.substr(description.size() - digits);
    description.remove_suffix(digits);
    return number;
  };
  auto word_at_end = [&description](std::string_view word) {
    if (!description.ends_with(word)) return false;
    description.remove_suffix(word.size());
    return true;
  };
  const std::string_view column = number_at_end();
  if (column.empty() || !word_at_end(" column ")) return false;
  const std::string_view line = number_at_end();
  return !line.empty() && line.front() != '0' && word_at_end(" at line ") && !description.empty();
}

// Whether the text ends inside a UTF-8 sequence: a lead byte with fewer
// bytes after it than the sequence takes. The old reader then described the
// end of the text by how it took the bytes after that lead as structure;
// the tokenizer says only that the text ended inside a value. No such text
// reaches the reader in the bridge, which refuses text that is not UTF-8
// before it parses it.
bool ends_in_cut_sequence(std::string_view text) {
  for (std::size_t after = 0; after < 3 && after < text.size(); ++after) {
    const auto c = static_cast<unsigned char>(text[text.size() - 1 - after]);
    if (c >= 0xC0) return after + 1 < (c < 0xE0 ? 2u : c < 0xF0 ? 3u : 4u);
  }
  return false;
}

}  // namespace

ZORVS_FUZZ_TARGET(json) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto parsed = json::parse(text);
  const auto second_opinion = boost_reading(text);
  const auto described = json::parse_with_boost(text);
  json::Relayed relayed;
  const auto rewrite_error = json::relay(text, SIZE_MAX, relayed);
  const json::TextBuffer& rewritten = relayed.written;
  // The same with every string that can be borrowed left in the text.
  json::Relayed with_room;
  const auto borrowing_error = json::relay(text, 1, with_room);
  std::string joined;
  for (std::string_view piece : with_room.spans()) joined += piece;
  if (auto* error = std::get_if<json::ParseError>(&parsed)) {
    require(rewrite_error && rewrite_error->description == error->description,
            "rewriting fails as parsing does");
    require(rewritten.size() == 0, "a failed rewrite writes nothing");
    require(borrowing_error && borrowing_error->description == error->description,
            "rewriting borrowing fails as parsing does");
    require(describes_position(error->description), "a parse error names its line and column");
    const auto* boost_error = std::get_if<json::ParseError>(&described);
    // Where Boost gives up on an exponent of many digits, the bridge reads
    // the number on and meets the text's fault after it.
    const bool boost_stopped_at_exponent =
        second_opinion.gave_up_on_exponent && boost_error != nullptr &&
        boost_error->description.starts_with("number out of range");
    require(boost_error && (boost_error->description == error->description ||
                            boost_stopped_at_exponent || ends_in_cut_sequence(text)),
            "a parse error is described as Boost's reading describes it");
    require(!second_opinion.tree || error->description.starts_with("number out of range"),
            "what Boost reads parses, but for numbers too large for a double");
    return 0;
  }
  const json::Value& value = std::get<json::Value>(parsed);
  // Boost gives up on exponents of many digits even where the number is
  // a plain zero, which the bridge reads.
  const auto* boost_value = std::get_if<json::Value>(&described);
  require(boost_value ? *boost_value == value
                      : std::get<json::ParseError>(described).description.starts_with(
                            "number out of range"),
          "Boost's reading with the bridge's rules gives the parsed value");
  require(zorvs_mcp::is_valid_utf8(text), "only valid UTF-8 parses");
  if (!second_opinion.gave_up_on_exponent) {
    require(second_opinion.tree.has_value(), "what parses, Boost reads too");
    require(same_tree(value, *second_opinion.tree), "the parsed tree is the one Boost reads");
  }

  std::string first;
  require(json::write(value, first), "every parsed value can be written");
  require(zorvs_mcp::is_valid_utf8(first), "written text is valid UTF-8");
  require(first.find('\n') == std::string::npos, "written text is one line");
  require(!rewrite_error && rewritten.view() == first, "rewriting gives the written text");
  require(!borrowing_error && joined == first, "rewriting borrowing gives the written text");
  const auto* object = value.if_object();
  require(object ? with_room.members.size() == object->size() : with_room.members.empty(),
          "a relayed object's members are recorded, and only an object's");
  if (object != nullptr) {
    for (const auto& member : *object) {
      const auto spans = with_room.member_value(member.key());
      std::string found;
      for (std::string_view span : spans ? *spans : std::vector<std::string_view>{}) found += span;
      require(spans && found == json::to_text(member.value()),
              "each member of a relayed object is found with its value's text");
    }
  }

  auto reparsed = json::parse(first);
  const auto* again = std::get_if<json::Value>(&reparsed);
  require(again != nullptr, "written text parses");
  require(*again == value, "written text parses back to an equal value");
  std::string second;
  require(json::write(*again, second), "the reparsed value can be written");
  require(second == first, "writing again gives the same text");
  return 0;
}
