#include "share/src/standin/random_uuid.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>

namespace zorvs::share::standin {
namespace {

// Used only if the system's entropy source fails. Such a UUID may repeat, but
// a staged picture is never written over an existing file.
void fill_from_clock(std::array<std::uint8_t, 16>& bytes) {
  auto seed =
      static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  for (size_t i = 0; i < bytes.size(); ++i) {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    bytes[i] = static_cast<std::uint8_t>(seed >> 56);
  }
}

}  // namespace

std::string random_uuid() {
  std::array<std::uint8_t, 16> bytes{};
  if (::getentropy(bytes.data(), bytes.size()) != 0) fill_from_clock(bytes);
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    text.push_back(kHex[bytes[i] >> 4]);
    text.push_back(kHex[bytes[i] & 0xF]);
  }
  return text;
}

}  // namespace zorvs::share::standin
