// Unicode-aware text comparison for pattern identifiers and search.
//
// Texts that are canonically equivalent (a precomposed "é" and "e" followed by
// a combining acute accent) must compare equal, so every comparison goes
// through the canonical composition (NFC) of both sides. For search, ill-formed
// UTF-8 is first repaired by replacing each bad byte with U+FFFD, so every
// text has a form and nothing is silently dropped.
#pragma once

#include <string>
#include <string_view>

namespace zorvs::controls {

// The canonical composition (NFC) of the text.
std::string canonicalForm(std::string_view text);

// The full Unicode lowercase mapping of the text, independent of any locale
// (so "İ" becomes "i" with a combining dot above, not a plain "i"), in
// canonical composition. Two such forms can be compared byte-wise, also for
// substrings.
std::string lowercasedForm(std::string_view text);

// Whether the two texts are canonically equivalent. Letter case matters. A
// text that is not well-formed UTF-8 equals only the very same bytes.
bool canonicallyEqual(std::string_view a, std::string_view b);

}  // namespace zorvs::controls
