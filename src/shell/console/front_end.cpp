// The console front end: turns a command line into File > Open and Run on one
// model, reporting through console sinks, and maps every way the core can end
// (success, a refused model, a fatal error, an interrupt, an internal error)
// onto the process exit status.
#include "shell/console/front_end.h"

#include <ctime>
#include <exception>
#include <new>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "model/open_model.h"
#include "shell/console/command_line.h"
#include "shell/console/console_sinks.h"

#ifndef KAVREL_VERSION
#define KAVREL_VERSION "unknown"
#endif

namespace kavrel::console {

namespace {

// Exit status for a failure that no message of the program covers.
constexpr int kInternalErrorExitCode = 70;

}  // namespace

InputNames SplitInputPath(const std::string& path) {
  InputNames names;
  names.pathName = path;
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    names.folder = "./";
    names.fileName = path;
  } else {
    names.folder = path.substr(0, slash + 1);
    names.fileName = path.substr(slash + 1);
  }
  const std::size_t dot = names.fileName.find_last_of('.');
  names.title = dot == std::string::npos ? names.fileName : names.fileName.substr(0, dot);
  return names;
}

int OpenModel(CModelDat& model, const std::string& path, bool announceSuccess) {
  return kavrel::OpenModel(model, SplitInputPath(path), announceSuccess);
}

int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                   bool errIsTerminal) {
  const CommandLine line = ParseCommandLine(args);
  switch (line.command) {
    case Command::Help:
      std::fputs(UsageText().c_str(), out);
      return 0;
    case Command::Version:
      std::fputs("kavrel " KAVREL_VERSION "\n", out);
      return 0;
    case Command::Invalid:
      std::fprintf(err, "kavrel: %s\n%s", line.error.c_str(), UsageText().c_str());
      return kUsageExitCode;
    case Command::Check:
    case Command::Run:
      break;
  }

  const bool running = line.command == Command::Run;
  StatusLine status(err, running && !line.quiet && errIsTerminal);
  ConsoleMessageSink messages(err, out, &status, !line.quiet);
  ConsoleProgressSink progress(&status);
  try {
    CModelDat model;
    model.SetProgress(&progress);
    model.SetMessages(&messages);

    const int openResult = OpenModel(model, line.modelPath, !line.quiet);
    if (openResult != 0) return openResult;
    if (!running) return 0;

    if (line.staticStresses) model.staticStress = 1;
    progress.SetStepCount(model.stepCount);
    // From here on Ctrl-C stops the run at its next report, unwinding so that
    // the log is closed with everything written so far.
    InstallInterruptHandler();
    progress.SetRunStartTime(static_cast<long long>(std::time(nullptr)));
    model.RunAnalysis();
    status.Clear();
    return 0;
  } catch (const FatalExit& fatal) {
    status.Clear();
    if (!fatal.consoleText().empty()) std::fputs(AsOneLine(fatal.consoleText()).c_str(), err);
    std::fflush(out);
    std::fflush(err);
    return fatal.exitCode();
  } catch (const std::bad_alloc&) {
    status.Clear();
    std::fputs("kavrel: out of memory\n", err);
    return kInternalErrorExitCode;
  } catch (const std::exception& e) {
    status.Clear();
    std::fprintf(err, "kavrel: internal error: %s\n", e.what());
    return kInternalErrorExitCode;
  }
}

}  // namespace kavrel::console
