// The share platform of this machine, real enough to run a handover: the
// app-group container is "$HOME/Library/Group Containers/<group>" as on
// macOS, files are written atomically, UUIDs are random, and the share URL is
// printed or handed to the desktop's opener. There is no sandbox here, so
// security-scoped access is never needed.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "share/src/share_platform.h"
#include "share/src/standin/completion_threads.h"

namespace zorvs::share::standin {

enum class OpenMode {
  kPrint,    // write the URL to `printed` as one line instead of opening it
  kDesktop,  // run the desktop's opener; a failure is noted on standard error
};

class StandinPlatform final : public SharePlatform {
 public:
  // `home` is the user's home directory; without one there is no container.
  StandinPlatform(ExtensionContext* context, std::optional<std::string> home, OpenMode mode,
                  std::FILE* printed, CompletionThreads& threads)
      : context_(context),
        home_(std::move(home)),
        mode_(mode),
        printed_(printed),
        threads_(threads) {}

  ExtensionContext* extension_context() override { return context_; }
  std::optional<Url> parse_url(std::string_view text) override;
  std::optional<Url> url_from_data_representation(const Bytes& bytes) override;
  std::optional<std::string> app_group_container(std::string_view group_identifier) override;
  void create_directories(const std::string& path) override;
  bool start_security_scoped_access(const Url&) override { return false; }
  void stop_security_scoped_access(const Url&) override {}
  std::optional<Bytes> read_file(const Url& url) override;
  bool write_atomically(const std::string& path, const Bytes& bytes) override;
  std::string random_uuid() override;
  void open_url(const Url& url, Completion<OpenOutcome> done) override;

 private:
  ExtensionContext* context_;
  std::optional<std::string> home_;
  OpenMode mode_;
  std::FILE* printed_;
  CompletionThreads& threads_;
};

}  // namespace zorvs::share::standin
