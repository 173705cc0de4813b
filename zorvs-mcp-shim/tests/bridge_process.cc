#include "bridge_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "host_contract.h"

namespace zorvs_mcp::testing {
namespace fs = std::filesystem;

namespace {

// A pipe whose ends close on exec (pipe2 is not on every system).
bool cloexec_pipe(int fds[2]) {
  if (pipe(fds) != 0) return false;
  return fcntl(fds[0], F_SETFD, FD_CLOEXEC) == 0 && fcntl(fds[1], F_SETFD, FD_CLOEXEC) == 0;
}

}  // namespace

TempDir::TempDir() {
  // Under /tmp rather than $TMPDIR: socket paths inside must stay short, and
  // a Mac's $TMPDIR alone is some 49 bytes long.
  std::string pattern = "/tmp/zorvs-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make everything removable again, whatever a test did to permissions.
  for (auto& entry : fs::recursive_directory_iterator(path_, ec)) {
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::string app_data_dir(const std::string& home) {
  return home + "/Library/Application Support/" + std::string(zorvs::host::kAppIdentifier);
}

std::string bridge_executable() {
  const char* dir = std::getenv("ZORVS_BIN_DIR");
  return std::string(dir ? dir : "build/bin") + "/zorvs-mcp-shim";
}

std::string through_interrupted_pipe(const std::function<bool(int fd)>& write, bool& written) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) != 0) {
      if (n < 0) continue;  // interrupted
      received.append(buffer, static_cast<size_t>(n));
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  });
  struct sigaction tick {};
  tick.sa_handler = [](int) {};  // no SA_RESTART: a blocked write returns what it wrote
  struct sigaction before {};
  ::sigaction(SIGALRM, &tick, &before);
  const itimerval every_ms{{0, 1000}, {0, 1000}};
  ::setitimer(ITIMER_REAL, &every_ms, nullptr);
  written = write(fds[1]);
  const itimerval off{};
  ::setitimer(ITIMER_REAL, &off, nullptr);
  ::sigaction(SIGALRM, &before, nullptr);
  ::close(fds[1]);
  reader.join();
  ::close(fds[0]);
  return received;
}

void write_file(const std::string& path, std::string_view content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

std::optional<std::string> read_whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string copy_bridge_to(const std::string& dir) {
  fs::create_directories(dir);
  std::string target = dir + "/zorvs-mcp-shim";
  fs::copy_file(bridge_executable(), target, fs::copy_options::overwrite_existing);
  return target;
}

BridgeProcess::BridgeProcess(const std::string& executable, Environment environment,
                             std::vector<int> closed, std::vector<std::string> args) {
  if (!environment.count("PATH")) environment["PATH"] = "/usr/bin:/bin";
  std::vector<std::string> env_strings;
  for (auto& [k, v] : environment) env_strings.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  int in[2], out[2], err[2];
  // Close-on-exec, so that other children of the test (a fake app) do not
  // keep the bridge's standard input open after the test closes it.
  if (!cloexec_pipe(in) || !cloexec_pipe(out) || !cloexec_pipe(err)) {
    throw std::runtime_error("pipe failed");
  }
  // A cross build's tests run the bridge under the emulator named here, with
  // its arguments separated by spaces.
  std::vector<std::string> command;
  if (const char* emulator = std::getenv("ZORVS_TEST_EMULATOR")) {
    std::istringstream words(emulator);
    for (std::string word; words >> word;) command.push_back(word);
  }
  command.push_back(executable);
  command.insert(command.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  signal(SIGPIPE, SIG_IGN);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    for (int fd : closed) close(fd);
    signal(SIGPIPE, SIG_DFL);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  in_ = in[1];
  out_ = out[0];
  err_ = err[0];
}

BridgeProcess::~BridgeProcess() {
  for (int fd : {in_, out_, err_}) {
    if (fd >= 0) close(fd);
  }
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void BridgeProcess::send(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(in_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

std::optional<std::string> BridgeProcess::read_line(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (size_t nl = out_buffer_.find('\n'); nl != std::string::npos) {
      std::string line = out_buffer_.substr(0, nl);
      out_buffer_.erase(0, nl + 1);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (out_ < 0 || left.count() <= 0) return std::nullopt;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[65536];
    ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) return std::nullopt;
    out_buffer_.append(buffer, static_cast<size_t>(n));
  }
}

void BridgeProcess::close_stdin() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

void BridgeProcess::close_stdout() {
  if (out_ >= 0) close(out_);
  out_ = -1;
}

namespace {
std::string drain(int fd) {
  std::string all;
  char buffer[65536];
  while (fd >= 0) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    all.append(buffer, static_cast<size_t>(n));
  }
  return all;
}
}  // namespace

Finished BridgeProcess::finish() {
  close_stdin();
  Finished done;
  done.out = out_buffer_ + drain(out_);
  out_buffer_.clear();
  done.err = drain(err_);
  int status = 0;
  if (waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) done.status = WEXITSTATUS(status);
  pid_ = -1;
  return done;
}

Finished BridgeProcess::finish_within(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  close_stdin();
  std::string lines;
  while (auto line = read_line(std::chrono::duration_cast<std::chrono::milliseconds>(
             deadline - std::chrono::steady_clock::now()))) {
    lines += *line + "\n";
  }
  if (std::chrono::steady_clock::now() >= deadline) kill(pid_, SIGKILL);
  Finished done = finish();
  done.out = lines + done.out;
  return done;
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    lines.push_back(text.substr(start, nl - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start) + "<no newline>");
  return lines;
}

Finished run_bridge(const std::string& input, BridgeProcess::Environment environment,
                    const std::string& executable) {
  BridgeProcess bridge(executable, std::move(environment));
  bridge.send(input);
  return bridge.finish();
}

}  // namespace zorvs_mcp::testing
