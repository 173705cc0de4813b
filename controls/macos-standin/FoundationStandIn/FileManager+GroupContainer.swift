// The app-group container lookup of Foundation on macOS, which Foundation on
// Linux lacks. Like macOS, it gives a URL of the usual form for any group;
// tests put the container where they like, one test at a time.

import Foundation
import Synchronization

extension FileManager {
  public func containerURL(forSecurityApplicationGroupIdentifier groupIdentifier: String) -> URL? {
    Self.standInGroupContainer(groupIdentifier)
  }

  @_spi(StandIn) public typealias StandInGroupContainer = @Sendable (String) -> URL?

  @_spi(StandIn) public static var standInGroupContainer: StandInGroupContainer {
    get { standInGroupContainerLookup.withLock { $0 } }
    set { standInGroupContainerLookup.withLock { $0 = newValue } }
  }
}

private let standInGroupContainerLookup = Mutex<FileManager.StandInGroupContainer> {
  groupIdentifier in
  URL(fileURLWithPath: NSHomeDirectory())
    .appendingPathComponent("Library/Group Containers")
    .appendingPathComponent(groupIdentifier)
}
