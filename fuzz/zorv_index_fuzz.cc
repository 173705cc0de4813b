// The pattern index decoder: any file content gives records or none, never a
// crash; and records that were read, written out again as an index, read
// back as the same records.
#include <boost/json.hpp>

#include <string>
#include <string_view>

#include "controls/src/zorv_index_document.h"
#include "fuzz/fuzz_target.h"

namespace {

using zorvs::controls::ZorvRecord;
using zorvs::fuzz::require;
namespace bj = boost::json;

bj::value strings(const std::vector<std::string>& texts) {
  bj::array array;
  for (const std::string& text : texts) array.emplace_back(text);
  return array;
}

// The index a host would write for `records`.
std::string index_text(const std::vector<ZorvRecord>& records) {
  bj::array zorvs;
  for (const ZorvRecord& record : records) {
    bj::object object{{"id", record.id}, {"name", record.name}};
    if (record.categories) object["categories"] = strings(*record.categories);
    if (record.kind) object["kind"] = *record.kind;
    if (record.icon) object["icon"] = {{"kind", record.icon->kind}, {"value", record.icon->value}};
    zorvs.emplace_back(std::move(object));
  }
  return bj::serialize(
      bj::object{{"version", zorvs::controls::kZorvIndexVersion}, {"zorvs", zorvs}});
}

}  // namespace

ZORVS_FUZZ_TARGET(zorv_index) {
  auto records =
      zorvs::controls::decodeZorvIndexDocument({reinterpret_cast<const char*>(data), size});
  if (!records) return 0;
  auto again = zorvs::controls::decodeZorvIndexDocument(index_text(*records));
  require(again.has_value(), "records that were read make a valid index");
  require(*again == *records, "records written as an index read back the same");
  return 0;
}
