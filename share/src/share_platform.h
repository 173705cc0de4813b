// SharePlatform: everything the share logic needs from the operating system,
// behind one seam. The logic calls it on the main executor only; the
// asynchronous calls report through a Completion, on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "share/src/completion.h"
#include "share/src/extension_context.h"
#include "share/src/item_provider.h"
#include "share/src/url.h"

namespace zorvs::share {

// What opening a URL reports. Default: nothing reported, nothing opened.
struct OpenOutcome {
  bool opened = false;
  std::string error;
};

class SharePlatform {
 public:
  virtual ~SharePlatform() = default;

  // The request's context; absent when the process serves no request.
  virtual ExtensionContext* extension_context() = 0;

  // `text` parsed as a URL, or nothing when it does not parse.
  virtual std::optional<Url> parse_url(std::string_view text) = 0;
  // The URL whose data representation `bytes` are (no base URL, not forced
  // absolute), or nothing when they form none.
  virtual std::optional<Url> url_from_data_representation(const Bytes& bytes) = 0;

  // The directory of the app-group container, or nothing when the process
  // has none for `group_identifier`.
  virtual std::optional<std::string> app_group_container(std::string_view group_identifier) = 0;
  // Creates `path` and any missing parents, with default attributes.
  // Failure (also because it exists) is not reported.
  virtual void create_directories(const std::string& path) = 0;

  // Security-scoped access to a shared file: start tells whether it was granted.
  virtual bool start_security_scoped_access(const Url& url) = 0;
  virtual void stop_security_scoped_access(const Url& url) = 0;
  // The whole content of the file at `url`, or nothing when it cannot be read.
  virtual std::optional<Bytes> read_file(const Url& url) = 0;
  // Writes `bytes` to `path` atomically: either the whole file appears under
  // that name or nothing does. Returns false on failure.
  virtual bool write_atomically(const std::string& path, const Bytes& bytes) = 0;

  // A new random UUID in its 36-character textual form.
  virtual std::string random_uuid() = 0;

  // Opens `url` with the default configuration, bringing its application
  // forward. `done` is called once, on any thread.
  virtual void open_url(const Url& url, Completion<OpenOutcome> done) = 0;
};

}  // namespace zorvs::share
