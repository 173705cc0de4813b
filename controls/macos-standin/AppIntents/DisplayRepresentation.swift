@_spi(StandIn) import FoundationStandIn

public struct DisplayRepresentation: ExpressibleByStringLiteral, Equatable {
  public var title: LocalizedStringResource
  public var subtitle: LocalizedStringResource?
  public var image: DisplayRepresentation.Image?

  public init(
    title: LocalizedStringResource, subtitle: LocalizedStringResource? = nil,
    image: DisplayRepresentation.Image? = nil
  ) {
    self.title = title
    self.subtitle = subtitle
    self.image = image
  }

  public init(stringLiteral value: String) {
    self.init(title: LocalizedStringResource(stringLiteral: value))
  }

  public static func == (a: DisplayRepresentation, b: DisplayRepresentation) -> Bool {
    a.title.key == b.title.key && a.title.arguments == b.title.arguments
      && a.subtitle?.key == b.subtitle?.key && a.subtitle?.arguments == b.subtitle?.arguments
      && a.image == b.image
  }
}

extension DisplayRepresentation: @unchecked Sendable {}

extension DisplayRepresentation {
  public struct Image: Equatable, @unchecked Sendable {
    enum Source: Equatable {
      case named(String)
      case systemName(String)
    }

    let source: Source
    let isTemplate: Bool?

    public init(named name: String, isTemplate: Bool? = nil) {
      source = .named(name)
      self.isTemplate = isTemplate
    }

    public init(systemName name: String, isTemplate: Bool? = nil) {
      source = .systemName(name)
      self.isTemplate = isTemplate
    }
  }
}

public struct TypeDisplayRepresentation: ExpressibleByStringLiteral {
  public var name: LocalizedStringResource

  public init(name: LocalizedStringResource, numericFormat: LocalizedStringResource? = nil) {
    self.name = name
  }

  public init(stringLiteral value: String) {
    self.init(name: LocalizedStringResource(stringLiteral: value))
  }
}

extension TypeDisplayRepresentation: @unchecked Sendable {}
