import CxxStdlib
import SwiftUI
import ZorvsControlsLogic

// The tile's label: the title shown as it is, and the icon the logic chose,
// drawn as a system symbol, as characters (an emoji) or as one of the
// extension's image resources.
@MainActor @ViewBuilder
func zorvTileLabel(name: String, icon: ZorvIconDescriptor) -> some View {
  let label = ControlsLogic.tileLabel(std.string(name), icon)
  let title = String(label.title)
  let picture = String(label.icon.value)
  switch label.icon.kind {
  case .systemSymbol:
    Label { Text(title) } icon: { Image(systemName: picture) }
  case .text:
    Label { Text(title) } icon: { Text(picture) }
  default:
    Label(title, image: picture)
  }
}
