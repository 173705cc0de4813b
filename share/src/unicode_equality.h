// String equality in the Unicode sense: canonically equivalent strings
// (for instance a precomposed "é" and "e" followed by a combining acute
// accent) are equal. Compatibility forms (the "ﬁ" ligature and "fi") are not.
#pragma once

#include <string_view>

namespace zorvs::share {

// Compares the canonical decompositions of two UTF-8 strings. Text that is
// not valid UTF-8 has no decomposition and is compared byte for byte.
bool canonically_equal(std::string_view a, std::string_view b);

}  // namespace zorvs::share
