// The share platform of macOS: Foundation and AppKit for the request, its
// attachments, URLs, the app-group container, UUIDs and opening the share
// URL; the shared POSIX code for reading and writing files, so that files
// are handled exactly as on every other platform.
#pragma once

#import <AppKit/AppKit.h>

#include <memory>

#include "share/macos/mac_context.h"
#include "share/src/share_platform.h"

NS_ASSUME_NONNULL_BEGIN

namespace zorvs::share::macos {

class MacPlatform final : public SharePlatform {
 public:
  // Holds `controller` as long as the platform lives.
  explicit MacPlatform(NSViewController* controller) : controller_(controller) {}

  ExtensionContext* _Nullable extension_context() override;
  std::optional<Url> parse_url(std::string_view text) override;
  std::optional<Url> url_from_data_representation(const Bytes& bytes) override;
  std::optional<std::string> app_group_container(std::string_view group_identifier) override;
  void create_directories(const std::string& path) override;
  bool start_security_scoped_access(const Url& url) override;
  void stop_security_scoped_access(const Url& url) override;
  std::optional<Bytes> read_file(const Url& url) override;
  bool write_atomically(const std::string& path, const Bytes& bytes) override;
  std::string random_uuid() override;
  void open_url(const Url& url, Completion<OpenOutcome> done) override;

 private:
  NSViewController* controller_;
  std::unique_ptr<MacContext> context_;  // made when first asked for
};

}  // namespace zorvs::share::macos

NS_ASSUME_NONNULL_END
