import AppIntents
@_spi(StandIn) import SwiftUI

@MainActor @preconcurrency public struct ControlWidgetButton<Label, ActionLabel, Action>:
  ControlWidgetTemplate
where Label: View, ActionLabel: View {
  let action: Action
  let label: () -> Label

  @MainActor @preconcurrency public init(action: Action, @ViewBuilder label: @escaping () -> Label)
  where ActionLabel == ControlWidgetButtonDefaultActionLabel, Action: AppIntent {
    self.action = action
    self.label = label
  }
}

@MainActor @preconcurrency public struct ControlWidgetButtonDefaultActionLabel: View {}

// A drawn control button as the stand-in records it, for tests.
@_spi(StandIn) public struct StandInButton {
  public let action: Any
  public let labelDrawing: String
}

@MainActor protocol StandInTemplate {
  var standInButton: StandInButton { get }
}

extension ControlWidgetButton: StandInTemplate {
  var standInButton: StandInButton {
    StandInButton(action: action, labelDrawing: standInDrawing(of: label()))
  }
}
