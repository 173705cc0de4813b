import CxxStdlib
import Foundation
@_spi(StandIn) import FoundationStandIn
import ZorvsControlsLogic
@testable import ZorvsControls

// An app-group container in a fresh temporary directory, whose path has a
// space in it as the real one does ("Group Containers"). While a test runs
// inside `use`, the system gives it as the container of the extension's
// group, and no container for any other group. The tests run one at a time.
final class TemporaryContainer {
  let url: URL
  private let root: URL

  init() throws {
    root = FileManager.default.temporaryDirectory
      .appendingPathComponent("zorvs-controls-\(UUID().uuidString)")
    url = root.appendingPathComponent("Group Containers/the group")
    try FileManager.default.createDirectory(at: url, withIntermediateDirectories: true)
  }

  deinit {
    try? FileManager.default.removeItem(at: root)
  }

  func writeIndex(_ text: String) throws {
    try Data(text.utf8).write(to: url.appendingPathComponent("zorv-index.json"))
  }

  func writeIndex(records: [String]) throws {
    try writeIndex(#"{"version":1,"zorvs":["# + records.joined(separator: ",") + "]}")
  }

  func removeIndex() throws {
    try FileManager.default.removeItem(at: url.appendingPathComponent("zorv-index.json"))
  }

  func use<T>(_ body: () async throws -> T) async rethrows -> T {
    let previous = FileManager.standInGroupContainer
    FileManager.standInGroupContainer = lookup
    defer { FileManager.standInGroupContainer = previous }
    return try await body()
  }

  func use<T>(_ body: () throws -> T) rethrows -> T {
    let previous = FileManager.standInGroupContainer
    FileManager.standInGroupContainer = lookup
    defer { FileManager.standInGroupContainer = previous }
    return try body()
  }

  private var lookup: @Sendable (String) -> URL? {
    let container = url
    let group = String(zorvs.controls.facade.appGroupIdentifier())
    return { $0 == group ? container : nil }
  }
}
