// Building and reading "zorvs://" URLs with query items.
//
// Values are percent-encoded in UTF-8 so that a plain decoder, one that splits
// the query at "&", each item at its first "=", and percent-decodes both
// sides, recovers every name and value exactly. "&", "=", "#" and "%" inside a
// value are encoded; "+" is not, and always stands for a plus sign.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorvs::host {

struct QueryItem {
  std::string name;
  std::string value;
};

// Percent-encodes one query name or value.
std::string encode_query_component(std::string_view text);

// "zorvs://<route>" followed by "?" and the items joined with "&", in the
// given order; with no items there is no "?" at all.
std::string make_url(std::string_view route, const std::vector<QueryItem>& items);

// The plain decoder described above, for the query part of a URL (the text
// after the first "?", up to any "#"). Returns nothing for a malformed
// percent escape. A URL without "?" has no items.
std::optional<std::vector<QueryItem>> decode_query(std::string_view url);

}  // namespace zorvs::host
