// A fresh directory under the system's temporary directory, removed with
// everything in it when the object ends.
#pragma once

#include <filesystem>
#include <string>

namespace zorvs::share::testing {

class TemporaryDirectory {
 public:
  explicit TemporaryDirectory(const std::string& prefix);
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  // Empty when no directory could be made.
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace zorvs::share::testing
