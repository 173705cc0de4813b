// One fuzz target per source file. Built for libFuzzer (fuzz/run), the
// target is the LLVMFuzzerTestOneInput entry point; built into the ordinary
// test suite, it is a plain function that the replay test runs over the
// target's corpus, so every kept input, regressions included, is checked on
// every test run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#if defined(ZORVS_FUZZ_REPLAY)
#define ZORVS_FUZZ_TARGET(name) int fuzz_##name(const std::uint8_t* data, std::size_t size)
#else
#define ZORVS_FUZZ_TARGET(name) \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
#endif

namespace zorvs::fuzz {

// A broken property: said on standard error, then the process aborts, which
// both libFuzzer and the replay test report with the input.
inline void require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

}  // namespace zorvs::fuzz
