import AppIntents
@_spi(StandIn) import AppKit
import Foundation
@_spi(StandIn) import FoundationStandIn
import Synchronization
import Testing
@testable import ZorvsControls

// A workspace that records what it is asked to open and reports `failure`
// for every request.
final class RecordingWorkspace: Sendable {
  struct Request: Equatable {
    let url: String
    let activates: Bool
  }

  private let requests = Mutex<[Request]>([])
  private let failure: (any Error & Sendable)?

  init(failing failure: (any Error & Sendable)? = nil) {
    self.failure = failure
  }

  var opened: [Request] { requests.withLock { $0 } }

  func use<T>(_ body: () async throws -> T) async rethrows -> T {
    let previous = NSWorkspace.standInOpen
    NSWorkspace.standInOpen = open
    defer { NSWorkspace.standInOpen = previous }
    return try await body()
  }

  private var open: @Sendable (URL, Bool) -> (any Error & Sendable)? {
    { url, activates in
      self.requests.withLock { $0.append(Request(url: url.absoluteString, activates: activates)) }
      return self.failure
    }
  }
}

struct LaunchFailed: Error, Equatable {
  let code: Int
}

func intent(choosing zorv: ZorvEntity?) -> RunZorvIntent {
  let intent = RunZorvIntent()
  intent.zorv = zorv
  return intent
}

@Suite(.serialized) struct RunZorvIntentTests {
  @Test func isTheControlsIntentOnly() {
    #expect(RunZorvIntent.title.key == "Run Pattern")
    #expect(RunZorvIntent.isDiscoverable == false)
    let fresh = RunZorvIntent()
    #expect(fresh.$zorv.title.key == "Pattern")
    #expect(fresh.$zorv.defaultValue == nil)
    #expect(fresh.zorv == nil)
  }

  @Test(arguments: [
    (ZorvEntity?.none, "zorvs://run"),
    (entity("", "No identifier"), "zorvs://run"),
    (entity("abc123", "Plain"), "zorvs://run?id=abc123"),
    (entity("translate to french", "Spaced"), "zorvs://run?id=translate%20to%20french"),
    (entity("a&b=c", "Query characters"), "zorvs://run?id=a%26b%3Dc"),
  ])
  func opensTheRunURLInTheBackground(zorv: ZorvEntity?, url: String) async throws {
    let workspace = RecordingWorkspace()
    try await workspace.use { _ = try await intent(choosing: zorv).perform() }
    #expect(workspace.opened == [.init(url: url, activates: false)])
    let sent = URLComponents(string: url)?.queryItems?.first { $0.name == "id" }?.value
    #expect(sent == zorv.map(\.identifier).flatMap { $0.isEmpty ? nil : $0 })
  }

  @Test func sendsThePatternEvenWhenTheIndexNoLongerHasIt() async throws {
    let container = try TemporaryContainer()
    try container.writeIndex(records: [#"{"id":"other","name":"Other"}"#])
    let workspace = RecordingWorkspace()
    try await container.use {
      try await workspace.use { _ = try await intent(choosing: entity("gone", "Gone")).perform() }
    }
    #expect(workspace.opened.map(\.url) == ["zorvs://run?id=gone"])
  }

  @Test func failsWithTheWorkspacesErrorUnchanged() async throws {
    let workspace = RecordingWorkspace(failing: LaunchFailed(code: -10814))
    await #expect(throws: LaunchFailed(code: -10814)) {
      try await workspace.use { _ = try await intent(choosing: entity("p", "P")).perform() }
    }
    #expect(workspace.opened.count == 1)
  }
}
