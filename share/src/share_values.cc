#include "share/src/share_values.h"

#include <utility>
#include <vector>

#include "host-contract/url_query.h"
#include "host_contract.h"
#include "share/src/unicode_equality.h"

namespace zorvs::share {

void ShareValues::take_title(const std::optional<std::string>& item_title) {
  if (!title && item_title && !item_title->empty()) title = *item_title;
}

void ShareValues::take_plain_text(std::string loaded, bool is_web_link) {
  if (!link && is_web_link) {
    link = std::move(loaded);
  } else if (accepts_text(loaded)) {
    text = std::move(loaded);
  }
}

void ShareValues::take_content_text(const std::optional<std::string>& content_text) {
  if (!content_text || content_text->empty()) return;
  if (link && !title) {
    if (text && canonically_equal(*text, *content_text)) text.reset();
    title = *content_text;
  } else if (accepts_text(*content_text)) {
    text = *content_text;
  }
}

bool ShareValues::accepts_text(std::string_view candidate) const {
  return !text || (text->empty() && !candidate.empty());
}

std::string share_url(const ShareValues& values) {
  std::vector<host::QueryItem> items;
  auto add = [&items](std::string_view name, const std::optional<std::string>& value) {
    if (value) items.push_back({std::string(name), *value});
  };
  add("text", values.text);
  add("url", values.link);
  add("title", values.title);
  add("image", values.picture_path);
  return host::make_url(host::kShareRoute, items);
}

bool is_web_link_scheme(const std::optional<std::string>& scheme) {
  return scheme && scheme->starts_with("http");
}

}  // namespace zorvs::share
