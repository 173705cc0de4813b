@propertyWrapper
final public class IntentParameter<Value>: @unchecked Sendable
where Value: _IntentValue, Value: Sendable {
  final public let defaultValue: Value.UnwrappedType?
  final public let title: LocalizedStringResource
  private var storage: Value?

  init(title: LocalizedStringResource, defaultValue: Value.UnwrappedType?) {
    self.title = title
    self.defaultValue = defaultValue
  }

  final public var projectedValue: IntentParameter<Value> { self }

  final public var wrappedValue: Value {
    get { storage ?? unsetValue() }
    set { storage = newValue }
  }
}

extension IntentParameter where Value.ValueType: AppEntity {
  convenience public init(
    title: LocalizedStringResource, description: LocalizedStringResource? = nil,
    default defaultValue: Value.UnwrappedType? = nil, requestValueDialog: IntentDialog? = nil,
    requestDisambiguationDialog: IntentDialog? = nil,
    inputConnectionBehavior: _const InputConnectionBehavior = .default
  ) {
    self.init(title: title, defaultValue: defaultValue)
  }
}

public struct IntentDialog: Sendable {
  public init(_ string: LocalizedStringResource) {}
}

public enum InputConnectionBehavior {
  case `default`
  case never
  case connectToPreviousIntentResult
}
