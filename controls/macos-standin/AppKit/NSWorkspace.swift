// The part of AppKit's workspace that opens URLs. Like AppKit, it calls the
// completion handler on another thread. Nothing here opens anything: tests
// decide what an open request reports.

@_exported import Foundation
@_exported import FoundationStandIn
import Synchronization

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
}

extension NSWorkspace {
  @_spi(StandIn) public typealias StandInOpen = @Sendable (URL, Bool) -> (any Error & Sendable)?

  // What every open request reports, given the URL and whether it
  // activates: nothing for success, or the error the platform would
  // deliver. Tests that change it run one at a time.
  @_spi(StandIn) public static var standInOpen: StandInOpen {
    get { standInOpenHandler.withLock { $0 } }
    set { standInOpenHandler.withLock { $0 = newValue } }
  }
}

private let standInOpenHandler = Mutex<NSWorkspace.StandInOpen> { _, _ in NoApplication() }

// What an open reports where no test has said otherwise.
struct NoApplication: Error {}
