// `kavrel export MODEL.inp [...]`: the results a run wrote beside the model
// (never a new run) as one CSV table, for spreadsheets and scripts. The path
// written goes to standard output (unless the table itself does, with
// `--output -`); warnings and errors go to standard error, naming the file
// and the reason.
#include <CLI/CLI.hpp>

#include <memory>

#include "model/result_export.h"
#include "model/run_info.h"
#include "shell/console/commands.h"

namespace kavrel::console {

namespace {

constexpr int kExportFailed = 1;

int Export(const ConsoleStreams& streams, const std::string& path,
           const results::ExportRequest& request) {
  RunInfo info;
  std::string error;
  if (!LoadRunInfo(path, info, error)) {
    std::fprintf(streams.err, "kavrel: %s: %s\n", path.c_str(), error.c_str());
    return kExportFailed;
  }
  results::ExportOutcome outcome;
  const bool ok = results::ExportResults(info, request, streams.out, outcome);
  if (!ok) {
    std::fprintf(streams.err, "kavrel: %s\n", outcome.error.c_str());
    return kExportFailed;
  }
  for (const std::string& warning : outcome.warnings)
    std::fprintf(streams.err, "kavrel: %s\n", warning.c_str());
  if (outcome.written != "-") std::fprintf(streams.out, "%s\n", outcome.written.c_str());
  return outcome.warnings.empty() ? 0 : kExportFailed;
}

}  // namespace

ConsoleCommand ExportCommand() {
  ConsoleCommand command;
  command.name = "export";
  command.synopsis = {"export MODEL.inp [--seam S] [--step N] [--output FILE|-]"};
  command.help =
      "  export  the results of a finished run, read from its files (the run is not\n"
      "          repeated), as one CSV table: a header row, then a row per element of each\n"
      "          seam, step and LMS run with its indices, centre, material code and every\n"
      "          result column. Seams and steps may be repeated or given as lists (1,3);\n"
      "          by default every seam and step. Writes MODEL.export.csv beside the model,\n"
      "          or FILE (- for standard output); prints the path written.\n";
  command.add = [](CLI::App& sub) -> CommandFinisher {
    auto request = std::make_shared<results::ExportRequest>();
    sub.add_option("--seam", request->seams)->delimiter(',');
    sub.add_option("--step", request->steps)->delimiter(',');
    CLI::Option* output = sub.add_option("--output", request->output);
    auto given = AddModelArgument(sub);
    // The finisher runs while the parser, and so `output`, still exists.
    return [given, request, output]() -> CommandAction {
      const std::string path = OneModelPath(*given);
      if (request->output.empty() && output->count() > 0)
        throw UsageError("--output needs a file name (or - for standard output)");
      const results::ExportRequest r = *request;
      return [path, r](const ConsoleStreams& streams) { return Export(streams, path, r); };
    };
  };
  return command;
}

}  // namespace kavrel::console
