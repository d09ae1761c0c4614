// Run logs for tests that call a routine which writes log lines: one over a
// temporary file whose text the test reads back, and a closed one for tests
// that do not look at the log.
#pragma once

#include <cstdio>
#include <regex>
#include <string>

#include "core/run_log.h"
#include "support/scratch_files.h"

namespace kavrel::testing_support {

inline RunLog TemporaryLog() { return RunLog(UniqueFile(std::tmpfile())); }

// Everything written to `log` so far; the log stays open and the next write
// goes after what was read.
inline std::string LogText(RunLog& log) {
  if (!log) return {};
  std::string text = ReadStream(log.stream());
  std::fseek(log.stream(), 0, SEEK_END);
  return text;
}

// A run's log with its clock readings masked, so that two runs compare equal
// whatever the wall clock did: every "N secs", and the seconds columns of the
// profile tables (their loop and sweep counts stay).
inline std::string MaskTimes(const std::string& log) {
  static const std::regex secs("[0-9]+ secs");
  static const std::regex row("^(\\|    [0-9]    \\|[^|]*\\|[^|]*\\|).*$");
  static const std::regex foot("^( +[0-9]+ +[0-9]+) +[0-9]+ +[0-9]+ +[0-9]+ +[0-9]+ +$");
  std::string out;
  for (const std::string& line : SplitLines(std::regex_replace(log, secs, "N secs"))) {
    std::string masked = std::regex_replace(line, row, "$1 seconds masked");
    masked = std::regex_replace(masked, foot, "$1 seconds masked");
    out += masked + "\n";
  }
  return out;
}

}  // namespace kavrel::testing_support
