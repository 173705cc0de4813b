// What every string scanning backend (string_scan.h) finds: in a run of
// string bytes, the first that ends it, and in a block of 32, which bytes
// are what.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zorvs_mcp::json {

// The relay scans strings in blocks of 32 bytes.
inline constexpr std::size_t kBlockSize = 32;

// Which bytes of a block are what, as bits from the lowest.
struct BlockBytes {
  std::uint32_t backslashes;
  std::uint32_t quotes;
  std::uint32_t controls;
  // " \ b t n f r: escaped, the escape is written as it is. Only the first
  // byte and those after a backslash count; the bits of others may be set.
  std::uint32_t short_escapes;
};

// Whether a JSON string must escape `c`: '"', '\' and controls below 0x20.
inline bool is_special(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\';
}

// Whether `c`, after a backslash, makes an escape that is written as it is.
inline bool is_short_escape(char c) {
  return c == '"' || c == '\\' || c == 'b' || c == 't' || c == 'n' || c == 'f' || c == 'r';
}

}  // namespace zorvs_mcp::json
