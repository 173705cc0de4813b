#include "share/src/standin/standin_platform.h"

#include <filesystem>

#include "share/src/files/atomic_file.h"
#include "share/src/files/regular_file.h"
#include "share/src/standin/desktop_open.h"
#include "share/src/standin/random_uuid.h"
#include "share/src/standin/url_parsing.h"

namespace zorvs::share::standin {

std::optional<Url> StandinPlatform::parse_url(std::string_view text) {
  return standin::parse_url(text);
}

std::optional<Url> StandinPlatform::url_from_data_representation(const Bytes& bytes) {
  return standin::parse_url(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<std::string> StandinPlatform::app_group_container(std::string_view group_identifier) {
  // The container is where the system says, an absolute path; a home that
  // is relative names no such place.
  if (!home_) return std::nullopt;
  std::filesystem::path home = std::filesystem::path(*home_).lexically_normal();
  if (!home.is_absolute()) return std::nullopt;
  return (home / "Library" / "Group Containers" / group_identifier).string();
}

void StandinPlatform::create_directories(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
}

std::optional<Bytes> StandinPlatform::read_file(const Url& url) {
  // Only local files: the extension has no network access.
  if (!url.file_path) return std::nullopt;
  return files::read_regular_file(*url.file_path);
}

bool StandinPlatform::write_atomically(const std::string& path, const Bytes& bytes) {
  return files::write_file_atomically(path, bytes);
}

std::string StandinPlatform::random_uuid() {
  return standin::random_uuid();
}

void StandinPlatform::open_url(const Url& url, Completion<OpenOutcome> done) {
  if (mode_ == OpenMode::kPrint) {
    std::string line = url.absolute_string + "\n";
    bool written = std::fwrite(line.data(), 1, line.size(), printed_) == line.size() &&
                   std::fflush(printed_) == 0;
    done(OpenOutcome{written, written ? "" : "the URL could not be written"});
    return;
  }
  threads_.run([done = std::move(done), url = url.absolute_string]() mutable {
    OpenOutcome outcome = open_with(desktop_opener(), url);
    if (!outcome.opened) std::fprintf(stderr, "zorvs-share: %s\n", outcome.error.c_str());
    done(std::move(outcome));
  });
}

}  // namespace zorvs::share::standin
