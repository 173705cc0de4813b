// Base64 (RFC 4648, standard alphabet) for the binary values of a share
// request.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zorvs::share::standin {

// Decodes `text`; "=" padding is optional and ASCII white space is skipped.
// Nothing when any other character is outside the alphabet or the length
// cannot be a whole number of bytes.
std::optional<std::vector<std::uint8_t>> decode_base64(std::string_view text);

// Padded encoding, as a request writer would produce it.
std::string encode_base64(std::span<const std::uint8_t> bytes);

}  // namespace zorvs::share::standin
