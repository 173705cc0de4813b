#include "checks.h"

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>

#include <cstdint>
#include <optional>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "json.h"
#include "utf8.h"

namespace zorvs::hostcheck {
namespace {

namespace json = zorvs_mcp::json;

// The bridge waits this long after a probe before it connects again.
constexpr Millis kAfterProbe{250};

// The notification a client sends once initialize is answered.
constexpr char kInitialized[] = R"({"jsonrpc":"2.0","method":"notifications/initialized"})";

std::string text_of(const json::Value& value) {
  std::string out;
  json::write(value, out);
  return out;
}

// A line from the host as compact JSON, or as a JSON string when it is not JSON.
std::string quote(const std::string& line) {
  json::ParseResult parsed = json::parse(line);
  if (auto* value = std::get_if<json::Value>(&parsed)) return text_of(*value);
  return "not JSON: " + text_of(json::Value(zorvs_mcp::lossy_utf8(line)));
}

std::string describe(const LineRead& read, Millis limit) {
  if (auto* line = std::get_if<std::string>(&read)) return quote(*line);
  if (std::holds_alternative<TimedOut>(read)) {
    return "no line within " + std::to_string(limit.count()) + " ms";
  }
  if (std::holds_alternative<Closed>(read)) return "the host closed the connection";
  return "reading failed: " + std::get<ReadFailed>(read).error;
}

std::optional<json::Value> parsed(const std::string& line) {
  json::ParseResult result = json::parse(line);
  if (auto* value = std::get_if<json::Value>(&result)) return std::move(*value);
  return std::nullopt;
}

// The member `key` of `value` when `value` is an object that has it.
const json::Value* member(const json::Value& value, std::string_view key) {
  return value.is_object() ? value.get_object().if_contains(key) : nullptr;
}

// Whether `value` is a JSON-RPC response: an "id", and a "result" or an "error".
bool is_response(const json::Value& value) {
  const json::Value* version = member(value, "jsonrpc");
  return version && *version == "2.0" && member(value, "id") &&
         (member(value, "result") != nullptr) != (member(value, "error") != nullptr);
}

// Whether `value` is the response to the request with `id`.
bool answers(const json::Value& value, std::int64_t id) {
  return is_response(value) && value.at("id") == json::Value(id);
}

// What an initialize result lacks, if anything.
std::optional<std::string> initialize_result_fault(const json::Value& answer) {
  const json::Value* result = member(answer, "result");
  if (!result) return "initialize was answered with an error";
  const json::Value* version = member(*result, "protocolVersion");
  if (!version || !version->is_string()) return "the result has no \"protocolVersion\" string";
  const json::Value* capabilities = member(*result, "capabilities");
  if (!capabilities || !capabilities->is_object()) {
    return "the result has no \"capabilities\" object";
  }
  const json::Value* info = member(*result, "serverInfo");
  if (!info || !info->is_object()) return "the result has no \"serverInfo\" object";
  return std::nullopt;
}

CheckResult pass(std::string name, std::string detail) {
  return {std::move(name), true, std::move(detail)};
}

CheckResult fail(std::string name, std::string detail) {
  return {std::move(name), false, std::move(detail)};
}

class Checker {
 public:
  Checker(std::string path, Limits limits) : path_(std::move(path)), limits_(limits) {}

  CheckResult initialize(HostLine connection);
  CheckResult notification();
  CheckResult tools_list();
  CheckResult three_at_once();
  CheckResult quiet();
  CheckResult second_connection();
  CheckResult probe();

 private:
  using Opened = std::variant<HostLine, std::string>;
  using Answer = std::variant<json::Value, std::string>;

  std::int64_t next_id() { return ++last_id_; }
  static std::string request(std::int64_t id, std::string_view method);
  std::optional<std::string> send(HostLine& connection, const std::string& line);
  // Reads lines until the answer to `id`, skipping every other line; the
  // answer, or why there is none.
  Answer await_answer(HostLine& connection, std::int64_t id, std::string_view method);
  // Sends a request and awaits its answer as above.
  Answer exchange(HostLine& connection, std::string_view method);
  // Sends a request and reads the very next line, which must be its answer:
  // the answer, or what came instead.
  Answer next_line_answer(HostLine& connection, std::string_view method);
  // Sends a ping and reads the very next line: nothing when it answers the
  // ping, else what came instead, after `unexpected`.
  std::optional<std::string> next_line_answers_ping(HostLine& connection,
                                                    std::string_view unexpected);
  // A connection past the start every client makes: initialize answered,
  // notifications/initialized when `announce`, and a ping answered, so that
  // whatever the host sent before that answer is read and dropped.
  Opened open_session(bool announce);

  const std::string path_;
  const Limits limits_;
  std::int64_t last_id_ = 0;
};

std::string Checker::request(std::int64_t id, std::string_view method) {
  boost::json::object message{{"id", id}, {"jsonrpc", "2.0"}, {"method", method}};
  if (method == "initialize") {
    message["params"] = boost::json::object{
        {"capabilities", boost::json::object{}},
        {"clientInfo", boost::json::object{{"name", "zorvs-host-check"}, {"version", "0.1.0"}}},
        {"protocolVersion", "2025-06-18"}};
  }
  return text_of(message);
}

std::optional<std::string> Checker::send(HostLine& connection, const std::string& line) {
  if (auto error = connection.write_line(line)) return "writing to the host failed: " + *error;
  return std::nullopt;
}

Checker::Answer Checker::await_answer(HostLine& connection, std::int64_t id,
                                      std::string_view method) {
  const auto deadline = std::chrono::steady_clock::now() + limits_.timeout;
  while (true) {
    const auto left = std::chrono::ceil<Millis>(deadline - std::chrono::steady_clock::now());
    LineRead read = connection.read_line(std::max(left, Millis(0)));
    auto* line = std::get_if<std::string>(&read);
    if (!line) {
      return "no answer to " + std::string(method) + " (id " + std::to_string(id) +
             "): " + describe(read, limits_.timeout);
    }
    if (auto value = parsed(*line); value && answers(*value, id)) return std::move(*value);
  }
}

Checker::Answer Checker::exchange(HostLine& connection, std::string_view method) {
  const std::int64_t id = next_id();
  if (auto error = send(connection, request(id, method))) return *error;
  return await_answer(connection, id, method);
}

Checker::Opened Checker::open_session(bool announce) {
  Opened opened = HostLine::connect(path_, limits_.timeout);
  auto* connection = std::get_if<HostLine>(&opened);
  if (!connection) return "connecting failed: " + std::get<std::string>(opened);
  Answer answer = exchange(*connection, "initialize");
  if (auto* error = std::get_if<std::string>(&answer)) return std::move(*error);
  if (announce) {
    if (auto error = send(*connection, kInitialized)) return *error;
  }
  answer = exchange(*connection, "ping");
  if (auto* error = std::get_if<std::string>(&answer)) return std::move(*error);
  return opened;
}

Checker::Answer Checker::next_line_answer(HostLine& connection, std::string_view method) {
  const std::int64_t id = next_id();
  if (auto error = send(connection, request(id, method))) return *error;
  LineRead read = connection.read_line(limits_.timeout);
  auto* line = std::get_if<std::string>(&read);
  if (!line) {
    return "no answer (id " + std::to_string(id) + "): " + describe(read, limits_.timeout);
  }
  std::optional<json::Value> answer = parsed(*line);
  if (!answer || !answers(*answer, id)) {
    return "the first line is not the answer to " + std::string(method) + " (id " +
           std::to_string(id) + "): " + quote(*line);
  }
  return std::move(*answer);
}

std::optional<std::string> Checker::next_line_answers_ping(HostLine& connection,
                                                           std::string_view unexpected) {
  const std::int64_t ping = next_id();
  if (auto error = send(connection, request(ping, "ping"))) return error;
  LineRead read = connection.read_line(limits_.timeout);
  auto* line = std::get_if<std::string>(&read);
  if (!line) {
    return "no answer to the ping (id " + std::to_string(ping) +
           ") sent after it: " + describe(read, limits_.timeout);
  }
  if (auto next = parsed(*line); !next || !answers(*next, ping)) {
    return std::string(unexpected) + quote(*line);
  }
  return std::nullopt;
}

CheckResult Checker::initialize(HostLine connection) {
  const std::string name = "initialize";
  Answer answer = next_line_answer(connection, "initialize");
  if (auto* error = std::get_if<std::string>(&answer)) return fail(name, *error);
  const json::Value& value = std::get<json::Value>(answer);
  if (auto fault = initialize_result_fault(value)) {
    return fail(name, *fault + ": " + text_of(value));
  }
  // Exactly one line: the next one must answer the next request.
  if (auto fault = next_line_answers_ping(connection, "a second line came for initialize: ")) {
    return fail(name, *fault);
  }
  return pass(name, "one answer, with a protocol version " +
                        text_of(value.at("result").at("protocolVersion")) +
                        ", capabilities and server info");
}

CheckResult Checker::notification() {
  const std::string name = "notification";
  Opened opened = open_session(false);
  auto* connection = std::get_if<HostLine>(&opened);
  if (!connection) return fail(name, std::get<std::string>(opened));
  if (auto error = send(*connection, kInitialized)) return fail(name, *error);
  if (auto fault = next_line_answers_ping(*connection,
                                          "a line came for notifications/initialized: ")) {
    return fail(name, *fault);
  }
  return pass(name, "no line for notifications/initialized");
}

CheckResult Checker::tools_list() {
  const std::string name = "tools/list";
  Opened opened = open_session(true);
  auto* connection = std::get_if<HostLine>(&opened);
  if (!connection) return fail(name, std::get<std::string>(opened));
  Answer answer = next_line_answer(*connection, "tools/list");
  if (auto* error = std::get_if<std::string>(&answer)) return fail(name, *error);
  const json::Value& value = std::get<json::Value>(answer);
  const json::Value* result = member(value, "result");
  if (!result) return fail(name, "answered with an error: " + text_of(value));
  const json::Value* tools = member(*result, "tools");
  if (!tools || !tools->is_array()) {
    return fail(name, "the result has no \"tools\" array: " + text_of(value));
  }
  if (tools->get_array().empty()) {
    return fail(name, "the \"tools\" array is empty: " + text_of(value));
  }
  return pass(name, "a result with " + std::to_string(tools->get_array().size()) + " tools");
}

CheckResult Checker::three_at_once() {
  const std::string name = "three at once";
  Opened opened = open_session(true);
  auto* connection = std::get_if<HostLine>(&opened);
  if (!connection) return fail(name, std::get<std::string>(opened));
  std::vector<std::int64_t> ids;
  std::string lines;
  for (int i = 0; i < 3; ++i) {
    ids.push_back(next_id());
    if (!lines.empty()) lines.push_back('\n');
    lines += request(ids.back(), "ping");
  }
  // One write, so that the three arrive together.
  if (auto error = send(*connection, lines)) return fail(name, *error);
  boost::json::array answered;
  for (std::int64_t id : ids) {
    LineRead read = connection->read_line(limits_.timeout);
    auto* line = std::get_if<std::string>(&read);
    if (!line) {
      return fail(name, "after " + std::to_string(answered.size()) +
                            " of 3 answers: " + describe(read, limits_.timeout));
    }
    std::optional<json::Value> answer = parsed(*line);
    if (!answer || !is_response(*answer)) {
      return fail(name, "expected the answer to ping (id " + std::to_string(id) +
                            "), got " + quote(*line));
    }
    answered.push_back(answer->at("id"));
  }
  const boost::json::array asked(ids.begin(), ids.end());
  if (answered != asked) {
    return fail(name, "answers in the order of ids " + text_of(answered) + " for requests " +
                          text_of(asked));
  }
  if (auto fault = next_line_answers_ping(*connection, "a fourth line came for them: ")) {
    return fail(name, *fault);
  }
  return pass(name, "exactly three answers, in order");
}

CheckResult Checker::quiet() {
  const std::string name = "quiet";
  Opened opened = open_session(true);
  auto* connection = std::get_if<HostLine>(&opened);
  if (!connection) return fail(name, std::get<std::string>(opened));
  Answer answer = exchange(*connection, "tools/list");
  if (auto* error = std::get_if<std::string>(&answer)) return fail(name, *error);
  LineRead read = connection->read_line(limits_.quiet);
  if (std::holds_alternative<TimedOut>(read)) {
    return pass(name, "nothing unsolicited within " + std::to_string(limits_.quiet.count()) +
                          " ms");
  }
  if (std::holds_alternative<std::string>(read)) {
    return fail(name, "a line nobody asked for, within " +
                          std::to_string(limits_.quiet.count()) +
                          " ms of the answers: " + describe(read, limits_.quiet));
  }
  return fail(name, describe(read, limits_.quiet));
}

CheckResult Checker::second_connection() {
  const std::string name = "second connection";
  Opened first = open_session(true);
  if (auto* error = std::get_if<std::string>(&first)) {
    return fail(name, "the first connection: " + *error);
  }
  Opened second = HostLine::connect(path_, limits_.timeout);
  auto* connection = std::get_if<HostLine>(&second);
  if (!connection) {
    return fail(name, "refused while the first is open: " + std::get<std::string>(second));
  }
  Answer answer = exchange(*connection, "initialize");
  if (auto* error = std::get_if<std::string>(&answer)) return fail(name, *error);
  if (auto fault = initialize_result_fault(std::get<json::Value>(answer))) {
    return fail(name, *fault + ": " + text_of(std::get<json::Value>(answer)));
  }
  answer = exchange(*connection, "ping");
  if (auto* error = std::get_if<std::string>(&answer)) {
    return fail(name, "the second connection: " + *error);
  }
  answer = exchange(std::get<HostLine>(first), "ping");
  if (auto* error = std::get_if<std::string>(&answer)) {
    return fail(name, "the first connection, once the second was served: " + *error);
  }
  return pass(name, "begins with initialize and is served while the first stays open");
}

CheckResult Checker::probe() {
  const std::string name = "probe";
  {
    Opened probe = HostLine::connect(path_, limits_.timeout);
    if (auto* error = std::get_if<std::string>(&probe)) {
      return fail(name, "a connection was refused: " + *error);
    }
  }  // closed without a byte written
  std::this_thread::sleep_for(kAfterProbe);
  Opened next = open_session(true);
  if (auto* error = std::get_if<std::string>(&next)) {
    return fail(name, "the connection after a probe: " + *error);
  }
  return pass(name, "a connection closed without data is accepted, and so is the next one");
}

}  // namespace

std::string result_line(const CheckResult& result) {
  return (result.passed ? "PASS " : "FAIL ") + result.name + ": " + result.detail;
}

bool run_checks(const std::string& path, HostLine first, const Limits& limits,
                const std::function<void(const CheckResult&)>& report) {
  Checker checker(path, limits);
  bool all_passed = true;
  auto record = [&](CheckResult result) {
    all_passed = all_passed && result.passed;
    report(result);
  };
  record(checker.initialize(std::move(first)));
  record(checker.notification());
  record(checker.tools_list());
  record(checker.three_at_once());
  record(checker.quiet());
  record(checker.second_connection());
  // Last: a host that a probe breaks fails this check alone.
  record(checker.probe());
  return all_passed;
}

}  // namespace zorvs::hostcheck
