import CxxStdlib
import Foundation
import ZorvsControlsLogic

// What the tile of the control configured by `intent` shows, from the index
// as it is now.
func zorvControlValue(from intent: RunZorvIntent) -> ZorvControlValue {
  let placeholder = Bundle.main.localizedString(forKey: "Choose a Pattern", value: nil, table: nil)
  return ControlsLogic.controlValue(
    appGroupContainerPath(), ControlsLogic.OptionalEntity(intent.zorv), std.string(placeholder))
}
