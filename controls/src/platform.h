// What the controls extension asks of the operating system, kept behind one
// small interface so that the logic runs unchanged on macOS (App Intents
// adapter), on a development machine (stand-in) and in tests (fake).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zorvs::controls {

// An error as the platform reported it. It is passed on unchanged: the
// extension has no error texts of its own.
struct PlatformError {
  std::string domain;
  long code = 0;
  std::string message;

  bool operator==(const PlatformError&) const = default;
};

// The reading half of the platform: where the app group's container lies
// and what its files hold. The pattern index needs nothing more.
class ContainerFiles {
 public:
  virtual ~ContainerFiles() = default;

  // The shared container of the application group, or nothing when the
  // process is not allowed into the group.
  virtual std::optional<std::filesystem::path> containerURL(
      std::string_view appGroupIdentifier) const = 0;

  // The whole content of a file; nothing when it cannot be read for any
  // reason (the reason is of no use to the caller).
  virtual std::optional<std::string> readWholeFile(const std::filesystem::path& path) const = 0;
};

class Platform : public ContainerFiles {
 public:
  // Hands a URL to the application that handles its scheme, leaving that
  // application in the background. Returns the platform's error when the
  // URL could not be opened.
  virtual std::optional<PlatformError> openWithoutActivation(const std::string& url) = 0;
};

}  // namespace zorvs::controls
