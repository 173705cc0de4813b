#include "share/macos/mac_platform.h"

#include <filesystem>

#include "share/macos/foundation_values.h"
#include "share/src/files/atomic_file.h"
#include "share/src/files/regular_file.h"

namespace zorvs::share::macos {

ExtensionContext* MacPlatform::extension_context() {
  NSExtensionContext* context = controller_.extensionContext;
  if (!context) return nullptr;
  if (!context_) context_ = std::make_unique<MacContext>(context);
  return context_.get();
}

std::optional<Url> MacPlatform::parse_url(std::string_view text) {
  NSString* string = ns_string(text);
  NSURL* url = string ? [NSURL URLWithString:string] : nil;
  if (!url) return std::nullopt;
  return url_of(url);
}

std::optional<Url> MacPlatform::url_from_data_representation(const Bytes& bytes) {
  // Declared never nil, yet bytes that form no URL give none.
  NSURL* _Nullable url = [NSURL URLWithDataRepresentation:ns_data(bytes) relativeToURL:nil];
  if (!url) return std::nullopt;
  return url_of(url);
}

std::optional<std::string> MacPlatform::app_group_container(std::string_view group_identifier) {
  NSString* group = ns_string(group_identifier);
  if (!group) return std::nullopt;
  NSURL* container =
      [[NSFileManager defaultManager] containerURLForSecurityApplicationGroupIdentifier:group];
  NSString* path = container.path;
  if (!path) return std::nullopt;
  return utf8(path);
}

void MacPlatform::create_directories(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
}

bool MacPlatform::start_security_scoped_access(const Url& url) {
  NSURL* native = ns_url(url);
  return native && [native startAccessingSecurityScopedResource];
}

void MacPlatform::stop_security_scoped_access(const Url& url) {
  [ns_url(url) stopAccessingSecurityScopedResource];
}

std::optional<Bytes> MacPlatform::read_file(const Url& url) {
  if (!url.file_path) return std::nullopt;
  return files::read_regular_file(*url.file_path);
}

bool MacPlatform::write_atomically(const std::string& path, const Bytes& bytes) {
  return files::write_file_atomically(path, bytes);
}

std::string MacPlatform::random_uuid() {
  return utf8([NSUUID UUID].UUIDString);
}

void MacPlatform::open_url(const Url& url, Completion<OpenOutcome> done) {
  NSURL* target = ns_url(url);
  if (!target) return done(OpenOutcome{false, "not a URL"});
  // Owned by the block, as for item loads.
  auto handler = std::make_shared<Completion<OpenOutcome>>(std::move(done));
  [[NSWorkspace sharedWorkspace] openURL:target
                           configuration:[NSWorkspaceOpenConfiguration configuration]
                       completionHandler:^(NSRunningApplication* app, NSError* error) {
                         bool opened = app && !error;
                         (*handler)(OpenOutcome{opened, opened ? "" : "the URL was not opened"});
                       }];
}

}  // namespace zorvs::share::macos
