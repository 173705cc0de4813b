// Foundation's localizable text reference, which Foundation on Linux lacks.
// A literal is a key looked up at display time; an interpolation is a format
// whose arguments are inserted into whatever the key's translation says.

public struct LocalizedStringResource: ExpressibleByStringLiteral, ExpressibleByStringInterpolation,
  Sendable
{
  // What the stand-in keeps so that tests can read a text back.
  @_spi(StandIn) public let key: String
  @_spi(StandIn) public let arguments: [String]

  public init(stringLiteral value: String) {
    key = value
    arguments = []
  }

  public init(stringInterpolation: String.LocalizationValue.StringInterpolation) {
    key = stringInterpolation.format
    arguments = stringInterpolation.arguments
  }
}

extension String {
  public struct LocalizationValue {
    public struct StringInterpolation: StringInterpolationProtocol {
      var format = ""
      var arguments: [String] = []

      public init(literalCapacity: Int, interpolationCount: Int) {}

      public mutating func appendLiteral(_ literal: String) {
        format += literal
      }

      public mutating func appendInterpolation(_ string: String) {
        format += "%@"
        arguments.append(string)
      }
    }
  }
}
