#include "controls/swift-facade/controls_facade.h"

#include "controls/src/platform.h"
#include "controls/src/regular_file.h"
#include "controls/src/run_zorv_intent.h"
#include "controls/src/zorv_control.h"
#include "controls/src/zorv_entity_query.h"
#include "host_contract.h"

namespace zorvs::controls::facade {
namespace {

// The container the Swift side found, read with plain file calls (the
// sandbox lets the extension into its group's container).
class GivenContainer : public ContainerFiles {
 public:
  explicit GivenContainer(const OptionalString& path) {
    if (path) path_ = std::filesystem::path(*path);
  }

  std::optional<std::filesystem::path> containerURL(std::string_view) const override {
    return path_;
  }

  std::optional<std::string> readWholeFile(const std::filesystem::path& path) const override {
    return readRegularFile(path);
  }

 private:
  std::optional<std::filesystem::path> path_;
};

}  // namespace

std::string appGroupIdentifier() { return std::string(host::kAppGroupIdentifier); }

std::string controlKind() { return ZorvControl::kind(); }

Entities suggestedEntities(const OptionalString& container) {
  return ZorvEntityQuery().suggestedEntities(GivenContainer(container));
}

Entities entitiesMatching(const OptionalString& container, const std::string& text) {
  return ZorvEntityQuery().entitiesMatching(GivenContainer(container), text);
}

ZorvControlValue controlValue(const OptionalString& container, const OptionalEntity& zorv,
                              const std::string& placeholderName) {
  ZorvControlValue value = zorvControlValue(RunZorvIntent{zorv}, GivenContainer(container));
  if (!zorv) value.name = placeholderName;
  return value;
}

ZorvTileLabel tileLabel(const std::string& name, const ZorvIconDescriptor& icon) {
  return zorvTileLabel(name, icon);
}

std::string runURL(const OptionalEntity& zorv) { return RunZorvIntent{zorv}.runURL(); }

}  // namespace zorvs::controls::facade
