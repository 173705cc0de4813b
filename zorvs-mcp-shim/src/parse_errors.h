// The words of a parse error and where it stands: "F at line L column C".
#pragma once

#include <boost/json/error.hpp>

#include <cstddef>
#include <string>
#include <string_view>

namespace zorvs_mcp::json {

// "`what` at line L column C" for the byte of `text` at `pos` (the last byte
// when `pos` is at or past the end of the text).
std::string describe_at(std::string_view what, std::string_view text, std::size_t pos);

// Describes a parse of `text` that Boost's parser gave up at offset `pos`
// with `ec` (or, with ec clear, trailing characters after a complete
// value). `out_of_range_at` is the offset of a number too large for a
// double, if the reader met one, or npos.
std::string describe(std::string_view text, std::size_t pos, const boost::json::error_code& ec,
                     std::size_t out_of_range_at);

}  // namespace zorvs_mcp::json
