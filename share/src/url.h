// A URL as the platform parsed it: the facts the share logic reads from it.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace zorvs::share {

struct Url {
  std::string absolute_string;
  std::optional<std::string> scheme;  // as written, not case-folded
  // The text after the last "." of the last path component; empty when none.
  std::string path_extension;
  // The local file-system path, for file URLs only.
  std::optional<std::string> file_path;
  // The platform's own URL object, when it has one (a security-scoped file URL
  // must reach the platform as the very object it delivered). Only the
  // platform that made the URL looks at it.
  std::shared_ptr<const void> native;
};

}  // namespace zorvs::share
