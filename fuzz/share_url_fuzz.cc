// The share URL: any set of values gives a URL whose standard decoding, one
// that splits the query at "&", each item at its first "=", and
// percent-decodes both sides, returns exactly the values that are present,
// in the order text, url, title, image.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "host-contract/url_query.h"
#include "share/src/share_values.h"

namespace {

using zorvs::fuzz::require;
using Items = std::vector<std::pair<std::string, std::string>>;

// The input as the four optional values: the first byte says which are
// present (one bit each); the rest, cut at 0xFF bytes (never part of UTF-8
// text), gives the present values in order; missing pieces are empty.
zorvs::share::ShareValues values_from(std::string_view bytes) {
  zorvs::share::ShareValues values;
  if (bytes.empty()) return values;
  const unsigned present = static_cast<unsigned char>(bytes.front());
  bytes.remove_prefix(1);
  std::optional<std::string>* slots[] = {&values.text, &values.link, &values.title,
                                         &values.picture_path};
  for (unsigned i = 0; i < 4; ++i) {
    if (!(present & (1u << i))) continue;
    size_t cut = bytes.find('\xFF');
    *slots[i] = std::string(bytes.substr(0, cut));
    bytes.remove_prefix(cut == std::string_view::npos ? bytes.size() : cut + 1);
  }
  return values;
}

Items expected_items(const zorvs::share::ShareValues& values) {
  Items items;
  auto add = [&items](const char* name, const std::optional<std::string>& value) {
    if (value) items.emplace_back(name, *value);
  };
  add("text", values.text);
  add("url", values.link);
  add("title", values.title);
  add("image", values.picture_path);
  return items;
}

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Characters a URL query may hold unencoded (RFC 3986).
bool allowed_in_query(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("-._~!$&'()*+,;=:@/?").find(c) != std::string_view::npos;
}

std::string percent_decoded(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%') {
      require(i + 2 < text.size() && is_hex(text[i + 1]) && is_hex(text[i + 2]),
              "every percent sign starts an escape");
      out.push_back(static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// The standard decoding, written here independently of the encoder's own.
Items decoded(std::string_view query) {
  Items items;
  while (true) {
    const size_t amp = query.find('&');
    const std::string_view item = query.substr(0, amp);
    const size_t eq = item.find('=');
    require(eq != std::string_view::npos, "every item has a \"=\"");
    items.emplace_back(percent_decoded(item.substr(0, eq)), percent_decoded(item.substr(eq + 1)));
    if (amp == std::string_view::npos) return items;
    query.remove_prefix(amp + 1);
  }
}

}  // namespace

ZORVS_FUZZ_TARGET(share_url) {
  const auto values = values_from({reinterpret_cast<const char*>(data), size});
  const Items expected = expected_items(values);
  const std::string url = zorvs::share::share_url(values);

  const std::string_view base = "zorvs://share";
  require(url.starts_with(base), "the URL is a share URL");
  std::string_view rest = std::string_view(url).substr(base.size());
  if (expected.empty()) {
    require(rest.empty(), "without values there is no query at all");
    return 0;
  }
  require(rest.starts_with('?'), "the query follows the route");
  rest.remove_prefix(1);
  for (char c : rest) require(c == '%' || allowed_in_query(c), "only query characters stay raw");
  require(decoded(rest) == expected, "the standard decoding gives back the values");

  auto contract = zorvs::host::decode_query(url);
  require(contract.has_value(), "the host contract's decoder reads the URL");
  Items from_contract;
  for (auto& item : *contract) from_contract.emplace_back(item.name, item.value);
  require(from_contract == expected, "the host contract's decoder gives back the values");
  return 0;
}
