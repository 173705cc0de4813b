// Views as the control's label uses them. Tests read back what a view
// draws with standInDrawing(of:).

@_exported import Foundation

@MainActor @preconcurrency public protocol View {}

@resultBuilder public struct ViewBuilder {
  public static func buildBlock<Content>(_ content: Content) -> Content where Content: View {
    content
  }

  public static func buildEither<TrueContent, FalseContent>(first: TrueContent)
    -> _ConditionalContent<TrueContent, FalseContent>
  where TrueContent: View, FalseContent: View {
    _ConditionalContent(drawing: drawing(of: first))
  }

  public static func buildEither<TrueContent, FalseContent>(second: FalseContent)
    -> _ConditionalContent<TrueContent, FalseContent>
  where TrueContent: View, FalseContent: View {
    _ConditionalContent(drawing: drawing(of: second))
  }
}

nonisolated public struct _ConditionalContent<TrueContent, FalseContent>: View
where TrueContent: View, FalseContent: View {
  let drawing: String
}

// A view as text: what the stand-in records of it.
protocol StandInDrawable {
  var drawing: String { get }
}

extension _ConditionalContent: StandInDrawable {}

func drawing(of view: Any) -> String {
  (view as? any StandInDrawable)?.drawing ?? "\(type(of: view))"
}

@_spi(StandIn) public func standInDrawing(of view: Any) -> String {
  drawing(of: view)
}
