// UTF-8 checks the bridge makes on every line it reads, and the lossy
// conversion it uses to show file-system paths as text.
#pragma once

#include <string>
#include <string_view>

namespace zorvs_mcp {

// True when `bytes` is well-formed UTF-8 (no overlongs, surrogates or code
// points above U+10FFFF). Runs of ASCII are checked eight bytes at a time,
// runs of other characters without going back to that check: whole tool
// results pass through here.
bool is_valid_utf8(std::string_view bytes);

// `text` without Unicode white space at either end. `text` must be valid UTF-8.
std::string_view trim_unicode_space(std::string_view text);

// `bytes` as UTF-8 text, each ill-formed sequence replaced by U+FFFD.
std::string lossy_utf8(std::string_view bytes);

}  // namespace zorvs_mcp
