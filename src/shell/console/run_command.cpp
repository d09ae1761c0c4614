// `kavrel run [--quiet] [--static-stresses] MODEL.inp`: File > Open, then the
// whole analysis, interruptible by Ctrl-C.
#include <CLI/CLI.hpp>

#include <ctime>
#include <memory>

#include "model/model_dat.h"
#include "shell/console/commands.h"
#include "shell/console/console_sinks.h"
#include "shell/console/front_end.h"

namespace kavrel::console {

namespace {

struct RunOptions {
  bool quiet = false;
  bool staticStresses = false;
};

int RunModel(const ConsoleStreams& streams, const std::string& path, const RunOptions& options) {
  ModelReporting reporting;
  reporting.quiet = options.quiet;
  reporting.statusLine = !options.quiet && streams.errIsTerminal;
  return RunOnModel(streams, reporting, [&](CModelDat& model, ConsoleProgressSink& progress) {
    const int openResult = OpenModel(model, path, !options.quiet);
    if (openResult != 0) return openResult;
    if (options.staticStresses) model.staticStress = 1;
    progress.SetStepCount(model.stepCount);
    // From here on Ctrl-C stops the run at its next report, unwinding so that
    // the log is closed with everything written so far.
    InstallInterruptHandler();
    progress.SetRunStartTime(static_cast<long long>(std::time(nullptr)));
    model.RunAnalysis();
    return 0;
  });
}

}  // namespace

ConsoleCommand RunCommand() {
  ConsoleCommand command;
  command.name = "run";
  command.synopsis = {"run [--quiet] [--static-stresses] MODEL.inp"};
  command.help =
      "  run     check, then run the analysis: the log MODEL.out and the result files\n"
      "          MODEL.f1, MODEL.f2, ... next to the input\n"
      "  --quiet            no status line and no diagnostic lines on standard output\n"
      "  --static-stresses  load the seams' pre-calculated static stresses (MODEL.sms)\n";
  command.add = [](CLI::App& sub) -> CommandFinisher {
    auto options = std::make_shared<RunOptions>();
    sub.add_flag("--quiet", options->quiet);
    sub.add_flag("--static-stresses", options->staticStresses);
    auto given = AddModelArgument(sub);
    return [given, options]() -> CommandAction {
      const std::string path = OneModelPath(*given);
      return [path, options](const ConsoleStreams& streams) {
        return RunModel(streams, path, *options);
      };
    };
  };
  return command;
}

}  // namespace kavrel::console
