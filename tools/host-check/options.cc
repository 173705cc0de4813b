#include "options.h"

#include <charconv>

namespace zorvs::hostcheck {
namespace {

// Ten minutes: longer waits are surely a slip of the finger.
constexpr long kMaxMillis = 600000;

std::optional<Millis> parse_millis(std::string_view text) {
  long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 ||
      value > kMaxMillis) {
    return std::nullopt;
  }
  return Millis(value);
}

}  // namespace

const char kHelp[] =
    R"(usage: zorvs-host-check [--socket PATH] [--timeout-ms N] [--quiet-ms N] [--launch BUNDLE]

Checks that the host app's MCP socket keeps the contract the bridge
(zorvs-mcp-shim) relies on. The bridge pairs answers with requests by order
alone, so every check below matters:

  initialize         a connection that begins with initialize gets exactly one
                     line back: the response with the request's id, whose
                     result has protocolVersion, capabilities and serverInfo
  notification       notifications/initialized gets no line
  tools/list         the result holds a non-empty "tools" array
  three at once      three requests written at once get exactly three answers,
                     in order
  quiet              nothing arrives unasked after the answers
  second connection  a second connection, opened while the first stays open,
                     begins with initialize and is served
  probe              a connection closed without data is accepted, and so is
                     the next one
  launch             (with --launch, macOS only) with the host not running,
                     "open -g BUNDLE --args --background-launch" brings a
                     socket up within 30 seconds; the time is printed

Each check prints one line, PASS or FAIL with what it saw; lines from the host
are quoted as compact JSON. Each check judges only its own rule, on
connections of its own, so that one fault fails one check.

Without --socket the socket is found as the bridge finds it: the first that
accepts a connection of the bridge's candidates for ZORVS_MCP_FLAVOR (mcp.sock
and mcp-dev.sock in ~/Library/Application Support/<app id>/, then in the older
~/Library/Application Support/zorvs/).

  --socket PATH     check the socket at PATH
  --timeout-ms N    wait at most N ms for each answer or connection (5000)
  --quiet-ms N      the window of the quiet check, in ms (1000)
  --launch BUNDLE   start the app at BUNDLE first and time its socket (macOS)
  --help            show this text

Exit status: 0 when every check passed, 1 when one failed, 2 for bad arguments.
)";

std::variant<Options, std::string> parse_options(const std::vector<std::string_view>& args) {
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help") {
      options.help = true;
      continue;
    }
    if (arg != "--socket" && arg != "--timeout-ms" && arg != "--quiet-ms" && arg != "--launch") {
      return "unknown argument \"" + std::string(arg) + "\"";
    }
    if (i + 1 == args.size()) return std::string(arg) + " needs a value";
    const std::string_view value = args[++i];
    if (arg == "--socket") {
      options.socket = std::string(value);
    } else if (arg == "--launch") {
      options.launch = std::string(value);
    } else if (auto millis = parse_millis(value)) {
      (arg == "--timeout-ms" ? options.limits.timeout : options.limits.quiet) = *millis;
    } else {
      return std::string(arg) + " takes a whole number of milliseconds from 1 to " +
             std::to_string(kMaxMillis) + ", not \"" + std::string(value) + "\"";
    }
  }
#if !defined(__APPLE__)
  if (options.launch) {
    return "--launch starts the app with macOS's open and works only on macOS";
  }
#endif
  return options;
}

}  // namespace zorvs::hostcheck
