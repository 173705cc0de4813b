import SwiftUI
import WidgetKit

// The extension's one control: a button that runs the chosen pattern,
// labelled with the pattern's current name and icon.
struct ZorvControl: ControlWidget {
  var body: some ControlWidgetConfiguration {
    AppIntentControlConfiguration(
      kind: String(ControlsLogic.controlKind()), intent: RunZorvIntent.self
    ) { configuration in
      ControlWidgetButton(action: configuration) {
        let value = zorvControlValue(from: configuration)
        zorvTileLabel(name: String(value.name), icon: value.icon)
      }
    }
    .displayName("Run Pattern")
    .description("Quickly run one of your patterns.")
    .promptsForUserConfiguration()
  }
}
