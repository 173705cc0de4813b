// The platform on a development machine, standing in for macOS: the app-group
// container lies where macOS keeps it under the home directory, and URLs are
// handed to xdg-open. xdg-open has no notion of opening in the background;
// the host app decides that for itself there.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "controls/src/platform.h"

namespace zorvs::controls {

class StandInPlatform : public Platform {
 public:
  // `home` is the user's home directory (nothing when unknown); `opener` is
  // the program that opens URLs, looked up in PATH when it has no slash.
  explicit StandInPlatform(std::optional<std::filesystem::path> home,
                           std::string opener = "xdg-open");

  // "<home>/Library/Group Containers/<app-group identifier>", or nothing
  // without a home directory. The directory is not created.
  std::optional<std::filesystem::path> containerURL(
      std::string_view appGroupIdentifier) const override;

  // Regular files only: a directory, a pipe or a device in the file's place
  // counts as unreadable, so that a reader never blocks on it.
  std::optional<std::string> readWholeFile(const std::filesystem::path& path) const override;

  // Runs the opener with the URL and waits for it. Its standard output goes
  // to standard error so that it never mixes with this process's output.
  std::optional<PlatformError> openWithoutActivation(const std::string& url) override;

 private:
  std::optional<std::filesystem::path> home_;
  std::string opener_;
};

}  // namespace zorvs::controls
