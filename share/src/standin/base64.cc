#include "share/src/standin/base64.h"

#include <algorithm>

namespace zorvs::share::standin {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The six-bit digits of `text` without white space and trailing padding.
std::optional<std::vector<std::uint8_t>> digits_of(std::string_view text) {
  std::vector<std::uint8_t> digits;
  size_t padding = 0;
  for (char c : text) {
    if (is_space(c)) continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    size_t value = kAlphabet.find(c);
    if (value == std::string_view::npos || padding > 0) return std::nullopt;
    digits.push_back(static_cast<std::uint8_t>(value));
  }
  if (padding > 2 || (padding > 0 && (digits.size() + padding) % 4 != 0)) return std::nullopt;
  if (digits.size() % 4 == 1) return std::nullopt;
  return digits;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> decode_base64(std::string_view text) {
  std::optional<std::vector<std::uint8_t>> digits = digits_of(text);
  if (!digits) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint32_t buffer = 0;
  int bits = 0;
  for (std::uint8_t digit : *digits) {
    buffer = (buffer << 6) | digit;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<std::uint8_t>(buffer >> bits));
    }
  }
  return bytes;
}

std::string encode_base64(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= bytes[i + 2];
    size_t present = std::min<size_t>(bytes.size() - i, 3);
    for (size_t digit = 0; digit < 4; ++digit) {
      text.push_back(digit <= present ? kAlphabet[(group >> (18 - 6 * digit)) & 0x3F] : '=');
    }
  }
  return text;
}

}  // namespace zorvs::share::standin
