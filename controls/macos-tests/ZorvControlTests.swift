import AppIntents
import CxxStdlib
@_spi(StandIn) import FoundationStandIn
@_spi(StandIn) import SwiftUI
import Testing
@_spi(StandIn) import WidgetKit
import ZorvsControlsLogic
@testable import ZorvsControls

struct Tile: Equatable, CustomStringConvertible {
  let zorvID: String
  let name: String
  let iconKind: String
  let iconValue: String

  init(_ zorvID: String, _ name: String, _ iconKind: String, _ iconValue: String) {
    (self.zorvID, self.name, self.iconKind, self.iconValue) = (zorvID, name, iconKind, iconValue)
  }

  init(_ value: ZorvControlValue) {
    self.init(
      String(value.zorvID), String(value.name), String(value.icon.kind), String(value.icon.value))
  }

  var description: String { "\(zorvID)|\(name)|\(iconKind)|\(iconValue)" }
}

// The tile: the pattern's current name and icon from the index, else the
// snapshot stored with the control, else the placeholder.
@Suite(.serialized) struct ZorvControlValueTests {
  let container: TemporaryContainer

  init() throws {
    container = try TemporaryContainer()
    try container.writeIndex(records: [
      #"{"id":"renamed","name":"New Name","icon":{"kind":"emoji","value":"🚀"}}"#,
      #"{"id":"iconless","name":"No Icon Now"}"#,
    ])
  }

  func tile(_ zorv: ZorvEntity?) -> Tile {
    container.use { Tile(zorvControlValue(from: intent(choosing: zorv))) }
  }

  @Test func placeholderWithoutAPattern() {
    #expect(tile(nil) == Tile("", "Choose a Pattern", "custom", "zorvs"))
  }

  @Test func theIndexWinsOverTheSnapshot() {
    let stored = entity("renamed", "Old Name", iconKind: "sfsymbol", iconValue: "star")
    #expect(tile(stored) == Tile("renamed", "New Name", "emoji", "🚀"))
    let storedWithIcon = entity("iconless", "Old", iconKind: "sfsymbol", iconValue: "star")
    #expect(tile(storedWithIcon) == Tile("iconless", "No Icon Now", "custom", "zorvs"))
  }

  @Test func theSnapshotStandsInForAPatternTheIndexLacks() throws {
    let gone = entity("gone", "Stored Name", iconKind: "sfsymbol", iconValue: "star")
    #expect(tile(gone) == Tile("gone", "Stored Name", "sfsymbol", "star"))
    let halfIcon = entity("gone", "Stored Name", iconKind: "sfsymbol", iconValue: nil)
    #expect(tile(halfIcon) == Tile("gone", "Stored Name", "custom", "zorvs"))
    try container.removeIndex()
    let present = entity("renamed", "Old Name", iconKind: "emoji", iconValue: "🙂")
    #expect(tile(present) == Tile("renamed", "Old Name", "emoji", "🙂"))
  }
}

@MainActor @Suite(.serialized) struct ZorvControlTests {
  @Test func isTheRunPatternControl() throws {
    let control = try #require(standInControl(of: ZorvControl().body))
    #expect(control.kind == String(zorvs.controls.facade.controlKind()))
    #expect(control.kind.hasSuffix(".controls.run-zorv"))
    #expect(control.displayName?.key == "Run Pattern")
    #expect(control.description?.key == "Quickly run one of your patterns.")
    #expect(control.promptsForUserConfiguration)
  }

  @Test func itsButtonPerformsTheConfiguredIntent() throws {
    let container = try TemporaryContainer()
    try container.writeIndex(records: [#"{"id":"p","name":"Fresh","icon":{"kind":"sfsymbol","value":"bolt"}}"#])
    let control = try #require(standInControl(of: ZorvControl().body))
    let configured = intent(choosing: entity("p", "Stale"))
    let button = try #require(container.use { control.button(for: configured) })
    let action = try #require(button.action as? RunZorvIntent)
    #expect(action.zorv?.identifier == "p")
    #expect(button.labelDrawing == "Label(Text(Fresh), Image(systemName: bolt))")
    let unconfigured = try #require(container.use { control.button(for: RunZorvIntent()) })
    #expect(unconfigured.labelDrawing == "Label(Text(Choose a Pattern), Image(zorvs, bundle: main))")
  }

  @Test(arguments: [
    ("sfsymbol", "star.fill", "Label(Text(Name), Image(systemName: star.fill))"),
    ("emoji", "🇫🇷", "Label(Text(Name), Text(🇫🇷))"),
    ("custom", "brand", "Label(Text(Name), Image(brand, bundle: main))"),
    ("custom", "not-in-bundle", "Label(Text(Name), Image(not-in-bundle, bundle: main))"),
    ("SFSymbol", "star", "Label(Text(Name), Image(zorvs, bundle: main))"),
    ("", "", "Label(Text(Name), Image(zorvs, bundle: main))"),
  ])
  func labelDrawsEachIconKind(kind: String, value: String, drawing: String) {
    var icon = ZorvIconDescriptor()
    icon.kind = std.string(kind)
    icon.value = std.string(value)
    #expect(standInDrawing(of: zorvTileLabel(name: "Name", icon: icon)) == drawing)
  }
}
