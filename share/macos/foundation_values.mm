#include "share/macos/foundation_values.h"

#include <memory>

namespace zorvs::share::macos {
namespace {

// The NSURL behind a Url. A security-scoped file URL grants access only as
// the very object the provider delivered.
struct NativeUrl {
  NSURL* url;
};

}  // namespace

std::string utf8(NSString* string) {
  NSData* data = [string dataUsingEncoding:NSUTF8StringEncoding];
  if (!data) return std::string();
  return std::string(static_cast<const char*>(data.bytes), data.length);
}

NSString* ns_string(std::string_view text) {
  return [[NSString alloc] initWithBytes:text.data()
                                  length:text.size()
                                encoding:NSUTF8StringEncoding];
}

Bytes bytes_of(NSData* data) {
  const auto* bytes = static_cast<const std::uint8_t*>(data.bytes);
  return Bytes(bytes, bytes + data.length);
}

NSData* ns_data(const Bytes& bytes) {
  return [NSData dataWithBytes:bytes.data() length:bytes.size()];
}

Url url_of(NSURL* url) {
  Url converted;
  converted.absolute_string = utf8(url.absoluteString);
  if (NSString* scheme = url.scheme) converted.scheme = utf8(scheme);
  converted.path_extension = utf8(url.pathExtension);
  if (NSString* path = url.path; path && url.isFileURL) converted.file_path = utf8(path);
  converted.native = std::make_shared<const NativeUrl>(NativeUrl{url});
  return converted;
}

NSURL* ns_url(const Url& url) {
  if (url.native) return static_cast<const NativeUrl*>(url.native.get())->url;
  NSString* text = ns_string(url.absolute_string);
  return text ? [NSURL URLWithString:text] : nil;
}

}  // namespace zorvs::share::macos
