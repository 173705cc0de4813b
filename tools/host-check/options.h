// The checker's command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "checks.h"

namespace zorvs::hostcheck {

struct Options {
  std::optional<std::string> socket;  // instead of the bridge's candidates
  std::optional<std::string> launch;  // the app bundle to start first
  Limits limits;
  bool help = false;
};

// The options in `args` (the program name left out), or what is wrong with
// them.
std::variant<Options, std::string> parse_options(const std::vector<std::string_view>& args);

// What --help prints.
extern const char kHelp[];

}  // namespace zorvs::hostcheck
