// Foundation's strings, data and URLs as the share logic holds them, and
// back.
#pragma once

#import <Foundation/Foundation.h>

#include <string>
#include <string_view>

#include "share/src/item_provider.h"
#include "share/src/url.h"

NS_ASSUME_NONNULL_BEGIN

namespace zorvs::share::macos {

// All UTF-8 bytes of `string`, a NUL among them included; empty for nil or
// for a string that has no UTF-8 form.
std::string utf8(NSString* _Nullable string);
// The string of UTF-8 `text`, or nil when it is not UTF-8.
NSString* _Nullable ns_string(std::string_view text);

Bytes bytes_of(NSData* data);
NSData* ns_data(const Bytes& bytes);

// The facts the logic reads from `url`, with `url` itself kept for ns_url.
Url url_of(NSURL* url);
// The NSURL a Url was made from; for any other, its absolute string parsed.
NSURL* _Nullable ns_url(const Url& url);

}  // namespace zorvs::share::macos

NS_ASSUME_NONNULL_END
