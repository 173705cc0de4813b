#include "payloads.h"

#include <iterator>

namespace zorvs_bench {
namespace {

// Each line carries a tab, two quotes, two backslashes and its line feed:
// six escapes in about 130 bytes, a third of them outside ASCII.
constexpr std::string_view kLines[] = {
    "\tThe \"quick\" brown fox jumps over C:\\Users\\zorv\\notes, na\u00efve caf\u00e9.\n",
    "\tRun \"daily-standup\" from \\\\host\\share: \u0420\u0443\u0441\u0441\u043a\u0438\u0439 "
    "\u0442\u0435\u043a\u0441\u0442 and \u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8.\n",
    "\tA pattern \"export\" wrote 42 files to \\tmp\\out \U0001F98A\U0001F4C1 "
    "\u00bfQu\u00e9 tal? \u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.\n",
    "\tPlain prose keeps going for a while, with \"quotes\", a \\backslash\\ and "
    "numbers 3.14159, 2.71828 and 1e-9 in it.\n",
};

void append_escaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (u < 0x20) {
          out += "\\u00";
          out += kHex[u >> 4];
          out += kHex[u & 0xF];
        } else {
          out += c;
        }
    }
  }
}

std::string tool_schema(int n) {
  const std::string name = "tool_" + std::to_string(n);
  return "{\"name\":\"" + name + "\",\"description\":\"Runs the saved pattern number " +
         std::to_string(n) +
         " with the given arguments and returns what it printed.\",\"inputSchema\":{"
         "\"type\":\"object\",\"properties\":{"
         "\"pattern\":{\"type\":\"string\",\"description\":\"Name or identifier of the "
         "pattern.\"},"
         "\"count\":{\"type\":\"integer\",\"minimum\":1,\"maximum\":100,\"description\":\"How "
         "many times to run it.\"},"
         "\"dry_run\":{\"type\":\"boolean\",\"default\":false},"
         "\"ratio\":{\"type\":\"number\",\"default\":0.25,\"description\":\"Share of the "
         "input to use.\"},"
         "\"tags\":{\"type\":\"array\",\"items\":{\"type\":\"string\"},\"description\":\"Tags "
         "to filter by.\"}},"
         "\"required\":[\"pattern\"]},\"annotations\":{\"title\":\"Pattern " +
         std::to_string(n) + "\",\"readOnlyHint\":false}}";
}

}  // namespace

std::string document_text(std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 256);
  for (std::size_t n = 0; text.size() < bytes; ++n) {
    text += "Line ";
    text += std::to_string(n);
    text += kLines[n % std::size(kLines)];
  }
  // Cut back to a character boundary and fill up with ASCII.
  std::size_t cut = bytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  text.append(bytes - cut, '.');
  return text;
}

std::string json_string(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 2);
  out += '"';
  append_escaped(out, text);
  out += '"';
  return out;
}

ReplyTemplate tool_result_reply(std::string_view text) {
  ReplyTemplate reply;
  reply.head = "{\"jsonrpc\":\"2.0\",\"id\":";
  reply.tail = ",\"result\":{\"content\":[{\"type\":\"text\",\"text\":";
  reply.tail += json_string(text);
  reply.tail += "}],\"isError\":false}}\n";
  return reply;
}

std::string initialize_request(long id) {
  return "{\"id\":" + std::to_string(id) +
         ",\"jsonrpc\":\"2.0\",\"method\":\"initialize\",\"params\":{\"capabilities\":{},"
         "\"clientInfo\":{\"name\":\"zorvs-bench\",\"version\":\"1.0\"},"
         "\"protocolVersion\":\"2025-06-18\"}}\n";
}

std::string initialized_notification() {
  return "{\"jsonrpc\":\"2.0\",\"method\":\"notifications/initialized\"}\n";
}

std::string tools_call_request(long id, std::string_view tool) {
  std::string line = "{\"id\":" + std::to_string(id) +
                     ",\"jsonrpc\":\"2.0\",\"method\":\"tools/call\",\"params\":{\"arguments\":{"
                     "\"pattern\":\"daily-standup\"},\"name\":";
  line += json_string(tool);
  line += "}}\n";
  return line;
}

std::string tools_list_reply(int count) {
  std::string out = "{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":{\"tools\":[";
  for (int n = 0; n < count; ++n) {
    if (n > 0) out += ',';
    out += tool_schema(n);
  }
  out += "]}}";
  return out;
}

std::string document_reply(std::size_t bytes) {
  ReplyTemplate reply = tool_result_reply(document_text(bytes));
  reply.tail.pop_back();  // the line feed
  return reply.head + "1" + reply.tail;
}

}  // namespace zorvs_bench
