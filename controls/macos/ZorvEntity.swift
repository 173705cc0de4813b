import AppIntents
import ZorvsControlsLogic

// One pattern in the system's picker and intent editors. The system keeps the
// whole value with the control, so it is a snapshot of the index record at
// the time the user chose it.
struct ZorvEntity: TransientAppEntity {
  static let typeDisplayRepresentation: TypeDisplayRepresentation = "Pattern"
  static let defaultQuery = ZorvEntityQuery()

  @Property(title: "Identifier") var identifier: String
  @Property(title: "Pattern Name") var name: String
  @Property(title: "Subtitle") var subtitle: String?
  @Property(title: "Icon Kind") var iconKind: String?
  @Property(title: "Icon Value") var iconValue: String?

  // No values: the system fills them in when it rebuilds a stored entity.
  init() {}

  // Name and subtitle are pattern data: each is the only argument of its
  // text, so no translation ever replaces it.
  var displayRepresentation: DisplayRepresentation {
    let shown = logicValue.displayRepresentation()
    return DisplayRepresentation(
      title: "\(String(shown.title))",
      subtitle: shown.subtitle.text.map { "\($0)" },
      image: DisplayRepresentation.Image(shown.image))
  }
}

extension DisplayRepresentation.Image {
  // The picker draws system symbols and image resources only.
  init(_ picture: zorvs.controls.ZorvPicture) {
    let name = String(picture.value)
    switch picture.kind {
    case .systemSymbol: self.init(systemName: name)
    default: self.init(named: name)
    }
  }
}
