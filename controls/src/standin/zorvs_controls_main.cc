// zorvs-controls: the controls extension's logic on a development machine,
// with the stand-in platform. See `zorvs-controls --help`.
#include <cstdlib>
#include <iostream>

#include "controls/src/standin/controls_command.h"
#include "controls/src/standin/standin_platform.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const char* home = std::getenv("HOME");
  std::optional<std::filesystem::path> homeDirectory;
  if (home != nullptr && *home != '\0') homeDirectory = home;
  zorvs::controls::StandInPlatform platform(homeDirectory);
  return zorvs::controls::runControlsCommand(arguments, platform, std::cout, std::cerr);
}
