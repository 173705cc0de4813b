open class NSRunningApplication {
  init() {}
}
