// The test platform: a share platform whose item loads and URL opens
// complete on other threads, as the real platform's completion handlers do,
// while files and URLs behave as on the stand-in (the container lies in a
// fresh temporary home directory). It records what the logic did and checks
// that the logic called it on the main thread only.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "share/src/run_loop.h"
#include "share/src/share_platform.h"
#include "share/src/standin/completion_threads.h"
#include "share/src/standin/standin_item_provider.h"
#include "share/src/standin/standin_platform.h"
#include "share/src/testing/temporary_directory.h"

namespace zorvs::share::testing {

class TestPlatform;

// One attachment: the types it conforms to and what each load delivers.
struct Attachment {
  std::vector<std::string> conforms;
  std::vector<standin::Representation> loads;
};

struct Item {
  std::optional<std::string> title;
  std::optional<std::string> content;
  std::vector<Attachment> attachments;
};

struct Foreign {};  // an input item that is not an extension item

using TestInput = std::variant<Item, Foreign>;

// Loaded items and the usual attachments.
LoadedItem url_item(std::string_view url);  // the URL must parse
LoadedItem bytes_item(std::string_view bytes);
LoadedItem image_item(std::uint32_t width, std::uint32_t height, Bytes rgba);
Attachment link(std::string_view url);    // "public.url" delivering a URL
Attachment plain_text(std::string text);  // "public.plain-text" delivering a string
Attachment picture(LoadedItem item);      // "public.image" delivering `item`
Attachment failing(std::string type, std::string error = "load failed");

class TestItemProvider final : public ItemProvider {
 public:
  TestItemProvider(const Attachment& attachment, TestPlatform& platform);

  bool has_item_conforming_to(std::string_view type_identifier) const override;
  void load_item(std::string_view type_identifier, Completion<LoadedItem> done) override;

  // The type identifiers loaded, in order.
  const std::vector<std::string>& loads() const { return loads_; }

  // Deliveries wait until `gate` is true.
  void hold_until(const std::atomic<bool>& gate) { gate_ = &gate; }

 private:
  standin::StandinItemProvider standin_;
  TestPlatform& platform_;
  std::vector<std::string> loads_;
  const std::atomic<bool>* gate_ = nullptr;
};

class TestContext final : public ExtensionContext {
 public:
  TestContext(std::vector<InputItem> items, TestPlatform& platform)
      : items_(std::move(items)), platform_(platform) {}

  const std::vector<InputItem>& input_items() const override { return items_; }
  void complete_request() override;
  int completions() const { return completions_; }

 private:
  std::vector<InputItem> items_;
  TestPlatform& platform_;
  int completions_ = 0;
};

class TestPlatform final : public SharePlatform {
 public:
  TestPlatform();
  ~TestPlatform() override;

  // Setup: the request's items; no context at all; no container or another
  // one; the platform's answers.
  void set_items(const std::vector<TestInput>& inputs);
  void remove_context() { context_.reset(); }
  void remove_container() { has_container_ = false; }
  void set_container(std::string path) { container_ = std::move(path); }
  bool grant_security_scope = true;
  bool fail_writes = false;
  bool fail_open = false;
  bool reject_share_urls = false;  // "zorvs:" URLs do not parse

  // Runs one handover and returns the URL it opened ("" when none).
  std::string handOver();
  // Runs `task` to its end on the main executor.
  template <typename T>
  T run(Task<T> task) {
    std::optional<T> result;
    loop_.run(capture(std::move(task), result));
    return std::move(*result);
  }
  void run(Task<> task) { loop_.run(std::move(task)); }

  // What happened.
  const std::vector<std::string>& opened() const { return opened_; }
  int completions() const { return context_ ? context_->completions() : 0; }
  int scope_starts() const { return scope_starts_; }
  int scope_stops() const { return scope_stops_; }
  int calls_off_main_thread() const { return calls_off_main_thread_; }
  std::string home() const { return home_.path().string(); }
  std::string staging_directory() const;
  std::vector<std::string> staged_files() const;  // names, sorted
  TestItemProvider& provider(size_t item, size_t attachment);
  MainExecutor& executor() { return loop_; }
  standin::CompletionThreads& threads() { return threads_; }
  void note_call();  // counts a call made off the main thread

  // SharePlatform.
  ExtensionContext* extension_context() override;
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
  template <typename T>
  static Task<> capture(Task<T> task, std::optional<T>& result) {
    result.emplace(co_await task);
  }

  // Declared first so that they end last: the threads are joined before the
  // loop they post to goes away.
  RunLoop loop_;
  standin::CompletionThreads threads_;
  std::thread::id main_thread_ = std::this_thread::get_id();
  TemporaryDirectory home_{"zorvs-share-test"};
  standin::StandinPlatform standin_;
  std::unique_ptr<TestContext> context_;
  bool has_container_ = true;
  std::optional<std::string> container_;  // instead of the one under the home directory
  std::vector<std::string> opened_;
  int scope_starts_ = 0;
  int scope_stops_ = 0;
  std::atomic<int> calls_off_main_thread_ = 0;
};

}  // namespace zorvs::share::testing
