// Runs every fuzz target over every input kept in its corpus (seeds and the
// inputs of fixed findings), so that they stay checked in the normal build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include "fuzz/fuzz_target.h"

int fuzz_json(const std::uint8_t* data, std::size_t size);
int fuzz_bridge_lines(const std::uint8_t* data, std::size_t size);
int fuzz_zorv_index(const std::uint8_t* data, std::size_t size);
int fuzz_share_url(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

struct Target {
  const char* name;
  int (*run)(const std::uint8_t*, std::size_t);
};

// Test names and failure reports show the target by name.
void PrintTo(const Target& target, std::ostream* out) {
  *out << target.name;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, EveryKeptInputHoldsTheProperties) {
  const fs::path corpus = fs::path(ZORVS_FUZZ_CORPUS_DIR) / GetParam().name;
  size_t inputs = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    SCOPED_TRACE(entry.path().string());
    std::ifstream file(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string input = bytes.str();
    // A broken property aborts the process, naming it on standard error.
    EXPECT_EQ(GetParam().run(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()), 0);
    ++inputs;
  }
  EXPECT_GT(inputs, 0u) << "no corpus in " << corpus;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
                         ::testing::Values(Target{"json", fuzz_json},
                                           Target{"bridge_lines", fuzz_bridge_lines},
                                           Target{"zorv_index", fuzz_zorv_index},
                                           Target{"share_url", fuzz_share_url}),
                         [](const auto& target) { return std::string(target.param.name); });

}  // namespace
