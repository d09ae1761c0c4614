// Whole runs of the `kavrel` program for end-to-end checks: the example
// models shipped with the sources, and a quiet run whose console output is
// kept beside the model for the failure message.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kavrel::testing_support {

// An example model file of the source tree, e.g. "hill.inp".
inline std::filesystem::path ExamplePath(const std::string& name) {
  return std::filesystem::path(KAVREL_SOURCE_DIR) / "examples" / name;
}

// Copies the example file `name` into `dir` (replacing a copy already there)
// and returns the copy's path.
inline std::filesystem::path CopyExample(const std::filesystem::path& dir,
                                         const std::string& name) {
  std::filesystem::copy_file(ExamplePath(name), dir / name,
                             std::filesystem::copy_options::overwrite_existing);
  return dir / name;
}

// Runs `kavrel run --quiet <options> <input>` with standard output and error
// written to console.txt beside the input; returns std::system's status (0
// when the program exits with 0).
inline int RunQuiet(const std::filesystem::path& input, const std::string& options = "") {
  const std::string command = std::string("\"") + KAVREL_CLI + "\" run --quiet " +
                              (options.empty() ? "" : options + " ") + "\"" + input.string() +
                              "\" > \"" + (input.parent_path() / "console.txt").string() +
                              "\" 2>&1";
  return std::system(command.c_str());
}

// What `kavrel` left behind: its exit status and everything it wrote to
// standard output and standard error.
struct KavrelResult {
  int status = -1;
  std::string out, err;
};

// Runs `kavrel <args>` in `dir` (with no input) and captures what it writes,
// through stdout.txt and stderr.txt in that folder.
inline KavrelResult RunKavrel(const std::filesystem::path& dir, const std::string& args) {
  const std::string cmd = "cd '" + dir.string() + "' && '" KAVREL_CLI "' " + args +
                          " >stdout.txt 2>stderr.txt </dev/null";
  const int raw = std::system(cmd.c_str());
  const auto whole = [](const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  };
  KavrelResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = whole(dir / "stdout.txt");
  r.err = whole(dir / "stderr.txt");
  return r;
}

}  // namespace kavrel::testing_support
