// The app-group container lookup of Foundation on macOS, which Foundation on
// Linux lacks. Like macOS, it gives a URL of the usual form for any group;
// tests put the container where they like for the task they run in.

import Foundation

extension FileManager {
  public func containerURL(forSecurityApplicationGroupIdentifier groupIdentifier: String) -> URL? {
    Self.standInGroupContainer(groupIdentifier)
  }

  @_spi(StandIn) @TaskLocal public static var standInGroupContainer:
    @Sendable (String) -> URL? = { groupIdentifier in
      URL(fileURLWithPath: NSHomeDirectory())
        .appendingPathComponent("Library/Group Containers")
        .appendingPathComponent(groupIdentifier)
    }
}
