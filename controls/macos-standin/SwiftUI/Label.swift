nonisolated public struct Label<Title, Icon>: View where Title: View, Icon: View {
  let title: Title
  let icon: Icon

  public init(@ViewBuilder title: () -> Title, @ViewBuilder icon: () -> Icon) {
    self.title = title()
    self.icon = icon()
  }

  public init<S>(_ title: S, image name: String) where S: StringProtocol, Title == Text, Icon == Image {
    self.title = Text(title)
    self.icon = Image(name)
  }
}

extension Label: StandInDrawable {
  var drawing: String { "Label(\(SwiftUI.drawing(of: title)), \(SwiftUI.drawing(of: icon)))" }
}
