import AppIntents
import CxxStdlib

// Fills and searches the system's pattern picker from the index, read anew
// for every call.
struct ZorvEntityQuery: EntityStringQuery, DynamicOptionsProvider {
  // A chosen pattern is kept by value and never looked up again.
  func entities(for identifiers: [ZorvEntity.ID]) async throws -> [ZorvEntity] {
    []
  }

  func suggestedEntities() async throws -> [ZorvEntity] {
    ControlsLogic.suggestedEntities(appGroupContainerPath()).map(ZorvEntity.init)
  }

  func entities(matching string: String) async throws -> [ZorvEntity] {
    ControlsLogic.entitiesMatching(appGroupContainerPath(), std.string(string)).map(ZorvEntity.init)
  }
}
