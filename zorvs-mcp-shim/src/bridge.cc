#include "bridge.h"

#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <signal.h>
#if defined(__linux__)
#include <sys/mman.h>
#endif
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "conn.h"
#include "diagnostics.h"
#include "endpoints.h"
#include "files.h"
#include "json.h"
#include "json_reader.h"
#include "launch.h"
#include "line_reader.h"
#include "message.h"
#include "offline.h"
#include "utf8.h"

namespace zorvs_mcp {
namespace {

// Writes `value` and a line feed with one write from `scratch`, which keeps
// its memory for the next answer; failures are ignored.
void write_response(int out_fd, const json::Value& value, json::TextBuffer& scratch) {
  scratch.clear();
  if (json::write(value, scratch)) {
    scratch.push_back('\n');
    write_all(out_fd, scratch.view());
  }
  scratch.release_if_oversized();
}

// A pipe holds 64 KiB by default, so a 10 MB answer crosses to the client
// in some 160 turns of writer and reader; with 1 MiB it takes a tenth of
// them. Where the descriptor is no pipe or the system refuses (Linux caps
// the size for unprivileged processes), nothing changes.
void widen_output_pipe([[maybe_unused]] int out_fd) {
#if defined(F_SETPIPE_SZ)
  fcntl(out_fd, F_SETPIPE_SZ, 1 << 20);
#endif
}

// "ZORVS_SHIM_NO_AUTOLAUNCH" blocks launching when set to anything but
// nothing or "0"; the value is not trimmed.
bool launch_blocked_at_start(const Env& env) {
  auto value = env.get_var("ZORVS_SHIM_NO_AUTOLAUNCH");
  return value && is_valid_utf8(*value) && !value->empty() && *value != "0";
}

// The line without its "\n" and then one "\r".
std::string_view strip_line_end(std::string_view line) {
  if (line.ends_with('\n')) {
    line.remove_suffix(1);
    if (line.ends_with('\r')) line.remove_suffix(1);
  }
  return line;
}

class Bridge {
 public:
  Bridge(Env& env, int out_fd)
      : env_(env),
        out_fd_(out_fd),
        endpoints_(resolve_endpoints(env)),
        launch_blocked_(launch_blocked_at_start(env)) {}

  void handle_line(std::string_view line) {
    if (trim_unicode_space(line).empty()) return;
    auto parsed = json::parse_valid_utf8(line);  // run_bridge checked it
    if (auto* error = std::get_if<json::ParseError>(&parsed)) {
      write_parse_error(error->description);
      return;
    }
    handle_message(std::get<json::Value>(parsed));
  }

 private:
  void write_parse_error(const std::string& description) {
    json::Value answer = {
        {"error", {{"code", -32700}, {"message", "parse error: " + description}}},
        {"id", nullptr},
        {"jsonrpc", "2.0"},
    };
    write_response(out_fd_, answer, scratch_);
  }

  bool may_launch(const json::Value& message, bool notification) const {
    auto method = message_method(message);
    return !notification && method != "initialize" && method != "tools/list" &&
           endpoints_.flavor != Flavor::Dev && !launch_blocked_;
  }

  void handle_message(const json::Value& message) {
    const bool notification = is_notification(message);
    const auto method = message_method(message);
    if (method == "initialize") remembered_initialize_ = message;
    const bool gate_open = may_launch(message, notification);

    ExchangeOutcome outcome = exchange(message, notification);
    if (std::holds_alternative<Unreachable>(outcome)) {
      slot_.reset();
      if (gate_open) {
        auto second = launch_and_exchange(env_, endpoints_.candidates, message, notification, slot_,
                                          remembered());
        if (second) {
          outcome = std::move(*second);
        } else {
          launch_blocked_ = true;
        }
      }
    }

    std::string text;
    if (auto* reply = std::get_if<Reply>(&outcome)) {
      if (method == "tools/list") cache_tool_list(reply->pieces);
      // The reply is not needed after this: its long strings go to the
      // client's pipe page by page instead of being copied.
      hand_over_all(out_fd_, reply->pieces);
      return;
    } else if (std::holds_alternative<NoReply>(outcome)) {
      return;
    } else if (auto* failed = std::get_if<Failed>(&outcome)) {
      text = std::move(failed->text);
    } else {
      text = unreachable_message(env_, endpoints_.flavor, endpoints_.candidates);
    }
    if (!notification) write_response(out_fd_, offline_answer(message, text, env_), scratch_);
  }

  // Hands the "result" of a tools/list answer to the tool-list cache.
  void cache_tool_list(const std::vector<std::string_view>& pieces) {
    std::string line;
    for (std::string_view piece : pieces) line += piece;
    auto parsed = json::parse_valid_utf8(line);
    const auto* value = std::get_if<json::Value>(&parsed);
    const auto* object = value ? value->if_object() : nullptr;
    if (const auto* result = object ? object->if_contains("result") : nullptr) {
      update_tool_cache(*result, env_);
    }
  }

  ExchangeOutcome exchange(const json::Value& message, bool notification) {
    return try_exchange(slot_, endpoints_.candidates, message, notification, remembered());
  }

  const json::Value* remembered() const {
    return remembered_initialize_ ? &*remembered_initialize_ : nullptr;
  }

  Env& env_;
  const int out_fd_;
  const Endpoints endpoints_;
  bool launch_blocked_;
  std::optional<json::Value> remembered_initialize_;
  ConnSlot slot_;
  json::TextBuffer scratch_;  // the bridge's own answers, built here
};

#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
constexpr int kDefaultMmapMax = 65536;  // glibc's M_MMAP_MAX

// A 10 MB tool result is read into a block of its size (and, where its
// long strings cannot be relayed from there, rewritten into another), and
// every fresh 4 KiB page of them costs a fault, which here takes longer than
// relaying the page. Where transparent huge pages are enabled only on
// request, this grows the heap once by more room than such a message takes
// and asks for that room to be backed by 2 MiB pages: one fault then brings
// in 512 pages.
// The room's first partial 2 MiB range, which holds the start of the heap,
// keeps small pages. Nothing is touched here: pages become resident only
// when a message uses them, and freed blocks stay in the heap for the next
// message (see M_TRIM_THRESHOLD).
void advise_huge_heap() {
  constexpr std::uintptr_t kHugePage = 2 << 20;
  constexpr std::size_t kRoom = 48 << 20;
  // One block, taken from the heap although it is above M_MMAP_THRESHOLD:
  // malloc writes its bookkeeping at the ends of blocks, and a 2 MiB range
  // with a page written before the advice stays on small pages.
  mallopt(M_MMAP_MAX, 0);
  void* room = std::malloc(kRoom);
  mallopt(M_MMAP_MAX, kDefaultMmapMax);
  if (room == nullptr) return;
  const auto begin = reinterpret_cast<std::uintptr_t>(room);
  const std::uintptr_t start = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t stop = (begin + kRoom) & ~(kHugePage - 1);
  madvise(reinterpret_cast<void*>(start), stop - start, MADV_HUGEPAGE);
  std::free(room);
}
#endif

}  // namespace

void prepare_process() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      // open() takes the lowest free descriptor, which is this one.
      int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
      if (opened >= 0 && opened != fd) ::close(opened);
    }
  }
  signal(SIGPIPE, SIG_IGN);
  // A parent that ignores SIGCHLD passes that on through exec, and then no
  // child's exit status can be had: every launch would count as failed and
  // pgrep would never find the app.
  signal(SIGCHLD, SIG_DFL);
#if defined(__GLIBC__)
  // glibc hands a freed block of more than a few megabytes straight back to
  // the system, so every page of the next large message is faulted in
  // afresh, which costs more than relaying it. Serving blocks up to 32 MiB
  // from the heap and keeping up to 64 MiB of freed memory there lets a run
  // of large tool results reuse the same pages.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#if defined(MADV_HUGEPAGE)
  advise_huge_heap();
#endif
#endif
}

int run_bridge(Env& env, int in_fd, int out_fd, int err_fd) {
  widen_output_pipe(out_fd);
  Bridge bridge(env, out_fd);
  LineReader reader(in_fd);
  std::string line;
  while (true) {
    auto result = reader.next(line);
    if (std::holds_alternative<LineReader::End>(result)) break;
    std::string error;
    if (auto* failed = std::get_if<LineReader::Error>(&result)) {
      error = failed->description;
    } else if (!is_valid_utf8(line)) {
      error = "stream did not contain valid UTF-8";
    }
    if (!error.empty()) {
      write_all(err_fd, "[zorvs-mcp] stdin read error: " + error + "\n");
      break;
    }
    bridge.handle_line(strip_line_end(line));
    release_if_oversized(line);
  }
  return 0;
}

}  // namespace zorvs_mcp
