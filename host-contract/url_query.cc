#include "host-contract/url_query.h"

#include "host_contract.h"

namespace zorvs::host {
namespace {

// Characters a URL query may hold as they are, less those that would split
// or end a query item ("&", "=", "#") and the escape character itself.
bool stays_raw(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '-': case '.': case '_': case '~':
    case '!': case '$': case '\'': case '(': case ')': case '*': case '+': case ',': case ';':
    case ':': case '@': case '/': case '?':
      return true;
    default:
      return false;
  }
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> percent_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int hi = hex_value(text[i + 1]), lo = hex_value(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return out;
}

}  // namespace

std::string encode_query_component(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (stays_raw(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

std::string make_url(std::string_view route, const std::vector<QueryItem>& items) {
  std::string url;
  url.append(kUrlScheme).append("://").append(route);
  char separator = '?';
  for (const QueryItem& item : items) {
    url.push_back(separator);
    url.append(encode_query_component(item.name));
    url.push_back('=');
    url.append(encode_query_component(item.value));
    separator = '&';
  }
  return url;
}

std::optional<std::vector<QueryItem>> decode_query(std::string_view url) {
  std::vector<QueryItem> items;
  size_t question = url.find('?');
  if (question == std::string_view::npos) return items;
  std::string_view query = url.substr(question + 1);
  query = query.substr(0, query.find('#'));
  while (true) {
    size_t amp = query.find('&');
    std::string_view part = query.substr(0, amp);
    size_t eq = part.find('=');
    auto name = percent_decode(part.substr(0, eq));
    auto value = percent_decode(eq == std::string_view::npos ? std::string_view{} : part.substr(eq + 1));
    if (!name || !value) return std::nullopt;
    items.push_back({std::move(*name), std::move(*value)});
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return items;
}

}  // namespace zorvs::host
