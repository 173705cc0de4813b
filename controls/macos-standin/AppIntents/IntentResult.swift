public protocol IntentResult: Sendable {
  associatedtype Value: _IntentValue = Never
  var value: Self.Value? { get }
}

public struct IntentResultContainer<Value, OpensAppIntent, Snippet, Dialog>: IntentResult,
  @unchecked Sendable
where Value: _IntentValue {
  public var value: Value? { nil }
}

extension IntentResult {
  public static func result() -> Self
  where Self == IntentResultContainer<Never, Never, Never, Never> {
    IntentResultContainer()
  }
}

extension Never: IntentResult {
  public var value: Never? { nil }
}
