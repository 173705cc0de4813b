#include "controls/src/unicode_text.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>

namespace zorvs::controls {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

const utf8proc_uint8_t* bytes(std::string_view text) {
  return reinterpret_cast<const utf8proc_uint8_t*>(text.data());
}

// Calls `take(sequence)` for each well-formed UTF-8 sequence of `text` and
// `take("")` for each byte that begins none.
template <typename Take>
void forEachSequence(std::string_view text, Take take) {
  const utf8proc_uint8_t* at = bytes(text);
  auto left = static_cast<utf8proc_ssize_t>(text.size());
  while (left > 0) {
    utf8proc_int32_t codePoint = 0;
    utf8proc_ssize_t length = utf8proc_iterate(at, left, &codePoint);
    if (length < 0) {
      take(std::string_view());
      length = 1;
    } else {
      take(std::string_view(reinterpret_cast<const char*>(at), static_cast<size_t>(length)));
    }
    at += length;
    left -= length;
  }
}

bool isWellFormed(std::string_view text) {
  bool wellFormed = true;
  forEachSequence(text, [&](std::string_view sequence) { wellFormed &= !sequence.empty(); });
  return wellFormed;
}

// utf8proc rejects ill-formed input as a whole; repairing it byte by byte
// keeps the well-formed parts comparable.
std::string wellFormed(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  forEachSequence(text, [&](std::string_view sequence) {
    out.append(sequence.empty() ? kReplacementCharacter : sequence);
  });
  return out;
}

utf8proc_int32_t lowercaseCodePoint(utf8proc_int32_t codePoint, void*) {
  return utf8proc_tolower(codePoint);
}

// Runs utf8proc's transformation over well-formed text. `perCodePoint`, when
// given, is applied to each code point before any normalization step.
std::string transformed(std::string_view text, int options, utf8proc_custom_func perCodePoint) {
  if (text.empty()) return {};
  utf8proc_uint8_t* raw = nullptr;
  utf8proc_ssize_t length =
      utf8proc_map_custom(bytes(text), static_cast<utf8proc_ssize_t>(text.size()), &raw,
                          static_cast<utf8proc_option_t>(options), perCodePoint, nullptr);
  std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owned(raw, &std::free);
  // Only exhausted memory fails on well-formed input; comparing the text as
  // it stands is the best that is left then.
  if (length < 0) return std::string(text);
  return std::string(reinterpret_cast<const char*>(raw), static_cast<size_t>(length));
}

std::string nfc(std::string_view wellFormedText, utf8proc_custom_func perCodePoint = nullptr) {
  return transformed(wellFormedText, UTF8PROC_STABLE | UTF8PROC_COMPOSE, perCodePoint);
}

std::string nfd(std::string_view wellFormedText) {
  return transformed(wellFormedText, UTF8PROC_STABLE | UTF8PROC_DECOMPOSE, nullptr);
}

}  // namespace

std::string canonicalForm(std::string_view text) {
  return nfc(wellFormed(text));
}

// utf8proc offers only the simple (one code point to one) lowercase mapping.
// Applied to the canonical decomposition it yields the full mapping: the
// only unconditional one-to-many lowercase mapping, U+0130 (capital I with
// dot above), decomposes to "I" and U+0307, whose simple lowercase is the
// full lowercase "i" followed by U+0307.
std::string lowercasedForm(std::string_view text) {
  return nfc(nfd(wellFormed(text)), &lowercaseCodePoint);
}

// Texts that are not well-formed UTF-8 have no canonical form to compare:
// repaired, different bad bytes would look alike. They equal only themselves.
bool canonicallyEqual(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (!isWellFormed(a) || !isWellFormed(b)) return false;
  return nfc(a) == nfc(b);
}

}  // namespace zorvs::controls
