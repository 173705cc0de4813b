#include "share/src/standin/url_parsing.h"

#include "share/src/standin/ascii.h"

namespace zorvs::share::standin {
namespace {

bool is_alpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
bool is_hex(char c) {
  return hex_value(c) >= 0;
}

bool is_unreserved(char c) {
  return is_alpha(c) || is_digit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

bool is_sub_delim(char c) {
  return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos;
}

// Characters a path, query or fragment may hold besides percent escapes.
bool is_path_char(char c) {
  return is_unreserved(c) || is_sub_delim(c) || c == ':' || c == '@' || c == '/' || c == '?';
}

// True when every character is allowed (brackets only where `brackets`) and
// every "%" starts an escape of two hex digits.
bool valid_part(std::string_view part, bool brackets) {
  for (size_t i = 0; i < part.size(); ++i) {
    char c = part[i];
    if (c == '%') {
      if (i + 2 >= part.size() || !is_hex(part[i + 1]) || !is_hex(part[i + 2])) return false;
      i += 2;
    } else if (!is_path_char(c) && !(brackets && (c == '[' || c == ']'))) {
      return false;
    }
  }
  return true;
}

// The scheme at the start of `text` (letters, digits, "+", "-", "." after a
// leading letter, up to a ":"), or nothing.
std::optional<std::string_view> leading_scheme(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || !is_alpha(text[0])) return std::nullopt;
  for (char c : text.substr(0, colon)) {
    if (!is_alpha(c) && !is_digit(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
  }
  return text.substr(0, colon);
}

std::optional<std::string> percent_decode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size() || !is_hex(text[i + 1]) || !is_hex(text[i + 2])) return std::nullopt;
    out.push_back(static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2])));
    i += 2;
  }
  return out;
}

// Splits a URI reference into scheme, authority and path, checking each part.
struct Parts {
  std::optional<std::string_view> scheme;
  std::optional<std::string_view> authority;
  std::string_view path;
};

std::optional<Parts> split(std::string_view text) {
  Parts parts;
  std::string_view rest = text;
  parts.scheme = leading_scheme(text);
  if (parts.scheme) rest.remove_prefix(parts.scheme->size() + 1);
  size_t hash = rest.find('#');
  if (hash != std::string_view::npos && rest.find('#', hash + 1) != std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view before_fragment = rest.substr(0, hash);
  std::string_view fragment = hash == std::string_view::npos ? "" : rest.substr(hash + 1);
  if (before_fragment.starts_with("//")) {
    size_t end = before_fragment.find_first_of("/?", 2);
    parts.authority = before_fragment.substr(2, end == std::string_view::npos ? end : end - 2);
    before_fragment.remove_prefix(2 + parts.authority->size());
    if (!valid_part(*parts.authority, true)) return std::nullopt;
  }
  parts.path = before_fragment.substr(0, before_fragment.find('?'));
  // Without a scheme, a colon in the first path segment would read as one.
  if (!parts.scheme && !parts.authority &&
      parts.path.substr(0, parts.path.find('/')).find(':') != std::string_view::npos) {
    return std::nullopt;
  }
  if (!valid_part(before_fragment, false) || !valid_part(fragment, false)) return std::nullopt;
  return parts;
}

}  // namespace

std::string path_extension(std::string_view path) {
  std::string_view last = path.substr(path.rfind('/') + 1);
  size_t dot = last.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(last.substr(dot + 1));
}

std::optional<Url> parse_url(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::optional<Parts> parts = split(text);
  if (!parts) return std::nullopt;
  std::optional<std::string> path = percent_decode(parts->path);
  Url url;
  url.absolute_string = std::string(text);
  if (parts->scheme) url.scheme = std::string(*parts->scheme);
  url.path_extension = path_extension(path.value_or(std::string(parts->path)));
  bool local = !parts->authority || parts->authority->empty() ||
               equals_ignoring_ascii_case(*parts->authority, "localhost");
  if (parts->scheme && equals_ignoring_ascii_case(*parts->scheme, "file") && local && path &&
      path->starts_with('/')) {
    url.file_path = std::move(path);
  }
  return url;
}

Url file_url(const std::string& absolute_path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : absolute_path) {
    if (is_unreserved(static_cast<char>(c)) || c == '/') {
      encoded.push_back(static_cast<char>(c));
    } else {
      encoded.push_back('%');
      encoded.push_back(kHex[c >> 4]);
      encoded.push_back(kHex[c & 0xF]);
    }
  }
  return Url{"file://" + encoded, "file", path_extension(absolute_path), absolute_path, nullptr};
}

}  // namespace zorvs::share::standin
