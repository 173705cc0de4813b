#include "controls/src/testing/temp_dir.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <string>

namespace zorvs::controls {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zorvs-controls-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::write(const std::filesystem::path& relative,
                                     std::string_view content) const {
  std::filesystem::path full = path_ / relative;
  std::filesystem::create_directories(full.parent_path());
  std::ofstream(full, std::ios::binary)
      .write(content.data(), static_cast<std::streamsize>(content.size()));
  return full;
}

}  // namespace zorvs::controls
