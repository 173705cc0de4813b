@MainActor @preconcurrency public protocol ControlWidget {
  associatedtype Body: ControlWidgetConfiguration
  @ControlWidgetConfigurationBuilder @MainActor @preconcurrency var body: Self.Body { get }
}

@MainActor @preconcurrency public protocol ControlWidgetConfiguration {}

@MainActor @preconcurrency public protocol ControlWidgetTemplate {}

@resultBuilder public struct ControlWidgetConfigurationBuilder {
  public static func buildBlock<Content>(_ content: Content) -> Content
  where Content: ControlWidgetConfiguration {
    content
  }
}

@resultBuilder public struct ControlWidgetTemplateBuilder {
  public static func buildBlock<Content>(_ content: Content) -> Content
  where Content: ControlWidgetTemplate {
    content
  }
}
