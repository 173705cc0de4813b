// The working values of one handover, the rules that fill them, and the share
// URL they become. Each value starts absent and becomes one query item.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zorvs::share {

struct ShareValues {
  std::optional<std::string> text;
  std::optional<std::string> link;
  std::optional<std::string> title;
  std::optional<std::string> picture_path;

  // An item's attributed title: the first non-empty one wins.
  void take_title(const std::optional<std::string>& item_title);

  // A string loaded from a plain-text attachment. A web link becomes the
  // link while none is known; otherwise the string is a candidate text.
  void take_plain_text(std::string loaded, bool is_web_link);

  // An item's content text, after its attachments. Next to a link and with no
  // title yet it becomes the title (and clears a text equal to it); otherwise
  // it is a candidate text.
  void take_content_text(const std::optional<std::string>& content_text);

 private:
  // The first string found becomes the text, even an empty one; but an empty
  // text gives way to the first non-empty string, so that it never hides
  // content shared after it.
  bool accepts_text(std::string_view candidate) const;
};

// "zorvs://share" with the present values as the query items "text", "url",
// "title" and "image", in that order; without any value, no query at all.
std::string share_url(const ShareValues& values);

// The test for a plain text that is a web link: it parsed as a URL with a
// scheme beginning with "http" (case-sensitive; "https" passes).
bool is_web_link_scheme(const std::optional<std::string>& scheme);

}  // namespace zorvs::share
