// The console front end: the File > Open sequence for a path given on the
// command line, and the `check` and `run` commands built on it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kavrel {
class CModelDat;
}

namespace kavrel::console {

// The four names File > Open hands to the model. `folder` is the input's
// folder ending with '/' ("./" for a bare file name); `title` is the file name
// without its last extension.
struct InputNames {
  std::string pathName;
  std::string folder;
  std::string fileName;
  std::string title;
};

InputNames SplitInputPath(const std::string& path);

// Sets the names, reads and validates the model (which also writes the step
// code files) and writes the input echo that starts the log. Messages go
// through the model's message sink: the reader's own, then the Open
// command's. Returns 0, or the reader's or the echo's non-zero result.
int OpenModel(CModelDat& model, const std::string& path, bool announceSuccess);

// The whole command: parses `args` (without the program name), runs it and
// returns the process exit status. Nothing escapes as an exception.
int RunCommandLine(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
                   bool errIsTerminal);

}  // namespace kavrel::console
