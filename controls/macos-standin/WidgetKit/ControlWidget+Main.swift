import SwiftUI

extension ControlWidget {
  // The platform starts the extension and asks it for its control; on this
  // machine there is no platform to hand the control to.
  @MainActor @preconcurrency public static func main() {}
}
