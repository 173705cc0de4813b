// The extension's single control: a button that runs the chosen pattern,
// labelled with the pattern's name and icon.
#pragma once

#include <string>
#include <string_view>

#include "controls/src/platform.h"
#include "controls/src/run_zorv_intent.h"
#include "controls/src/zorv_control_value.h"
#include "controls/src/zorv_tile_label.h"

namespace zorvs::controls {

// What the platform draws for one placed control, and what a press performs.
struct ZorvControlButton {
  RunZorvIntent action;
  ZorvControlValue value;
  ZorvTileLabel label;
};

struct ZorvControl {
  // Localizable texts of the control gallery.
  static constexpr std::string_view kDisplayName = "Run Pattern";
  static constexpr std::string_view kDescription = "Quickly run one of your patterns.";
  // The platform asks the user to choose a pattern when the control is added.
  static constexpr bool kPromptsForUserConfiguration = true;

  // The app identifier followed by ".controls.run-zorv".
  static std::string kind();

  // The button for a control configured by `configuration`; its action is
  // the configuration itself, its label the tile's current value.
  static ZorvControlButton body(const RunZorvIntent& configuration, const ContainerFiles& files);
};

}  // namespace zorvs::controls
