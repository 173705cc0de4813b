import AppIntents
@_spi(StandIn) import FoundationStandIn
import SwiftUI

@MainActor @preconcurrency public struct AppIntentControlConfiguration<Configuration, Content>:
  ControlWidgetConfiguration
where Configuration: ControlConfigurationIntent, Content: ControlWidgetTemplate {
  let kind: String
  let content: (Configuration) -> Content

  @MainActor @preconcurrency public init(
    kind: String, intent: Configuration.Type = Configuration.self,
    @ControlWidgetTemplateBuilder content: @escaping (Configuration) -> Content
  ) {
    self.kind = kind
    self.content = content
  }
}

extension ControlWidgetConfiguration {
  @MainActor @preconcurrency public func displayName(_ displayName: LocalizedStringResource)
    -> some ControlWidgetConfiguration
  {
    ConfiguredControl(base: self) { $0.displayName = displayName }
  }

  @MainActor @preconcurrency public func description(_ description: LocalizedStringResource)
    -> some ControlWidgetConfiguration
  {
    ConfiguredControl(base: self) { $0.description = description }
  }

  @MainActor @preconcurrency public func promptsForUserConfiguration()
    -> some ControlWidgetConfiguration
  {
    ConfiguredControl(base: self) { $0.promptsForUserConfiguration = true }
  }
}

// What the stand-in records of a control configuration, for tests.
@_spi(StandIn) @MainActor public struct StandInControl {
  public let kind: String
  public internal(set) var displayName: LocalizedStringResource?
  public internal(set) var description: LocalizedStringResource?
  public internal(set) var promptsForUserConfiguration = false
  let template: (Any) -> any ControlWidgetTemplate

  // The control as the platform draws it for a configured intent.
  public func button(for configuration: any ControlConfigurationIntent) -> StandInButton? {
    (template(configuration) as? any StandInTemplate)?.standInButton
  }
}

@_spi(StandIn) @MainActor public func standInControl(of configuration: some ControlWidgetConfiguration)
  -> StandInControl?
{
  (configuration as? any StandInConfiguration)?.standInControl
}

@MainActor protocol StandInConfiguration {
  var standInControl: StandInControl { get }
}

extension AppIntentControlConfiguration: StandInConfiguration {
  var standInControl: StandInControl {
    StandInControl(kind: kind) { content($0 as! Configuration) }
  }
}

struct ConfiguredControl<Base: ControlWidgetConfiguration>: ControlWidgetConfiguration,
  StandInConfiguration
{
  let base: Base
  let change: (inout StandInControl) -> Void

  var standInControl: StandInControl {
    guard var control = (base as? any StandInConfiguration)?.standInControl else {
      fatalError("\(Base.self) is not a configuration of this stand-in")
    }
    change(&control)
    return control
  }
}
