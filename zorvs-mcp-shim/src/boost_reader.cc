#include "boost_reader.h"

#include <boost/json/basic_parser_impl.hpp>
#include <boost/json/value_stack.hpp>

#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "number_text.h"
#include "parse_errors.h"

namespace zorvs_mcp::json {
namespace {

namespace bj = boost::json;

// Boost's basic_parser does the syntax and builds the tree through a
// value_stack, exactly as boost::json::stream_parser does, with one change in
// the handler: doubles are converted from their text with read_double.
// Boost 1.81's own conversion is not correctly rounded (about a quarter of
// all shortest round-trip texts read back as a neighbouring double), and it
// turns 1e400 into infinity, which the bridge rejects.

class Handler {
 public:
  static constexpr std::size_t max_object_size = bj::object::max_size();
  static constexpr std::size_t max_array_size = bj::array::max_size();
  static constexpr std::size_t max_key_size = bj::string::max_size();
  static constexpr std::size_t max_string_size = bj::string::max_size();

  Handler(const char* base, unsigned char* temp, std::size_t temp_size)
      : st(bj::storage_ptr(), temp, temp_size), base_(base) {}

  bj::value_stack st;

  // Offset of the first byte of a number too large for a double, if any.
  std::size_t out_of_range_at() const { return out_of_range_at_; }

  bool on_document_begin(bj::error_code&) { return true; }
  bool on_document_end(bj::error_code&) { return true; }
  bool on_object_begin(bj::error_code&) { return true; }
  bool on_object_end(std::size_t n, bj::error_code&) {
    st.push_object(n);
    return true;
  }
  bool on_array_begin(bj::error_code&) { return true; }
  bool on_array_end(std::size_t n, bj::error_code&) {
    st.push_array(n);
    return true;
  }
  bool on_key_part(bj::string_view s, std::size_t, bj::error_code&) {
    st.push_chars(s);
    return true;
  }
  bool on_key(bj::string_view s, std::size_t, bj::error_code&) {
    st.push_key(s);
    return true;
  }
  bool on_string_part(bj::string_view s, std::size_t, bj::error_code&) {
    st.push_chars(s);
    return true;
  }
  bool on_string(bj::string_view s, std::size_t, bj::error_code&) {
    st.push_string(s);
    return true;
  }
  bool on_number_part(bj::string_view s, bj::error_code&) {
    if (number_.empty()) number_start_ = s.data();
    number_.append(s.data(), s.size());
    return true;
  }
  bool on_int64(std::int64_t i, bj::string_view, bj::error_code&) {
    number_.clear();
    st.push_int64(i);
    return true;
  }
  bool on_uint64(std::uint64_t u, bj::string_view, bj::error_code&) {
    number_.clear();
    st.push_uint64(u);
    return true;
  }
  bool on_double(double, bj::string_view s, bj::error_code& ec) {
    const char* start = s.data();
    std::string_view text(s.data(), s.size());
    if (!number_.empty()) {  // only when the number arrived in parts
      start = number_start_;
      number_.append(s.data(), s.size());
      text = number_;
    }
    const std::optional<double> d = read_double(text);
    if (!d) {
      out_of_range_at_ = static_cast<std::size_t>(start - base_);
      ec = bj::error::exponent_overflow;
      return false;
    }
    number_.clear();
    st.push_double(*d);
    return true;
  }
  bool on_bool(bool b, bj::error_code&) {
    st.push_bool(b);
    return true;
  }
  bool on_null(bj::error_code&) {
    st.push_null();
    return true;
  }
  bool on_comment_part(bj::string_view, bj::error_code&) { return true; }
  bool on_comment(bj::string_view, bj::error_code&) { return true; }

 private:
  const char* base_;
  std::size_t out_of_range_at_ = std::string_view::npos;
  std::string number_;  // number text collected from parts (rare)
  const char* number_start_ = nullptr;
};

}  // namespace

ParseResult parse_with_boost(std::string_view text) {
  bj::parse_options options;
  options.max_depth = kMaxDepth - 1;  // Boost fails beyond max_depth levels
  unsigned char temp[4096];
  bj::basic_parser<Handler> parser(options, text.data(), temp, sizeof temp);
  bj::error_code ec;
  std::size_t consumed = 0;
  try {
    parser.handler().st.reset();
    consumed = parser.write_some(false, text.data(), text.size(), ec);
    if (!ec && consumed == text.size()) return parser.handler().st.release();
  } catch (const std::bad_alloc&) {
    return ParseError{describe_at("out of memory", text, text.size())};
  } catch (const std::length_error&) {
    return ParseError{describe_at("out of memory", text, text.size())};
  }
  return ParseError{describe(text, consumed, ec, parser.handler().out_of_range_at())};
}

}  // namespace zorvs_mcp::json
