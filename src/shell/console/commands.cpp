// The list of the console's commands, in the order the usage text shows them,
// and the model argument they share.
#include "shell/console/commands.h"

#include <CLI/CLI.hpp>

namespace kavrel::console {

std::vector<ConsoleCommand> ConsoleCommands() {
  return {
      CheckCommand(),
      RunCommand(),
#ifdef KAVREL_HAVE_PLOT
      PlotCommand(),
#endif
      ExportCommand(),
      StudyCommand(),
  };
}

std::shared_ptr<std::vector<std::string>> AddModelArgument(CLI::App& subcommand) {
  auto given = std::make_shared<std::vector<std::string>>();
  subcommand.add_option("MODEL.inp", *given, "the model file");
  return given;
}

std::string OneModelPath(const std::vector<std::string>& given) {
  if (given.empty()) throw UsageError("missing model file (MODEL.inp)");
  if (given.size() > 1) throw UsageError("more than one model file given");
  return given.front();
}

}  // namespace kavrel::console
