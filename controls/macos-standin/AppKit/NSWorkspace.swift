// The part of AppKit's workspace that opens URLs. Like AppKit, it calls the
// completion handler on another thread. Nothing here opens anything: tests
// decide, for the task they run in, what an open request reports.

@_exported import Foundation
@_exported import FoundationStandIn

open class NSWorkspace {
  // The stand-in keeps no state, so any instance serves as the shared one.
  open class var shared: NSWorkspace { NSWorkspace() }

  open func open(
    _ url: URL, configuration: NSWorkspace.OpenConfiguration,
    completionHandler: (@Sendable (NSRunningApplication?, (any Error)?) -> Void)? = nil
  ) {
    let failure = Self.standInOpen(url, configuration.activates)
    DispatchQueue.global().async {
      completionHandler?(failure == nil ? NSRunningApplication() : nil, failure)
    }
  }

  open class OpenConfiguration {
    open var activates: Bool = true

    public init() {}
  }

  // What every open request of the current task reports, given the URL and
  // whether it activates: nothing for success, or the error the platform
  // would deliver.
  @_spi(StandIn) @TaskLocal public static var standInOpen:
    @Sendable (URL, Bool) -> (any Error & Sendable)? = { _, _ in NoApplication() }
}

// What an open reports where no test has said otherwise.
struct NoApplication: Error {}
