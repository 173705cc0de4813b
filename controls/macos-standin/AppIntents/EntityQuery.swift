public protocol DynamicOptionsProvider {
  associatedtype Result
}

public protocol EntityQuery: DynamicOptionsProvider, Sendable {
  associatedtype Entity: AppEntity
  associatedtype Result = [Self.Entity]
  init()
  func entities(for identifiers: [Self.Entity.ID]) async throws -> [Self.Entity]
  func suggestedEntities() async throws -> Self.Result
}

public protocol EntityStringQuery: EntityQuery {
  func entities(matching string: String) async throws -> Self.Result
}
