#include "bridge.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
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
#include "platform.h"
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
      if (method == "tools/list") cache_tool_list(*reply);
      write_reply(out_fd_, std::move(*reply));
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

  // Hands the "result" of a tools/list answer to the tool-list cache, as
  // the reply's text has it.
  void cache_tool_list(const Reply& reply) {
    if (auto result = reply.text.member_value("result")) update_tool_cache(*result, env_);
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
  tune_memory();
}

int run_bridge(Env& env, int in_fd, int out_fd, int err_fd) {
  widen_pipe(out_fd);
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
