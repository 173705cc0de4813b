// The control's one intent. It is both the control's configuration (the
// pattern the user chose) and its action: performing it hands the pattern's
// identifier to the host app through the run URL, in the background. The
// pattern runs in the host app, not here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "controls/src/platform.h"
#include "controls/src/zorv_entity.h"

namespace zorvs::controls {

struct RunZorvIntent {
  // Localizable title of the intent.
  static constexpr std::string_view kTitle = "Run Pattern";
  // The intent exists for the control only; it is not offered on its own.
  static constexpr bool kIsDiscoverable = false;
  // Localizable title of the `zorv` parameter.
  static constexpr std::string_view kZorvParameterTitle = "Pattern";

  // The chosen pattern; nothing for a control not yet configured.
  std::optional<ZorvEntity> zorv;

  // "zorvs://run?id=" and the percent-encoded identifier, or "zorvs://run"
  // alone when no pattern is chosen or its identifier is empty. The index is
  // not consulted: the stored identifier goes out even when the host has
  // removed the pattern since.
  std::string runURL() const;

  // Opens the run URL without bringing the host app to the front. Returns
  // the platform's error, unchanged, when that fails.
  std::optional<PlatformError> perform(Platform& platform) const;
};

}  // namespace zorvs::controls
