// A fresh directory for one test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <string_view>

namespace zorvs::controls {

class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  const std::filesystem::path& path() const { return path_; }

  // Writes `content` to `relative` below the directory, creating parents.
  std::filesystem::path write(const std::filesystem::path& relative,
                              std::string_view content) const;

 private:
  std::filesystem::path path_;
};

}  // namespace zorvs::controls
