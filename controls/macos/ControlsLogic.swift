// The controls logic in C++, and the values that cross to it. Every rule of
// the extension is decided there; the Swift types map values onto the
// frameworks.

// On macOS, Foundation declares the app-group container lookup; on other
// systems the stand-in frameworks bring it.
import AppIntents
import CxxStdlib
import Foundation
import ZorvsControlsLogic

typealias ControlsLogic = zorvs.controls.facade
typealias ZorvIconDescriptor = zorvs.controls.ZorvIconDescriptor
typealias ZorvControlValue = zorvs.controls.ZorvControlValue

// The app group's container, where the host app keeps the pattern index;
// nothing when the system gives none.
func appGroupContainerPath() -> ControlsLogic.OptionalString {
  let group = String(ControlsLogic.appGroupIdentifier())
  guard let url = FileManager.default.containerURL(forSecurityApplicationGroupIdentifier: group)
  else { return ControlsLogic.OptionalString() }
  return ControlsLogic.OptionalString(std.string(url.path(percentEncoded: false)))
}

extension ControlsLogic.OptionalString {
  init(_ text: String?) {
    guard let text else {
      self.init()
      return
    }
    self.init(std.string(text))
  }

  var text: String? { value.map { String($0) } }
}

extension ZorvEntity {
  // The entity the logic made from an index record.
  init(_ logic: zorvs.controls.ZorvEntity) {
    self.init()
    identifier = String(logic.identifier)
    name = String(logic.name)
    subtitle = logic.subtitle.text
    iconKind = logic.iconKind.text
    iconValue = logic.iconValue.text
  }

  var logicValue: zorvs.controls.ZorvEntity {
    var logic = zorvs.controls.ZorvEntity()
    logic.identifier = std.string(identifier)
    logic.name = std.string(name)
    logic.subtitle = ControlsLogic.OptionalString(subtitle)
    logic.iconKind = ControlsLogic.OptionalString(iconKind)
    logic.iconValue = ControlsLogic.OptionalString(iconValue)
    return logic
  }
}

extension ControlsLogic.OptionalEntity {
  init(_ entity: ZorvEntity?) {
    guard let entity else {
      self.init()
      return
    }
    self.init(entity.logicValue)
  }
}
