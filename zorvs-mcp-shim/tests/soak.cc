// The soak: a long stream of requests and notifications of mixed sizes
// through the built bridge to a counting host that restarts now and then,
// sometimes staying down for a while. It checks that
//   - every request gets exactly one answer, in order: from the host while
//     it is reachable, built offline otherwise;
//   - every notification reaches a host exactly once, unless it found the
//     host down or the connection to a stopped host dead (then it is dropped);
//   - every connection begins with the replayed initialize request;
//   - the bridge's resident memory does not grow with the count.
// and prints its figures. It runs for a while, so it is no CTest test:
// scripts/soak builds and runs it.
//
//   mcp_shim_soak [MESSAGES [RESTARTS]]     (defaults 200000 and 6)
#include <signal.h>

#include <boost/json.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bridge_process.h"
#include "socket_server.h"

namespace zorvs_mcp::testing {
namespace {

using zorvs::hostsim::ConnectionLines;
using zorvs::hostsim::SocketServer;

using Clock = std::chrono::steady_clock;

// A random but repeatable number for message `index` and `salt`.
uint64_t mix(uint64_t index, uint64_t salt) {
  uint64_t z = index * 0x9E3779B97F4A7C15ull + salt;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Mostly small, some of a few kilobytes, a few large, a rare megabyte.
size_t mixed_size(uint64_t random) {
  const uint64_t bucket = random % 10000, spread = random / 10000;
  if (bucket < 6000) return spread % 64;
  if (bucket < 8500) return spread % 1024;
  if (bucket < 9700) return spread % 16384;
  if (bucket < 9995) return spread % 65536;
  return 1 << 20;
}

// Text that needs escaping now and then and holds two-byte characters.
std::string_view padding(size_t size) {
  static const std::string text = [] {
    std::string t;
    while (t.size() < (1 << 20) + 16) t += "soak padding \xC3\xA9t\xC3\xA9 \\\"quoted\\\" ";
    return t;
  }();
  // Never cut inside an escape or a character: back off to a space.
  while (size > 0 && text[size - 1] != ' ') --size;
  return std::string_view(text).substr(0, size);
}

struct Message {
  uint64_t index;
  bool request;
  size_t pad;
  size_t reply;
};

// Message `index` of the stream. `force_request` makes it a request, so that
// its answer shows that the bridge has handled everything before it.
Message message_at(uint64_t index, bool force_request) {
  const uint64_t r = mix(index, 1);
  return {index, force_request || r % 10 < 7, mixed_size(mix(index, 2)), mixed_size(mix(index, 3))};
}

std::string line_of(const Message& m) {
  std::string line;
  if (m.request) {
    line = "{\"id\":" + std::to_string(m.index) +
           ",\"jsonrpc\":\"2.0\",\"method\":\"soak/work\",\"params\":{\"pad\":\"";
    line.append(padding(m.pad));
    line += "\",\"reply\":" + std::to_string(m.reply) + "}}\n";
  } else {
    line = "{\"jsonrpc\":\"2.0\",\"method\":\"notifications/soak\",\"params\":{\"pad\":\"";
    line.append(padding(m.pad));
    line += "\",\"seq\":" + std::to_string(m.index) + "}}\n";
  }
  return line;
}

// What the host answers to request `id` asking for `reply` bytes; written in
// the bridge's own form, so the client must see exactly this.
std::string host_answer(uint64_t id, size_t reply) {
  std::string line = "{\"id\":" + std::to_string(id) +
                     ",\"jsonrpc\":\"2.0\",\"result\":{\"n\":" + std::to_string(id) + ",\"pad\":\"";
  line.append(padding(reply));
  return line + "\"}}";
}

constexpr const char* kInitialize =
    "{\"id\":0,\"jsonrpc\":\"2.0\",\"method\":\"initialize\",\"params\":{\"protocolVersion\":"
    "\"2025-06-18\"}}";

// What every host instance shares: per-notification delivery counts, and
// what went wrong on the host's side.
struct HostRecord {
  explicit HostRecord(size_t messages) : notifications(messages) {}
  std::vector<std::atomic<uint8_t>> notifications;
  std::atomic<size_t> connections = 0;
  std::atomic<size_t> requests = 0;
  std::mutex mutex;
  std::vector<std::string> faults;

  void fault(std::string what) {
    std::lock_guard lock(mutex);
    if (faults.size() < 20) faults.push_back(std::move(what));
  }
};

// A non-negative integer member.
std::optional<uint64_t> number(const boost::json::value* value) {
  if (value && value->is_uint64()) return value->get_uint64();
  if (value && value->is_int64() && value->get_int64() >= 0) {
    return static_cast<uint64_t>(value->get_int64());
  }
  return std::nullopt;
}

// The host's answer line to `message` (nothing for a notification), or a
// fault recorded when the message is not one the soak sends.
std::string host_turn(HostRecord& record, std::string_view method,
                      const boost::json::object& message) {
  const auto* params_value = message.if_contains("params");
  const auto* params = params_value ? params_value->if_object() : nullptr;
  const auto* id = message.if_contains("id");
  const auto* seq = params ? params->if_contains("seq") : nullptr;
  const auto* reply = params ? params->if_contains("reply") : nullptr;
  if (method == "notifications/soak" && number(seq)) {
    if (*number(seq) < record.notifications.size()) ++record.notifications[*number(seq)];
    return "";
  }
  if (method == "initialize" && id) {
    ++record.requests;
    return "{\"id\":" + boost::json::serialize(*id) +
           ",\"jsonrpc\":\"2.0\",\"result\":{\"protocolVersion\":\"2025-06-18\"}}\n";
  }
  if (method == "soak/work" && number(id) && number(reply)) {
    ++record.requests;
    return host_answer(*number(id), *number(reply)) + "\n";
  }
  record.fault("host got an unexpected message: " + boost::json::serialize(message).substr(0, 200));
  return "";
}

void serve(HostRecord& record, int fd) {
  ++record.connections;
  ConnectionLines lines(fd);
  bool first = true;
  while (auto line = lines.read_line()) {
    boost::system::error_code ec;
    boost::json::value value = boost::json::parse(*line, ec);
    const auto* message = ec ? nullptr : value.if_object();
    const auto* method = message ? message->if_contains("method") : nullptr;
    if (!method || !method->is_string()) {
      record.fault("host got an unusable line: " + line->substr(0, 200));
      return;
    }
    if (first != (method->get_string() == "initialize")) {
      record.fault("initialize is not exactly the first line of a connection");
    }
    first = false;
    const std::string answer = host_turn(record, method->get_string(), *message);
    if (!answer.empty() && !lines.write(answer)) return;
  }
}

// Resident memory of `pid` in kilobytes, from ps (on every platform).
long resident_kb(pid_t pid) {
  const std::string command = "ps -o rss= -p " + std::to_string(pid);
  std::unique_ptr<FILE, int (*)(FILE*)> ps(popen(command.c_str(), "r"), pclose);
  long kb = -1;
  if (ps && std::fscanf(ps.get(), "%ld", &kb) != 1) kb = -1;
  return kb;
}

class Soak {
 public:
  Soak(uint64_t messages, int restarts)
      : messages_(messages), restarts_(restarts), record_(messages + 1) {}

  int run() {
    const auto start = Clock::now();
    start_host();
    bridge_ = std::make_unique<BridgeProcess>(
        bridge_executable(),
        BridgeProcess::Environment{{"HOME", home_.path()}, {"ZORVS_SHIM_NO_AUTOLAUNCH", "1"}});
    bridge_->send(std::string(kInitialize) + "\n");
    expect_line("{\"id\":0,\"jsonrpc\":\"2.0\",\"result\":{\"protocolVersion\":\"2025-06-18\"}}",
                "initialize");
    sample_memory();

    const uint64_t down_per_outage = 40;
    const uint64_t outages = static_cast<uint64_t>(restarts_ + 1) / 2;
    const uint64_t per_phase =
        (messages_ - outages * down_per_outage) / static_cast<uint64_t>(restarts_ + 1);
    bool finds_dead_connection = false;
    for (int phase = 0; phase <= restarts_; ++phase) {
      const uint64_t count = phase == restarts_ ? messages_ + 1 - next_ : per_phase;
      segment(count, true, finds_dead_connection);
      sample_memory();
      if (phase == restarts_) break;
      host_->stop();
      finds_dead_connection = true;
      if (phase % 2 == 0) {  // stays down for a while
        segment(down_per_outage, false, finds_dead_connection);
        finds_dead_connection = false;  // the slot was emptied while it was down
      }
      start_host();
    }
    Finished done = bridge_->finish();
    host_->stop();
    if (!done.out.empty()) failure("answers beyond one per request: " + done.out.substr(0, 200));
    if (done.status != 0) failure("exit status " + std::to_string(done.status));
    if (!done.err.empty()) failure("standard error: " + done.err.substr(0, 200));
    check_host();
    report(std::chrono::duration<double>(Clock::now() - start).count());
    return failures_ == 0 ? 0 : 1;
  }

 private:
  void start_host() {
    host_ = SocketServer::start(app_data_dir(home_.path()) + "/mcp.sock",
                                [this](size_t, int fd) { serve(record_, fd); });
    if (!host_) {
      std::cerr << "soak: cannot start the host\n";
      std::exit(2);
    }
    ++hosts_started_;
  }

  // Sends `count` messages, the last a request, while the host is up or
  // down, and checks every answer as it comes. The first message finds the
  // connection to a stopped host dead when `finds_dead` is set.
  void segment(uint64_t count, bool host_up, bool finds_dead) {
    const uint64_t first = next_, end = next_ + count;
    next_ = end;
    std::thread writer([this, first, end] {
      for (uint64_t i = first; i < end; ++i) {
        const std::string line = line_of(message_at(i, i + 1 == end));
        bytes_in_ += line.size();
        bridge_->send(line);
      }
    });
    for (uint64_t i = first; i < end; ++i) {
      const Message m = message_at(i, i + 1 == end);
      const bool delivered = host_up && !(finds_dead && i == first);
      if (m.request) {
        ++requests_;
        if (delivered) {
          expect_line(host_answer(i, m.reply), "request " + std::to_string(i));
        } else {
          ++offline_answers_;
          expect_offline(i);
        }
      } else {
        ++notifications_;
        if (!delivered) ++dropped_;
      }
      expected_notification_.push_back(!m.request && delivered);
    }
    writer.join();
  }

  // The next answer; without one the soak cannot go on.
  std::string answer(const std::string& what) {
    auto line = bridge_->read_line(std::chrono::seconds(60));
    if (!line) {
      std::fprintf(stderr, "soak: no answer to %s; stopping\nsoak: FAILED\n", what.c_str());
      ::kill(bridge_->pid(), SIGKILL);
      std::_Exit(1);  // the writer thread may be stuck in a write
    }
    bytes_out_ += line->size() + 1;
    return *line;
  }

  void expect_line(const std::string& expected, const std::string& what) {
    const std::string line = answer(what);
    if (line != expected) failure("wrong answer to " + what + ": " + line.substr(0, 200));
  }

  void expect_offline(uint64_t id) {
    const std::string line = answer("request " + std::to_string(id));
    const std::string tail = "\"},\"id\":" + std::to_string(id) + ",\"jsonrpc\":\"2.0\"}";
    if (!(line.starts_with("{\"error\":{\"code\":-32603,\"message\":\"") && line.ends_with(tail))) {
      failure("not an offline answer to request " + std::to_string(id) + ": " +
              line.substr(0, 200));
    }
  }

  void check_host() {
    for (const std::string& fault : record_.faults) failure(fault);
    for (uint64_t i = 1; i < next_; ++i) {
      const unsigned got = record_.notifications[i].load();
      const unsigned want = expected_notification_[i - 1] ? 1 : 0;
      if (got != want) {
        failure("notification " + std::to_string(i) + " reached a host " + std::to_string(got) +
                " times, expected " + std::to_string(want));
      }
    }
    if (record_.connections != hosts_started_) {
      failure(std::to_string(record_.connections.load()) + " connections for " +
              std::to_string(hosts_started_) + " host starts");
    }
    if (record_.requests != requests_ - offline_answers_ + hosts_started_) {
      failure("the hosts answered " + std::to_string(record_.requests.load()) + " requests");
    }
  }

  void sample_memory() {
    const long kb = resident_kb(bridge_->pid());
    rss_.push_back({next_, kb});
  }

  void report(double seconds) {
    std::printf("messages       %llu after the initialize request\n",
                static_cast<unsigned long long>(next_ - 1));
    std::printf("requests       %llu, of which answered offline %llu\n",
                static_cast<unsigned long long>(requests_),
                static_cast<unsigned long long>(offline_answers_));
    std::printf("notifications  %llu, of which dropped %llu\n",
                static_cast<unsigned long long>(notifications_),
                static_cast<unsigned long long>(dropped_));
    std::printf("bytes          %.1f MB in, %.1f MB out\n", static_cast<double>(bytes_in_) / 1e6,
                static_cast<double>(bytes_out_) / 1e6);
    std::printf("host restarts  %d (%d with the host down for a while)\n", restarts_,
                (restarts_ + 1) / 2);
    std::printf("duration       %.1f s (%.0f messages/s)\n", seconds,
                static_cast<double>(next_ - 1) / seconds);
    std::printf("bridge RSS     ");
    for (auto [at, kb] : rss_) std::printf(" %llu:%ld kB", static_cast<unsigned long long>(at), kb);
    std::printf("\n");
    // Memory may settle during the first phase (buffers reach the size of
    // the largest message); after that it must stay flat.
    const long settled = rss_.at(1).second, last = rss_.back().second;
    const long kGrowthAllowanceKb = 8 * 1024;
    if (settled < 0 || last < 0) {
      failure("resident memory could not be measured");
    } else if (last - settled > kGrowthAllowanceKb) {
      failure("resident memory grew by " + std::to_string(last - settled) + " kB");
    }
    std::printf("%s\n", failures_ == 0 ? "soak: passed" : "soak: FAILED");
  }

  void failure(const std::string& what) {
    if (++failures_ <= 20) std::fprintf(stderr, "soak: %s\n", what.c_str());
  }

  const uint64_t messages_;  // after the initialize request
  const int restarts_;
  TempDir home_;
  HostRecord record_;
  std::unique_ptr<SocketServer> host_;
  std::unique_ptr<BridgeProcess> bridge_;
  uint64_t next_ = 1;  // 0 is the initialize request
  size_t hosts_started_ = 0;
  uint64_t requests_ = 0, offline_answers_ = 0, notifications_ = 0, dropped_ = 0;
  std::atomic<uint64_t> bytes_in_ = 0;  // counted by the writer thread
  uint64_t bytes_out_ = 0;
  std::vector<bool> expected_notification_;
  std::vector<std::pair<uint64_t, long>> rss_;
  int failures_ = 0;
};

}  // namespace
}  // namespace zorvs_mcp::testing

int main(int argc, char** argv) {
  const uint64_t messages = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200000;
  const int restarts = argc > 2 ? std::atoi(argv[2]) : 6;
  if (messages < 1000 || restarts < 0) {
    std::cerr << "usage: mcp_shim_soak [MESSAGES>=1000 [RESTARTS]]\n";
    return 2;
  }
  return zorvs_mcp::testing::Soak(messages, restarts).run();
}
