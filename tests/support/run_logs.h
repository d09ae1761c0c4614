// Run logs for tests that call a routine which writes log lines: one over a
// temporary file whose text the test reads back, and a closed one for tests
// that do not look at the log.
#pragma once

#include <cstdio>
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

}  // namespace kavrel::testing_support
