#include "controls/src/run_zorv_intent.h"

#include "host-contract/url_query.h"
#include "host_contract.h"

namespace zorvs::controls {

std::string RunZorvIntent::runURL() const {
  std::string identifier = zorv ? zorv->identifier : std::string();
  if (identifier.empty()) return host::make_url(host::kRunRoute, {});
  return host::make_url(host::kRunRoute, {{"id", std::move(identifier)}});
}

// The encoder escapes every byte it does not keep, so a URL is always
// formed; there is no case of giving up without opening anything.
std::optional<PlatformError> RunZorvIntent::perform(Platform& platform) const {
  return platform.openWithoutActivation(runURL());
}

}  // namespace zorvs::controls
