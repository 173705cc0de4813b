#include "controls/src/standin/controls_command.h"

#include <boost/json.hpp>

#include <algorithm>
#include <optional>
#include <variant>

#include "controls/src/run_zorv_intent.h"
#include "controls/src/standin/control_configuration_file.h"
#include "controls/src/standin/controls_json.h"
#include "controls/src/zorv_control.h"
#include "controls/src/zorv_entity_query.h"
#include "controls/src/zorv_index.h"
#include "host_contract.h"

namespace zorvs::controls {
namespace {

namespace json = boost::json;

constexpr std::string_view kProgram = "zorvs-controls";

void writeHelp(std::ostream& out) {
  out << "Usage: zorvs-controls COMMAND [ARGUMENTS]\n"
         "\n"
         "Runs the logic of the Zorvs Control Center control on this machine. Patterns\n"
         "come from the index file \""
      << host::kPatternIndexFileName
      << "\" at the root of the app-group container,\n"
         "$HOME/Library/Group Containers/"
      << host::kAppGroupIdentifier
      << "/.\n"
         "A missing or invalid index is not an error: it only means that there are no\n"
         "patterns. Results are written one compact JSON value per line.\n"
         "\n"
         "Commands:\n"
         "  container               the container: {\"containerURL\": path, or null}\n"
         "  list                    every pattern as the picker offers it, in index order:\n"
         "                          its five properties and its \"displayRepresentation\"\n"
         "  search TEXT             the patterns whose name or a category contains TEXT,\n"
         "                          ignoring letter case; an empty TEXT lists them all\n"
         "  tile [CONFIG]           what the control's tile shows: {\"value\": {\"zorvID\",\n"
         "                          \"name\", \"icon\"}, \"label\": {\"title\", \"icon\"}}\n"
         "  run [CONFIG] [--print]  runs the control's pattern: opens its zorvs://run URL\n"
         "                          with xdg-open, or with --print writes the URL as one\n"
         "                          line instead\n"
         "  --help                  this text\n"
         "\n"
         "CONFIG is a JSON file standing for the control's stored configuration:\n"
         "  {\"zorv\": null}  a control never configured, as when no CONFIG is given\n"
         "  {\"zorv\": {\"identifier\": \"...\", \"name\": \"...\", \"subtitle\": \"...\",\n"
         "            \"iconKind\": \"...\", \"iconValue\": \"...\"}}\n"
         "                 the pattern as stored when it was chosen; \"subtitle\",\n"
         "                 \"iconKind\" and \"iconValue\" may be left out\n"
         "\n"
         "Exit status: 0 on success; 1 when CONFIG cannot be read or the URL cannot be\n"
         "opened (the opener's error is written to standard error); 2 for bad arguments.\n";
}

int usageError(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << "\nTry '" << kProgram << " --help'.\n";
  return kExitUsage;
}

void writeLine(std::ostream& out, const json::value& value) {
  out << json::serialize(value) << '\n';
}

void writeEntities(std::ostream& out, const std::vector<ZorvEntity>& entities) {
  for (const ZorvEntity& entity : entities) writeLine(out, toJson(entity));
}

// The arguments after the command word: at most one CONFIG path and the
// options in `allowedOptions`, in any order.
struct ConfigArguments {
  std::optional<std::string> config;
  std::vector<std::string> options;
};

std::variant<ConfigArguments, std::string> parseConfigArguments(
    const std::vector<std::string>& arguments, const std::vector<std::string>& allowedOptions) {
  ConfigArguments parsed;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.size() > 1 && argument.front() == '-') {
      if (std::find(allowedOptions.begin(), allowedOptions.end(), argument) == allowedOptions.end())
        return "unknown option '" + argument + "' for " + arguments[0];
      parsed.options.push_back(argument);
    } else if (parsed.config) {
      return arguments[0] + " takes at most one CONFIG file";
    } else {
      parsed.config = argument;
    }
  }
  return parsed;
}

// The configured intent; without a CONFIG file, a control never configured.
std::optional<RunZorvIntent> loadConfiguration(const std::optional<std::string>& path,
                                               const Platform& platform, std::ostream& err) {
  if (!path) return RunZorvIntent{};
  auto bytes = platform.readWholeFile(*path);
  if (!bytes) {
    err << kProgram << ": cannot read CONFIG file '" << *path << "'\n";
    return std::nullopt;
  }
  auto decoded = decodeControlConfiguration(*bytes);
  if (auto* problem = std::get_if<ConfigurationError>(&decoded)) {
    err << kProgram << ": CONFIG file '" << *path << "': " << problem->message << '\n';
    return std::nullopt;
  }
  return std::get<RunZorvIntent>(std::move(decoded));
}

int container(const Platform& platform, std::ostream& out) {
  auto url = ZorvIndex::containerURL(platform);
  writeLine(out, json::object{{"containerURL", url ? json::value(url->string()) : nullptr}});
  return kExitSuccess;
}

int tile(const ConfigArguments& arguments, const Platform& platform, std::ostream& out,
         std::ostream& err) {
  auto intent = loadConfiguration(arguments.config, platform, err);
  if (!intent) return kExitFailure;
  writeLine(out, toJson(ZorvControl::body(*intent, platform)));
  return kExitSuccess;
}

int run(const ConfigArguments& arguments, Platform& platform, std::ostream& out,
        std::ostream& err) {
  auto intent = loadConfiguration(arguments.config, platform, err);
  if (!intent) return kExitFailure;
  bool print = std::find(arguments.options.begin(), arguments.options.end(), "--print") !=
               arguments.options.end();
  if (print) {
    out << intent->runURL() << '\n';
    return kExitSuccess;
  }
  if (auto failure = intent->perform(platform)) {
    err << kProgram << ": cannot open " << intent->runURL() << ": " << failure->message << " ("
        << failure->domain << " error " << failure->code << ")\n";
    return kExitFailure;
  }
  return kExitSuccess;
}

int withConfig(const std::vector<std::string>& arguments, const std::vector<std::string>& options,
               Platform& platform, std::ostream& out, std::ostream& err) {
  auto parsed = parseConfigArguments(arguments, options);
  if (auto* message = std::get_if<std::string>(&parsed)) return usageError(err, *message);
  const auto& config = std::get<ConfigArguments>(parsed);
  if (arguments[0] == "tile") return tile(config, platform, out, err);
  return run(config, platform, out, err);
}

}  // namespace

int runControlsCommand(const std::vector<std::string>& arguments, Platform& platform,
                       std::ostream& out, std::ostream& err) {
  if (arguments.empty()) return usageError(err, "missing command");
  const std::string& command = arguments[0];
  if (command == "--help" || command == "-h" || command == "help") {
    writeHelp(out);
    return kExitSuccess;
  }
  if (command == "tile") return withConfig(arguments, {}, platform, out, err);
  if (command == "run") return withConfig(arguments, {"--print"}, platform, out, err);
  if (command == "search") {
    if (arguments.size() != 2) return usageError(err, "search takes exactly one TEXT");
    writeEntities(out, ZorvEntityQuery().entitiesMatching(platform, arguments[1]));
    return kExitSuccess;
  }
  if (command != "container" && command != "list") {
    return usageError(err, "unknown command '" + command + "'");
  }
  if (arguments.size() != 1) return usageError(err, command + " takes no arguments");
  if (command == "container") return container(platform, out);
  writeEntities(out, ZorvEntityQuery().suggestedEntities(platform));
  return kExitSuccess;
}

}  // namespace zorvs::controls
