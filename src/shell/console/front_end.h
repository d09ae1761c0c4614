// The console front end: the File > Open sequence for a path given on the
// command line, and the `check` and `run` commands built on it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "model/open_model.h"

namespace kavrel {
class CModelDat;
}

namespace kavrel::console {

using kavrel::InputNames;

// The names of a path given on the command line: `folder` is "./" for a bare
// file name.
InputNames SplitInputPath(const std::string& path);

// File > Open (kavrel::OpenModel) for the input at `path`. Returns 0, or the
// reader's or the echo's non-zero result.
int OpenModel(CModelDat& model, const std::string& path, bool announceSuccess);

// The whole command: parses `args` (without the program name), runs it and
// returns the process exit status. Nothing escapes as an exception.
int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                   bool errIsTerminal);

}  // namespace kavrel::console
