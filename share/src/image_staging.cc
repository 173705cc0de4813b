#include "share/src/image_staging.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>

#include "host_contract.h"
#include "share/src/type_identifiers.h"

namespace zorvs::share {
namespace {

// Extensions a shared file keeps; anything else is staged as "png".
constexpr std::array<std::string_view, 8> kPictureExtensions = {"png",  "jpg",  "jpeg", "gif",
                                                                "webp", "heic", "tiff", "bmp"};

struct Picture {
  Bytes bytes;
  std::string extension;
};

std::string ascii_lowercase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string join_path(const std::string& directory, std::string_view name) {
  std::string path = directory;
  if (path.empty() || path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

bool starts_with(const Bytes& bytes, std::initializer_list<std::uint8_t> signature) {
  return bytes.size() >= signature.size() &&
         std::equal(signature.begin(), signature.end(), bytes.begin());
}

std::string extension_for_data(const Bytes& bytes) {
  if (starts_with(bytes, {0x89, 0x50, 0x4E, 0x47})) return "png";
  if (starts_with(bytes, {0xFF, 0xD8})) return "jpg";
  return "png";
}

std::string extension_for_file(const Url& file) {
  std::string extension = ascii_lowercase(file.path_extension);
  bool listed = std::find(kPictureExtensions.begin(), kPictureExtensions.end(), extension) !=
                kPictureExtensions.end();
  return listed ? extension : "png";
}

// Only a local file can be read: the extension has no network access. A
// path with a NUL byte in it names no file at all; cut at the NUL it would
// name another one.
bool names_local_file(const Url& url) {
  return url.file_path && url.file_path->find('\0') == std::string::npos;
}

// A shared file keeps its own bytes whatever its extension says.
Picture read_shared_file(SharePlatform& platform, const Url& file) {
  bool granted = platform.start_security_scoped_access(file);
  std::optional<Bytes> bytes = names_local_file(file) ? platform.read_file(file) : std::nullopt;
  Picture picture{std::move(bytes).value_or(Bytes{}), extension_for_file(file)};
  if (granted) platform.stop_security_scoped_access(file);
  return picture;
}

// The bytes and extension to stage for a loaded item, or nothing. Data is
// moved, not copied: a picture is held in memory once.
std::optional<Picture> picture_from(SharePlatform& platform, LoadedItem item) {
  if (const auto* file = std::get_if<Url>(&item)) return read_shared_file(platform, *file);
  if (auto* data = std::get_if<Bytes>(&item)) {
    std::string extension = extension_for_data(*data);
    return Picture{std::move(*data), std::move(extension)};
  }
  if (const auto* image = std::get_if<std::shared_ptr<const ImageObject>>(&item)) {
    if (!*image) return std::nullopt;
    std::optional<Bytes> png = (*image)->png_data();
    if (!png) return std::nullopt;
    return Picture{std::move(*png), "png"};
  }
  return std::nullopt;
}

}  // namespace

Task<std::optional<std::string>> writeImage(SharePlatform& platform, MainExecutor& executor,
                                            ItemProvider& provider) {
  // The staged picture's path is handed over as absolute; a container that
  // is not cannot give one.
  std::optional<std::string> container = platform.app_group_container(host::kAppGroupIdentifier);
  if (!container || !container->starts_with('/')) co_return std::nullopt;
  std::string staging_directory = join_path(*container, host::kShareDirectoryName);
  platform.create_directories(staging_directory);

  LoadedItem item = co_await load_item(executor, provider, uti::kImage);
  std::optional<Picture> picture = picture_from(platform, std::move(item));
  if (!picture || picture->bytes.empty()) co_return std::nullopt;

  std::string name = ascii_lowercase(platform.random_uuid()) + "." + picture->extension;
  std::string target = join_path(staging_directory, name);
  if (!platform.write_atomically(target, picture->bytes)) co_return std::nullopt;
  co_return target;
}

}  // namespace zorvs::share
