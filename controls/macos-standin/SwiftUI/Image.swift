nonisolated public struct Image: View {
  let drawing: String

  public init(systemName: String) {
    drawing = "Image(systemName: \(systemName))"
  }

  // A nil bundle is the main bundle, which in an extension is the extension's.
  public init(_ name: String, bundle: Bundle? = nil) {
    drawing = "Image(\(name), bundle: \(bundle == nil ? "main" : "given"))"
  }
}

extension Image: StandInDrawable {}
