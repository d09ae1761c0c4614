// The console front end: the File > Open sequence for a path given on the
// command line, the frame every model command runs in, and the whole command
// line from arguments to exit status.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "model/open_model.h"
#include "shell/console/command_line.h"

namespace kavrel {
class CModelDat;
}

namespace kavrel::console {

class ConsoleProgressSink;

using kavrel::InputNames;
using kavrel::SplitInputPath;

// File > Open (kavrel::OpenModel) for the input at `path`. Returns 0, or the
// reader's or the echo's non-zero result.
[[nodiscard]] int OpenModel(CModelDat& model, const std::string& path, bool announceSuccess);

// How a model command reports: `quiet` drops the diagnostic lines,
// `statusLine` draws the live status line on standard error.
struct ModelReporting {
  bool quiet = false;
  bool statusLine = false;
};

// Runs `body` on a fresh model whose messages and progress go to `streams`,
// and maps every way it can end onto the exit status: the body's result, a
// fatal error's code (its text on standard error), 70 for an internal error.
// The status line is erased before it returns.
[[nodiscard]] int RunOnModel(const ConsoleStreams& streams, const ModelReporting& reporting,
               const std::function<int(CModelDat& model, ConsoleProgressSink& progress)>& body);

// The whole command: parses `args` (without the program name), runs it and
// returns the process exit status. Nothing escapes as an exception.
[[nodiscard]] int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                   bool errIsTerminal);

}  // namespace kavrel::console
