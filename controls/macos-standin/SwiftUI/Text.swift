nonisolated public struct Text: View {
  let content: String

  public init<S>(_ content: S) where S: StringProtocol {
    self.content = String(content)
  }
}

extension Text: StandInDrawable {
  var drawing: String { "Text(\(content))" }
}
