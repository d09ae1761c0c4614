// `kavrel run [--quiet] [--static-stresses] [--threads N] MODEL.inp`: File >
// Open, then the whole analysis, interruptible by Ctrl-C.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "model/model_dat.h"
#include "model/result_reader.h"
#include "model/step_summary.h"
#include "shell/console/commands.h"
#include "shell/console/console_sinks.h"
#include "shell/console/front_end.h"
#include "shell/console/summary_table.h"

namespace kavrel::console {

namespace {

struct RunOptions {
  bool quiet = false;
  bool staticStresses = false;
  int threads = 0;  // 0: every core
};

// What a run leaves for the console to report once its status line is gone.
struct RunReport {
  bool started = false;  // the analysis began (the model was read)
  long long startTime = 0;
  std::filesystem::file_time_type startFileTime;  // the same moment, as files record it
  InputNames names;
  int seamCount = 0;
  bool offSeamFile = false;
  int maxIterations = 0;
  std::vector<StepSummaryRow> rows;
  SummaryUnits units;
};

// After a run that did not finish: the files it was writing that hold fewer
// blocks than they announce, or that it never reached (left from an earlier
// run).
void ReportUnfinishedFiles(const RunReport& report, std::FILE* err) {
  std::vector<std::string> files;
  for (int s = 1; s <= report.seamCount; ++s)
    files.push_back(report.names.Result(s));
  if (report.offSeamFile) files.push_back(report.names.OffSeamDisplacement(1));
  for (const std::string& path : files) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) continue;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec) continue;
    if (written < report.startFileTime) {
      std::fprintf(err, "kavrel: %s: not written by this run (an earlier run's results)\n",
                   path.c_str());
      continue;
    }
    results::ResultLayout layout;
    int blocks = 0;
    std::string error;
    if (!results::CountWholeBlocks(path, layout, blocks, error)) {
      std::fprintf(err, "kavrel: %s: incomplete: %s\n", path.c_str(), error.c_str());
    } else if (blocks < layout.blockCount) {
      std::fprintf(err, "kavrel: %s: incomplete: holds %d of the %d blocks it announces\n",
                   path.c_str(), blocks, layout.blockCount);
    }
  }
}

int RunModel(const ConsoleStreams& streams, const std::string& path, const RunOptions& options) {
  ModelReporting reporting;
  reporting.quiet = options.quiet;
  reporting.statusLine = !options.quiet && streams.errIsTerminal;
  RunReport report;
  const int status =
      RunOnModel(streams, reporting, [&](CModelDat& model, ConsoleProgressSink& progress) {
        const int openResult = OpenModel(model, path, !options.quiet);
        if (openResult != 0) return openResult;
        if (options.staticStresses) model.staticStress = 1;
        model.threadCount = options.threads;
        progress.SetStepCount(model.stepCount);
        // From here on Ctrl-C stops the run at its next report, unwinding so
        // that the log is closed with everything written so far.
        InstallInterruptHandler();
        report.started = true;
        report.startTime = static_cast<long long>(std::time(nullptr));
        report.startFileTime = std::filesystem::file_time_type::clock::now();
        report.names = SplitInputPath(path);
        report.seamCount = model.seamCount;
        report.offSeamFile = model.offSeamCalc >= 1 && model.offSeamDisplacement >= 1;
        report.maxIterations = model.maxIterations;
        progress.SetRunStartTime(report.startTime);
        // The rows are kept even when the run stops part-way.
        struct KeepRows {
          CModelDat& model;
          RunReport& report;
          ~KeepRows() {
            report.rows = model.summaryRows;
            report.units = model.SummaryUnitsOf();
          }
        } keep{model, report};
        return model.RunAnalysis();
      });
  if (status == 0 && !options.quiet)
    std::fputs(SummaryTable(report.rows, report.units,
                            report.names.title + ".summary.csv")
                   .c_str(),
               streams.out);
  for (const std::string& line : SuspectResults(report.rows, report.maxIterations))
    std::fprintf(streams.err, "warning: %s\n", line.c_str());
  if (status != 0 && report.started) ReportUnfinishedFiles(report, streams.err);
  return status;
}

}  // namespace

ConsoleCommand RunCommand() {
  ConsoleCommand command;
  command.name = "run";
  command.synopsis = {"run [--quiet] [--static-stresses] [--threads N] MODEL.inp"};
  command.help =
      "  run     check, then run the analysis: the log MODEL.out and the result files\n"
      "          MODEL.f1, MODEL.f2, ... next to the input\n"
      "  --quiet            no status line and no diagnostic lines on standard output\n"
      "  --static-stresses  load the seams' pre-calculated static stresses (MODEL.sms)\n"
      "  --threads N        use N threads (default: every core); the results are the\n"
      "                     same for any N\n";
  command.add = [](CLI::App& sub) -> CommandFinisher {
    auto options = std::make_shared<RunOptions>();
    sub.add_flag("--quiet", options->quiet);
    sub.add_flag("--static-stresses", options->staticStresses);
    sub.add_option("--threads", options->threads)->check(CLI::PositiveNumber);
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
