// `kavrel check MODEL.inp`: File > Open only, which validates the model and
// writes its step code files and the input echo log.
#include <CLI/CLI.hpp>

#include "shell/console/commands.h"
#include "shell/console/front_end.h"

namespace kavrel::console {

ConsoleCommand CheckCommand() {
  ConsoleCommand command;
  command.name = "check";
  command.synopsis = {"check MODEL.inp"};
  command.help =
      "  check   read and validate the model, write its step code files (MODEL_StepN.chr)\n"
      "          and the input echo log (MODEL.out)\n";
  command.add = [](CLI::App& sub) -> CommandFinisher {
    auto given = AddModelArgument(sub);
    return [given]() -> CommandAction {
      const std::string path = OneModelPath(*given);
      return [path](const ConsoleStreams& streams) {
        ModelReporting reporting;
        return RunOnModel(streams, reporting, [&path](CModelDat& model, ConsoleProgressSink&) {
          return OpenModel(model, path, true);
        });
      };
    };
  };
  return command;
}

}  // namespace kavrel::console
