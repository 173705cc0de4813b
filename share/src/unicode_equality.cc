#include "share/src/unicode_equality.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace zorvs::share {
namespace {

// NFD of `text`, or nothing when it is not valid UTF-8.
std::optional<std::string> canonical_decomposition(std::string_view text) {
  utf8proc_uint8_t* decomposed = nullptr;
  utf8proc_ssize_t length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                   static_cast<utf8proc_ssize_t>(text.size()), &decomposed,
                   static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
  std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owned(decomposed, &std::free);
  if (length < 0) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(decomposed), static_cast<size_t>(length));
}

}  // namespace

bool canonically_equal(std::string_view a, std::string_view b) {
  if (a == b) return true;
  std::optional<std::string> nfd_a = canonical_decomposition(a);
  std::optional<std::string> nfd_b = canonical_decomposition(b);
  if (!nfd_a || !nfd_b) return false;
  return *nfd_a == *nfd_b;
}

}  // namespace zorvs::share
