import AppIntents
import AppKit

// The control's configuration (the chosen pattern) and its action: it hands
// the pattern's identifier to the host app through the run URL, leaving the
// app in the background.
struct RunZorvIntent: AppIntent, ControlConfigurationIntent {
  static let title: LocalizedStringResource = "Run Pattern"
  static let isDiscoverable = false

  @Parameter(title: "Pattern") var zorv: ZorvEntity?

  init() {}

  // The workspace's error is the only failure; it is passed on unchanged.
  func perform() async throws -> some IntentResult {
    guard let url = URL(string: String(ControlsLogic.runURL(ControlsLogic.OptionalEntity(zorv))))
    else { return .result() }
    let configuration = NSWorkspace.OpenConfiguration()
    configuration.activates = false
    try await withCheckedThrowingContinuation { (finished: CheckedContinuation<Void, any Error>) in
      NSWorkspace.shared.open(url, configuration: configuration) { _, error in
        if let error {
          finished.resume(throwing: error)
        } else {
          finished.resume()
        }
      }
    }
    return .result()
  }
}
