// bench-pingpong: drives one relay command the way Claude Desktop drives the
// bridge, and prints what it measured as one JSON object on standard output.
//
//   bench-pingpong session --requests N --tool small|large [--buffer-bytes B] -- CMD ARG...
//     Starts CMD with pipes on its standard input and output, sends one
//     initialize and the initialized notification, then N tools/call
//     requests one at a time, each after the answer to the one before.
//     Prints the round trip of every request, the bytes answered, the time
//     they took, and the relay's peak resident memory. B bytes of the
//     driver's read buffer are made resident before the relay starts.
//
//   bench-pingpong starts --count N -- CMD ARG...
//     N times: starts CMD, sends an initialize and times the first answer
//     line, or the end of its output when it gives up without one.
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "line_io.h"
#include "payloads.h"
#include "relay_process.h"

namespace zorvs_bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string mode;
  long count = 0;
  std::string tool = "small";
  long buffer_bytes = 0;
  std::vector<std::string> command;
};

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "bench-pingpong: %s\n", why.c_str());
  std::exit(1);
}

Options parse_options(int argc, char** argv) {
  Options o;
  if (argc < 2)
    fail(
        "usage: bench-pingpong session|starts [--requests N|--count N] [--tool T] "
        "[--buffer-bytes B] -- CMD...");
  o.mode = argv[1];
  int i = 2;
  for (; i < argc && std::string_view(argv[i]) != "--"; ++i) {
    const std::string_view flag = argv[i];
    if (i + 1 >= argc) fail("missing value after " + std::string(flag));
    if (flag == "--requests" || flag == "--count") {
      o.count = std::atol(argv[++i]);
    } else if (flag == "--buffer-bytes") {
      o.buffer_bytes = std::atol(argv[++i]);
    } else if (flag == "--tool") {
      o.tool = argv[++i];
    } else {
      fail("unknown option " + std::string(flag));
    }
  }
  for (++i; i < argc; ++i) o.command.emplace_back(argv[i]);
  if (o.command.empty() || o.count <= 0 || (o.mode != "session" && o.mode != "starts")) {
    fail("need a mode, a positive count and a command after --");
  }
  return o;
}

// True when `line` is the answer to request `id`: its "id" member comes
// early in every relay's form of the answer (sorted or as the host wrote it).
bool answers(std::string_view line, long id) {
  const std::string key = "\"id\":" + std::to_string(id);
  const size_t at = line.substr(0, 64).find(key);
  if (at == std::string_view::npos || at + key.size() >= line.size()) return false;
  const char next = line[at + key.size()];
  return next == ',' || next == '}';
}

double micros(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

void print_samples(const std::vector<double>& samples) {
  std::printf("\"samples_us\":[");
  for (size_t i = 0; i < samples.size(); ++i) std::printf(i ? ",%.2f" : "%.2f", samples[i]);
  std::printf("]}\n");
}

// One answered exchange: writes `request`, waits for the answer to `id`.
std::string_view exchange(RelayProcess& relay, LineInput& answers_in, const std::string& request,
                          long id) {
  if (!write_all(relay.input(), request)) fail("the relay stopped reading");
  auto line = answers_in.next();
  if (!line) fail("the relay ended without answering request " + std::to_string(id));
  if (!answers(*line, id)) {
    fail("unexpected answer to request " + std::to_string(id) + ": " +
         std::string(line->substr(0, 120)));
  }
  return *line;
}

int run_session(const Options& o) {
  auto relay = RelayProcess::start(o.command, false);
  if (!relay) fail("cannot start " + o.command[0]);
  // The driver's own page faults would otherwise land on the first answer.
  LineInput answers_in(relay->output(), static_cast<size_t>(o.buffer_bytes));
  exchange(*relay, answers_in, initialize_request(1), 1);
  if (!write_all(relay->input(), initialized_notification())) fail("the relay stopped reading");

  std::vector<double> samples;
  samples.reserve(static_cast<size_t>(o.count));
  double bytes = 0;
  Clock::duration total{};
  for (long i = 0; i < o.count; ++i) {
    const long id = i + 2;
    const std::string request = tools_call_request(id, o.tool);
    const auto start = Clock::now();
    const size_t size = exchange(*relay, answers_in, request, id).size() + 1;
    const auto took = Clock::now() - start;
    total += took;
    samples.push_back(micros(took));
    bytes += static_cast<double>(size);
  }
  const Exit exit = relay->finish();
  if (exit.status != 0) fail("the relay exited with status " + std::to_string(exit.status));
  std::printf("{\"requests\":%ld,\"bytes\":%.0f,\"seconds\":%.6f,\"peak_rss_kb\":%ld,", o.count,
              bytes, std::chrono::duration<double>(total).count(), exit.peak_rss_kb);
  print_samples(samples);
  return 0;
}

// The first line the relay writes, or what it wrote before its output ended.
// Small reads: this is timed, and the answer is short.
std::string first_line(int fd) {
  std::string line;
  char buffer[4096];
  while (line.find('\n') == std::string::npos) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    line.append(buffer, static_cast<size_t>(n));
  }
  return line.substr(0, line.find('\n'));
}

int run_starts(const Options& o) {
  std::vector<double> samples;
  long answered = 0;
  const std::string request = initialize_request(1);
  for (long i = 0; i < o.count; ++i) {
    const auto start = Clock::now();
    auto relay = RelayProcess::start(o.command, true);
    if (!relay) fail("cannot start " + o.command[0]);
    write_all(relay->input(), request);  // a relay that gave up already makes this fail
    const std::string line = first_line(relay->output());
    samples.push_back(micros(Clock::now() - start));
    if (answers(line, 1)) ++answered;
    relay->finish();
  }
  std::printf("{\"starts\":%ld,\"answered\":%ld,", o.count, answered);
  print_samples(samples);
  return 0;
}

}  // namespace
}  // namespace zorvs_bench

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);  // a relay that exits early turns writes into errors
  const auto options = zorvs_bench::parse_options(argc, argv);
  return options.mode == "session" ? zorvs_bench::run_session(options)
                                   : zorvs_bench::run_starts(options);
}
