// zorvs-share: runs one share handover of the share extension on this
// machine, from a share request written as JSON.
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host_contract.h"
#include "share/src/run_loop.h"
#include "share/src/share_handover.h"
#include "share/src/standin/completion_threads.h"
#include "share/src/standin/desktop_open.h"
#include "share/src/standin/share_request.h"
#include "share/src/standin/standin_context.h"
#include "share/src/standin/standin_platform.h"

namespace {

using namespace zorvs::share;

constexpr int kMalformed = 1;
constexpr int kUsage = 2;

void print_help() {
  std::string group(zorvs::host::kAppGroupIdentifier);
  std::printf(
      "Usage: zorvs-share [--print] [REQUEST.json | -]\n"
      "\n"
      "Runs one handover of the share extension on this machine: reads a share\n"
      "request, takes its first link, text, title and picture, stages the picture\n"
      "and opens the resulting zorvs://share URL.\n"
      "\n"
      "The request is read from REQUEST.json, or from standard input when no file\n"
      "or \"-\" is given. It is JSON:\n"
      "\n"
      "  {\"items\": [{\"title\": \"...\", \"contentText\": \"...\",\n"
      "              \"attachments\": [{\"conforms\": [\"public.url\"],\n"
      "                               \"load\": {\"public.url\": {\"url\": \"https://...\"}}}]}]}\n"
      "\n"
      "\"title\", \"contentText\", \"attachments\", \"conforms\" and \"load\" may be left out.\n"
      "An attachment conforms to the type identifiers in \"conforms\" and to the types\n"
      "they conform to (\"public.file-url\" to \"public.url\", \"public.png\" to\n"
      "\"public.image\"). \"load\" gives, per type identifier, what loading it delivers\n"
      "(a load of a type not listed finds the first listed one that conforms to it):\n"
      "\n"
      "  {\"url\": \"...\"}        a URL object\n"
      "  {\"urlData\": \"...\"}    the bytes of a URL's data representation\n"
      "  {\"string\": \"...\"}     a string\n"
      "  {\"data\": \"BASE64\"}    raw bytes\n"
      "  {\"file\": \"PATH\"}      the file URL of PATH (relative to the current directory)\n"
      "  {\"image\": {\"width\": W, \"height\": H, \"rgba\": \"BASE64\"}}\n"
      "                        an image object of W x H pixels, 4 bytes (RGBA) each\n"
      "  {\"error\": \"...\"}      a load error\n"
      "  {}                    neither an item nor an error\n"
      "\n"
      "An element of \"items\" that is not an object makes the whole input list empty,\n"
      "as an input item that is not an extension item does.\n"
      "\n"
      "A staged picture is written to\n"
      "  $HOME/Library/Group Containers/%s/share/\n"
      "\n"
      "Options:\n"
      "  --print   write the share URL to standard output as one line instead of\n"
      "            opening it\n"
      "  --help    show this text\n"
      "Without --print the URL is opened with %s.\n"
      "\n"
      "Exit status: 0 when the handover ran (also when opening the URL failed),\n"
      "1 when the request cannot be read or is malformed, 2 for wrong arguments.\n",
      group.c_str(), standin::desktop_opener());
}

struct Options {
  bool print = false;
  bool help = false;
  std::optional<std::string> file;  // absent: standard input
};

std::variant<Options, std::string> parse_arguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--print") {
      options.print = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument.starts_with("-") && argument != "-") {
      return "unknown option " + argument;
    } else if (options.file) {
      return "more than one request file given";
    } else if (argument != "-") {
      options.file = argument;
    } else {
      options.file = std::nullopt;
    }
  }
  return options;
}

struct RequestText {
  std::optional<std::string> text;  // absent when it could not be read
  std::string error;
};

// The whole content of `file`, or of standard input when absent.
RequestText read_request_text(const std::optional<std::string>& file) {
  std::string name = file ? *file : "standard input";
  std::FILE* stream = file ? std::fopen(file->c_str(), "rb") : stdin;
  if (!stream) return {std::nullopt, name + ": " + std::strerror(errno)};
  std::string text;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, n);
  bool failed = std::ferror(stream) != 0;
  if (file) std::fclose(stream);
  if (failed) return {std::nullopt, name + ": read error"};
  return {std::move(text), ""};
}

// $HOME, or the account's home directory when HOME is unset or empty.
std::optional<std::string> home_directory() {
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home);
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
    return std::nullopt;
  }
  return std::string(found->pw_dir);
}

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "zorvs-share: %s\n", message.c_str());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  auto parsed = parse_arguments(argc, argv);
  if (const auto* usage = std::get_if<std::string>(&parsed)) {
    return fail(kUsage, *usage + " (see zorvs-share --help)");
  }
  const Options& options = std::get<Options>(parsed);
  if (options.help) {
    print_help();
    return 0;
  }
  RequestText request_text = read_request_text(options.file);
  if (!request_text.text) return fail(kMalformed, request_text.error);
  std::string source = options.file ? *options.file : "standard input";

  // A write beyond the file size limit then fails with EFBIG like any other
  // failed write, instead of ending the process in the middle of a share.
  std::signal(SIGXFSZ, SIG_IGN);

  // Destroyed in reverse order: the completion threads are joined before the
  // run loop they post to goes away.
  RunLoop loop;
  standin::CompletionThreads threads;
  standin::RequestResult request = standin::parse_share_request(*request_text.text, threads);
  if (const auto* error = std::get_if<standin::RequestError>(&request)) {
    return fail(kMalformed, source + ": " + error->description);
  }
  standin::StandinContext context(std::move(std::get<std::vector<InputItem>>(request)));
  standin::StandinPlatform platform(
      &context, home_directory(),
      options.print ? standin::OpenMode::kPrint : standin::OpenMode::kDesktop, stdout, threads);
  ShareHandover handover(platform, loop);
  loop.run(handover.handOver());
  return 0;
}
