public protocol AppIntent: Sendable {
  associatedtype PerformResult: IntentResult
  static var title: LocalizedStringResource { get }
  static var isDiscoverable: Bool { get }
  func perform() async throws -> Self.PerformResult
  init()
}

extension AppIntent {
  public typealias Parameter = IntentParameter
}

extension AppIntent {
  public static var isDiscoverable: Bool { true }
}

public protocol ControlConfigurationIntent: AppIntent {
  associatedtype NeverResult where Self.NeverResult == Never
}

extension ControlConfigurationIntent {
  public func perform() async throws -> Self.NeverResult {
    fatalError("a configuration intent without an action of its own was performed")
  }
}
