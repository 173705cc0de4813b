#include "share/src/testing/temporary_directory.h"

#include <stdlib.h>

namespace zorvs::share::testing {

TemporaryDirectory::TemporaryDirectory(const std::string& prefix) {
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / (prefix + "-XXXXXX")).string();
  if (!ec && ::mkdtemp(pattern.data())) path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace zorvs::share::testing
