@propertyWrapper
final public class EntityProperty<Value>: @unchecked Sendable
where Value: _IntentValue, Value: Sendable {
  final public var title: LocalizedStringResource
  private var storage: Value?

  init(standInTitle title: LocalizedStringResource) {
    self.title = title
  }

  final public var projectedValue: EntityProperty<Value> { self }

  final public var wrappedValue: Value {
    get { storage ?? unsetValue() }
    set { storage = newValue }
  }
}

extension EntityProperty where Value.ValueType == String {
  convenience public init(title: LocalizedStringResource) {
    self.init(standInTitle: title)
  }
}

// An optional property without a value reads as nil; any other is an error.
func unsetValue<Value>() -> Value {
  guard let optional = Value.self as? any ExpressibleByNilLiteral.Type else {
    fatalError("\(Value.self) property read before it was given a value")
  }
  return optional.init(nilLiteral: ()) as! Value
}
