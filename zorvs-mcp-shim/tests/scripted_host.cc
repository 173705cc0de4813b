#include "scripted_host.h"

#include <filesystem>

namespace zorvs_mcp::testing {

Answer echo_answer(const std::string& line) {
  boost::system::error_code ec;
  boost::json::value message = boost::json::parse(line, ec);
  if (ec || !message.is_object()) return {};
  const auto& object = message.get_object();
  const auto* id = object.if_contains("id");
  const auto* method = object.if_contains("method");
  if (!id ||
      (method && method->is_string() && method->get_string().starts_with("notifications/"))) {
    return {};
  }
  std::string text =
      "{\"result\": {\"echo\": " + boost::json::serialize(method ? *method : boost::json::value()) +
      "}, \"jsonrpc\": \"2.0\", \"id\": " + boost::json::serialize(*id) + "}\n";
  return {text};
}

std::unique_ptr<LineServer> start_host(const std::string& path, LineServer::Handler handler) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  return LineServer::start(path, std::move(handler));
}

std::unique_ptr<LineServer> start_echo_host(const std::string& path) {
  return start_host(path, [](size_t, const std::string& line) { return echo_answer(line); });
}

}  // namespace zorvs_mcp::testing
