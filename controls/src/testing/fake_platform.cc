#include "controls/src/testing/fake_platform.h"

#include "host_contract.h"

namespace zorvs::controls {

void FakePlatform::writeIndex(const std::string& json) {
  files[*container / host::kPatternIndexFileName] = json;
}

std::string FakePlatform::indexOf(const std::vector<std::string>& records) {
  std::string json = R"({"version":1,"zorvs":[)";
  for (size_t i = 0; i < records.size(); ++i) json += (i ? "," : "") + records[i];
  return json + "]}";
}

std::optional<std::filesystem::path> FakePlatform::containerURL(
    std::string_view appGroupIdentifier) const {
  askedGroups.emplace_back(appGroupIdentifier);
  return container;
}

std::optional<std::string> FakePlatform::readWholeFile(const std::filesystem::path& path) const {
  readPaths.push_back(path);
  auto found = files.find(path);
  if (found == files.end()) return std::nullopt;
  return found->second;
}

std::optional<PlatformError> FakePlatform::openWithoutActivation(const std::string& url) {
  openedURLs.push_back(url);
  return openError;
}

}  // namespace zorvs::controls
