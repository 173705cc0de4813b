// URL handling of the stand-in platform. A string is a URL when it is a URI
// reference by RFC 3986 (absolute or relative); nothing is repaired or
// normalised, and the absolute string is the text as given.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "share/src/url.h"

namespace zorvs::share::standin {

std::optional<Url> parse_url(std::string_view text);

// The "file" URL of an absolute local path.
Url file_url(const std::string& absolute_path);

// The text after the last "." of the last component of `path`; empty when
// there is none.
std::string path_extension(std::string_view path);

}  // namespace zorvs::share::standin
