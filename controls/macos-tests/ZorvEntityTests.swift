import AppIntents
@_spi(StandIn) import FoundationStandIn
import Testing
@testable import ZorvsControls

func entity(
  _ identifier: String, _ name: String, subtitle: String? = nil, iconKind: String? = nil,
  iconValue: String? = nil
) -> ZorvEntity {
  let entity = ZorvEntity()
  entity.identifier = identifier
  entity.name = name
  entity.subtitle = subtitle
  entity.iconKind = iconKind
  entity.iconValue = iconValue
  return entity
}

@Suite struct ZorvEntityTests {
  @Test func namesItselfAndItsPropertiesForTheIntentEditors() {
    let empty = ZorvEntity()
    let titles = [
      empty.$identifier.title, empty.$name.title, empty.$subtitle.title, empty.$iconKind.title,
      empty.$iconValue.title,
    ]
    #expect(titles.map(\.key) == ["Identifier", "Pattern Name", "Subtitle", "Icon Kind", "Icon Value"])
    #expect(ZorvEntity.typeDisplayRepresentation.name.key == "Pattern")
    #expect(empty.subtitle == nil && empty.iconKind == nil && empty.iconValue == nil)
  }

  // Pattern data is the only argument of its text: the key holds no words
  // that a translation could replace.
  @Test func showsNameAndSubtitleVerbatim() {
    let shown = entity("p", "Pattern", subtitle: "Run Pattern").displayRepresentation
    #expect(shown.title.key == "%@" && shown.title.arguments == ["Pattern"])
    #expect(shown.subtitle?.key == "%@" && shown.subtitle?.arguments == ["Run Pattern"])
    #expect(entity("p", "Name").displayRepresentation.subtitle == nil)
  }

  @Test(arguments: [
    (String?.some("sfsymbol"), String?.some("star"), DisplayRepresentation.Image(systemName: "star")),
    ("custom", "brand", DisplayRepresentation.Image(named: "brand")),
    ("emoji", "🙂", DisplayRepresentation.Image(named: "zorvs")),
    ("SFSymbol", "star", DisplayRepresentation.Image(named: "zorvs")),
    ("sfsymbol", nil, DisplayRepresentation.Image(named: "zorvs")),
    (nil, nil, DisplayRepresentation.Image(named: "zorvs")),
  ])
  func drawsItsIconInThePicker(kind: String?, value: String?, image: DisplayRepresentation.Image) {
    let shown = entity("p", "Name", iconKind: kind, iconValue: value).displayRepresentation
    #expect(shown.image == image)
  }

  @Test func crossesToTheLogicAndBackUnchanged() {
    let entities = [
      entity("id with space", "Café", subtitle: "Daily", iconKind: "emoji", iconValue: "🇫🇷"),
      entity("", "", subtitle: nil, iconKind: "sfsymbol", iconValue: nil),
    ]
    for original in entities {
      let back = ZorvEntity(original.logicValue)
      #expect(back.identifier == original.identifier && back.name == original.name)
      #expect(back.subtitle == original.subtitle)
      #expect(back.iconKind == original.iconKind && back.iconValue == original.iconValue)
    }
  }
}
