public protocol _IntentValue {
  associatedtype ValueType: _IntentValue = Self
  associatedtype UnwrappedType: _IntentValue = Self
}

extension Optional: _IntentValue where Wrapped: _IntentValue {
  public typealias ValueType = Wrapped.ValueType
  public typealias UnwrappedType = Wrapped.UnwrappedType
}

extension String: _IntentValue {}

extension Never: _IntentValue {}

public protocol TypeDisplayRepresentable {
  static var typeDisplayRepresentation: TypeDisplayRepresentation { get }
}

public protocol InstanceDisplayRepresentable {
  var displayRepresentation: DisplayRepresentation { get }
}

public protocol DisplayRepresentable: InstanceDisplayRepresentable, TypeDisplayRepresentable {}

public protocol AppValue: TypeDisplayRepresentable, _IntentValue, Sendable {}

public protocol EntityIdentifierConvertible {
  var entityIdentifierString: String { get }
  static func entityIdentifier(for entityIdentifierString: String) -> Self?
}

extension UUID: EntityIdentifierConvertible {
  public var entityIdentifierString: String { uuidString }

  public static func entityIdentifier(for entityIdentifierString: String) -> UUID? {
    UUID(uuidString: entityIdentifierString)
  }
}

public protocol AppEntity: AppValue, DisplayRepresentable, Identifiable
where Self == Self.ValueType, Self.ID: EntityIdentifierConvertible, Self.ID: Sendable {
  associatedtype DefaultQuery: EntityQuery where Self.ValueType == Self.DefaultQuery.Entity
  static var defaultQuery: Self.DefaultQuery { get }
}

extension AppEntity {
  public typealias Property = EntityProperty
}

public protocol TransientAppEntity: AppEntity {
  init()
}

extension TransientAppEntity {
  // The platform assigns a transient entity's identifier; here every
  // reading is a new one, and nothing should depend on it.
  public var id: UUID { UUID() }
}
