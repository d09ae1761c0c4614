// The console front end: turns a command line into File > Open and Run on one
// model, reporting through console sinks, and maps every way the core can end
// (success, a refused model, a fatal error, an interrupt, an internal error)
// onto the process exit status.
#include "shell/console/front_end.h"

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

int OpenModel(CModelDat& model, const std::string& path, bool announceSuccess) {
  return kavrel::OpenModel(model, SplitInputPath(path), announceSuccess);
}

int RunOnModel(const ConsoleStreams& streams, const ModelReporting& reporting,
               const std::function<int(CModelDat& model, ConsoleProgressSink& progress)>& body) {
  StatusLine status(streams.err, reporting.statusLine);
  ConsoleMessageSink messages(streams.err, streams.out, &status, !reporting.quiet);
  ConsoleProgressSink progress(&status);
  try {
    CModelDat model;
    model.SetProgress(&progress);
    model.SetMessages(&messages);
    const int result = body(model, progress);
    status.Clear();
    return result;
  } catch (const FatalExit& fatal) {
    status.Clear();
    if (!fatal.consoleText().empty()) std::fputs(AsOneLine(fatal.consoleText()).c_str(), streams.err);
    std::fflush(streams.out);
    std::fflush(streams.err);
    return fatal.exitCode();
  } catch (const std::bad_alloc&) {
    status.Clear();
    std::fputs("kavrel: out of memory\n", streams.err);
    return kInternalErrorExitCode;
  } catch (const std::exception& e) {
    status.Clear();
    std::fprintf(streams.err, "kavrel: internal error: %s\n", e.what());
    return kInternalErrorExitCode;
  }
}

int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                   bool errIsTerminal) {
  try {
    const CommandLine line = ParseCommandLine(args);
    switch (line.kind) {
      case LineKind::Help:
        std::fputs(UsageText().c_str(), out);
        return 0;
      case LineKind::Version:
        std::fputs("kavrel " KAVREL_VERSION "\n", out);
        return 0;
      case LineKind::Invalid:
        std::fprintf(err, "kavrel: %s\n%s", line.error.c_str(), UsageText().c_str());
        return kUsageExitCode;
      case LineKind::Command:
        break;
    }
    ConsoleStreams streams;
    streams.out = out;
    streams.err = err;
    streams.errIsTerminal = errIsTerminal;
    return line.action(streams);
  } catch (const std::bad_alloc&) {
    std::fputs("kavrel: out of memory\n", err);
    return kInternalErrorExitCode;
  } catch (const std::exception& e) {
    std::fprintf(err, "kavrel: internal error: %s\n", e.what());
    return kInternalErrorExitCode;
  }
}

}  // namespace kavrel::console
