// UTF-8 checks the bridge makes on every line it reads, and the lossy
// conversion it uses to show file-system paths as text.
#pragma once

#include <string>
#include <string_view>

namespace zorvs_mcp {

// True when `bytes` is well-formed UTF-8 (no overlongs, surrogates or code
// points above U+10FFFF). Whole tool results pass through here: where the
// processor has AVX2 it checks 32 bytes at a time, on 64-bit Arm sixteen
// with NEON; elsewhere runs of ASCII go eight bytes at a time and runs of
// other characters one character at a time.
bool is_valid_utf8(std::string_view bytes);

// `text` without Unicode white space at either end. `text` must be valid UTF-8.
std::string_view trim_unicode_space(std::string_view text);

// `bytes` as UTF-8 text, each ill-formed sequence replaced by U+FFFD.
std::string lossy_utf8(std::string_view bytes);

}  // namespace zorvs_mcp
