import Testing

// Runs every test of this executable, as the Swift package manager's test
// runner would.
@main struct TestMain {
  static func main() async {
    await Testing.__swiftPMEntryPoint() as Never
  }
}
