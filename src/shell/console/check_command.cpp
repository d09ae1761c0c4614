// `kavrel check [--strict] MODEL.inp`: File > Open only, which validates the
// model and writes its step code files and the input echo log, then tells
// how much memory a run of the model will need. The reader's warnings are
// shown as it found them; with --strict a model with warnings fails the
// check with a status of its own, for scripts that must not run such a model.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "model/memory_estimate.h"
#include "model/model_dat.h"
#include "shell/console/commands.h"
#include "shell/console/front_end.h"

namespace kavrel::console {

namespace {

// Exit status of `check --strict` for a model that reads with warnings
// (EX_DATAERR of sysexits.h: the input data were incorrect).
constexpr int kStrictExitCode = 65;

int CheckModelFile(const ConsoleStreams& streams, const std::string& path, bool strict) {
  ModelReporting reporting;
  std::size_t warningCount = 0;
  const int result = RunOnModel(streams, reporting, [&](CModelDat& model, ConsoleProgressSink&) {
    const int openResult = OpenModel(model, path, true);
    if (openResult != 0) return openResult;
    warningCount = model.warnings.size();
    std::fprintf(streams.out, "The run will need about %s of memory\n",
                 MemoryText(EstimateRunMemory(model)).c_str());
    std::fflush(streams.out);
    return 0;
  });
  if (result != 0 || !strict || warningCount == 0) return result;
  std::fprintf(streams.err, "kavrel: --strict: the model has %zu warning%s\n", warningCount,
               warningCount == 1 ? "" : "s");
  return kStrictExitCode;
}

}  // namespace

ConsoleCommand CheckCommand() {
  ConsoleCommand command;
  command.name = "check";
  command.synopsis = {"check [--strict] MODEL.inp"};
  command.help =
      "  check   read and validate the model, write its step code files (MODEL_StepN.chr)\n"
      "          and the input echo log (MODEL.out), and tell the memory a run will need;\n"
      "          values that make the run meaningless are shown as warnings\n"
      "  --strict           a model with warnings fails the check (exit status 65)\n";
  command.add = [](CLI::App& sub) -> CommandFinisher {
    auto strict = std::make_shared<bool>(false);
    sub.add_flag("--strict", *strict);
    auto given = AddModelArgument(sub);
    return [given, strict]() -> CommandAction {
      const std::string path = OneModelPath(*given);
      return [path, strict = *strict](const ConsoleStreams& streams) {
        return CheckModelFile(streams, path, strict);
      };
    };
  };
  return command;
}

}  // namespace kavrel::console
