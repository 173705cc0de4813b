#include "demo_host.h"

#include <boost/json.hpp>

#include <algorithm>
#include <cctype>

#include "seed_tools.h"  // generated: kSeedTools, the text of tools-seed.json

namespace zorvs::hostsim {
namespace json = boost::json;
namespace {

struct Pattern {
  const char* id;
  const char* name;
  const char* category;
  const char* does;
};

constexpr Pattern kPatterns[] = {
    {"summarize", "Summarize", "Writing", "a three-sentence summary"},
    {"translate-fr", "Translate to French", "Language", "a French translation"},
    {"fix-grammar", "Fix Grammar", "Writing", "the text with its grammar fixed"},
    {"daily-standup", "Daily Standup", "Work", "a stand-up note: yesterday, today, blockers"},
};

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string string_arg(const json::object& args, std::string_view key) {
  const json::value* v = args.if_contains(key);
  return v && v->is_string() ? std::string(v->get_string()) : std::string();
}

json::value text_result(std::string text, bool is_error = false) {
  json::object result{{"content", json::array{json::object{{"type", "text"}, {"text", text}}}}};
  if (is_error) result["isError"] = true;
  return result;
}

std::string describe(const Pattern& p) {
  return std::string(p.id) + ": " + p.name + " (" + p.category + ")";
}

json::value call_tool(const json::object& params) {
  std::string name = params.contains("name") && params.at("name").is_string()
                         ? std::string(params.at("name").get_string())
                         : std::string();
  json::object args;
  if (const json::value* a = params.if_contains("arguments"); a && a->is_object()) {
    args = a->get_object();
  }
  if (name == "list_patterns" || name == "search_patterns") {
    std::string filter = lower(string_arg(args, name == "list_patterns" ? "category" : "query"));
    std::string lines;
    for (const Pattern& p : kPatterns) {
      bool match = name == "list_patterns"
                       ? filter.empty() || lower(p.category) == filter
                       : lower(p.name).find(filter) != std::string::npos ||
                             lower(p.category).find(filter) != std::string::npos;
      if (!match) continue;
      if (!lines.empty()) lines += '\n';
      lines += describe(p);
    }
    return text_result(lines.empty() ? "No patterns match." : lines);
  }
  if (name == "run_pattern") {
    std::string id = string_arg(args, "id");
    for (const Pattern& p : kPatterns) {
      if (id == p.id) {
        std::string input = string_arg(args, "input");
        return text_result(std::string("Ran \"") + p.name + "\": it produced " + p.does +
                           (input.empty() ? "." : " of \"" + input + "\"."));
      }
    }
    return text_result("No pattern has the identifier \"" + id + "\".", true);
  }
  return text_result("Unknown tool \"" + name + "\".", true);
}

json::value result_for(std::string_view method, const json::object& request) {
  json::object params;
  if (const json::value* p = request.if_contains("params"); p && p->is_object()) {
    params = p->get_object();
  }
  if (method == "initialize") {
    std::string version = string_arg(params, "protocolVersion");
    return json::object{{"protocolVersion", version.empty() ? "2025-06-18" : version},
                        {"capabilities", json::object{{"tools", json::object{}}}},
                        {"serverInfo", json::object{{"name", "zorvs"}, {"version", "0.1.0"}}}};
  }
  if (method == "tools/list") return json::parse(kSeedTools);
  if (method == "tools/call") return call_tool(params);
  if (method == "ping") return json::object{};
  return nullptr;
}

}  // namespace

Answer demo_answer(const std::string& line) {
  boost::system::error_code ec;
  json::value message = json::parse(line, ec);
  json::object reply{{"jsonrpc", "2.0"}};
  if (ec || !message.is_object()) {
    reply["id"] = nullptr;
    reply["error"] = json::object{{"code", -32700}, {"message", "Parse error"}};
    return {json::serialize(reply) + "\n"};
  }
  const json::object& request = message.get_object();
  const json::value* id = request.if_contains("id");
  const json::value* method = request.if_contains("method");
  std::string_view name =
      method && method->is_string() ? std::string_view(method->get_string()) : std::string_view();
  if (!id || name.starts_with("notifications/")) return {};
  reply["id"] = *id;
  json::value result = result_for(name, request);
  if (result.is_null()) {
    reply["error"] = json::object{{"code", -32601}, {"message", "Method not found"}};
  } else {
    reply["result"] = std::move(result);
  }
  return {json::serialize(reply) + "\n"};
}

}  // namespace zorvs::hostsim
