// Runs a program to its end for whole-process tests, with some environment
// variables replaced, and captures its output.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zorvs::controls {

struct ChildResult {
  int exitStatus = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// `environment` entries replace or add variables of this process's
// environment for the child. Standard input is /dev/null.
ChildResult runChild(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::map<std::string, std::string>& environment);

}  // namespace zorvs::controls
