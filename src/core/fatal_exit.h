// A fatal condition inside the computation ends the program with a small exit
// code. The core never terminates the process itself: it shows its messages
// through the message sink first, then throws FatalExit, which unwinds (closing
// files and freeing arrays on the way) to the front end, which prints
// `consoleText` to standard error if it is non-empty and exits with `exitCode`.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace kavrel {

class FatalExit : public std::exception {
 public:
  explicit FatalExit(int exitCode, std::string consoleText = {})
      : exitCode_(exitCode), consoleText_(std::move(consoleText)) {}

  int exitCode() const noexcept { return exitCode_; }
  // Text meant for the standard error stream (already line-terminated), or empty.
  const std::string& consoleText() const noexcept { return consoleText_; }
  const char* what() const noexcept override { return consoleText_.c_str(); }

 private:
  int exitCode_;
  std::string consoleText_;
};

}  // namespace kavrel
