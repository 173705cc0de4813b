// A platform held in memory for tests: a container path, files by path, and
// a URL opener that records what it was asked to open and fails on demand.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "controls/src/platform.h"

namespace zorvs::controls {

class FakePlatform : public Platform {
 public:
  std::optional<std::filesystem::path> container = std::filesystem::path("/containers/group");
  std::map<std::filesystem::path, std::string> files;
  // The error every open reports; nothing for a successful open.
  std::optional<PlatformError> openError;

  std::vector<std::string> openedURLs;
  mutable std::vector<std::string> askedGroups;
  mutable std::vector<std::filesystem::path> readPaths;

  // Puts `json` in the container as the pattern index.
  void writeIndex(const std::string& json);
  // Index content with one record per element of `records`, each a JSON object text.
  static std::string indexOf(const std::vector<std::string>& records);

  std::optional<std::filesystem::path> containerURL(
      std::string_view appGroupIdentifier) const override;
  std::optional<std::string> readWholeFile(const std::filesystem::path& path) const override;
  std::optional<PlatformError> openWithoutActivation(const std::string& url) override;
};

}  // namespace zorvs::controls
