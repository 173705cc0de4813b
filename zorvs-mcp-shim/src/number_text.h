// Doubles to and from JSON number text: reading correctly rounded, writing
// the shortest digits that read back to the same double.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace zorvs_mcp::json {

// Room that write_double needs at most.
inline constexpr std::size_t kMaxDoubleText = 32;

// The double nearest to `text`, which must be a JSON number; nullopt when it
// is too large for a double. One too small for a double reads as a zero of
// its sign.
std::optional<double> read_double(std::string_view text);

// Writes the shortest digits that read back as `d` (finite) to `out` and
// returns their length. With n the number of digits before the decimal point
// (10^(n-1) <= |d| < 10^n), plain decimal with at least one digit after the
// point when -5 < n <= 16 ("100000.0", "0.001234"), scientific otherwise
// ("1e-7", "1.8446744073709552e19"); zeros as "0.0" and "-0.0".
std::size_t write_double(double d, char* out);

}  // namespace zorvs_mcp::json
