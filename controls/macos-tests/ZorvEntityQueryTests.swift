import Foundation
import Testing
@testable import ZorvsControls

// The picker's listing and search, over an index file the host app wrote
// into the group's container.
@Suite(.serialized) struct ZorvEntityQueryTests {
  let container: TemporaryContainer
  let query = ZorvEntityQuery()

  init() throws {
    container = try TemporaryContainer()
    try container.writeIndex(records: [
      #"{"id":"morning","name":"Morning Briefing","categories":["Daily","News"],"icon":{"kind":"sfsymbol","value":"sun.max"}}"#,
      #"{"id":"translate to french","name":"Translate","categories":["Language","Travel","Holiday planning"],"kind":"prompt","icon":{"kind":"emoji","value":"🇫🇷"}}"#,
      #"{"id":"cafe","name":"Café Finder","categories":null}"#,
      #"{"id":"notes","name":"ΣΟΦΙΑ notes","categories":[]}"#,
    ])
  }

  @Test func listsEveryPatternInFileOrderWithAllItsValues() async throws {
    let entities = try await container.use { try await query.suggestedEntities() }
    #expect(entities.map(\.identifier) == ["morning", "translate to french", "cafe", "notes"])
    let values = entities.map { [$0.name, $0.subtitle, $0.iconKind, $0.iconValue] }
    #expect(
      values == [
        ["Morning Briefing", "Daily", "sfsymbol", "sun.max"],
        ["Translate", "Language", "emoji", "🇫🇷"],
        ["Café Finder", nil, "custom", "zorvs"],
        ["ΣΟΦΙΑ notes", nil, "custom", "zorvs"],
      ])
  }

  @Test(arguments: [
    ("", ["morning", "translate to french", "cafe", "notes"]),
    ("BRIEF", ["morning"]),
    ("planning", ["translate to french"]),
    ("café", ["cafe"]),
    ("Cafe\u{301}", ["cafe"]),
    ("σοφια", ["notes"]),
    ("g b", ["morning"]),
    ("prompt", []),
    ("translate to french", []),
  ])
  func searchesNamesAndCategories(text: String, expected: [String]) async throws {
    let found = try await container.use { try await query.entities(matching: text) }
    #expect(found.map(\.identifier) == expected)
  }

  @Test func neverResolvesIdentifiers() async throws {
    let listed = try await container.use { try await query.suggestedEntities() }
    let resolved = try await container.use { try await query.entities(for: listed.map(\.id)) }
    #expect(resolved.isEmpty)
  }

  @Test func anIndexThatCannotBeReadHasNoPatterns() async throws {
    try container.writeIndex(#"{"version":2,"zorvs":[{"id":"a","name":"Alpha"}]}"#)
    #expect(try await container.use { try await query.suggestedEntities() }.isEmpty)
    #expect(try await container.use { try await query.entities(matching: "alpha") }.isEmpty)
    try container.removeIndex()
    #expect(try await container.use { try await query.suggestedEntities() }.isEmpty)
  }

  @Test func readsTheIndexAnewForEveryListing() async throws {
    #expect(try await container.use { try await query.suggestedEntities() }.count == 4)
    try container.writeIndex(records: [#"{"id":"new","name":"New"}"#])
    #expect(try await container.use { try await query.suggestedEntities() }.map(\.name) == ["New"])
  }
}
