// The console's command line:
//   kavrel check MODEL.inp
//   kavrel run [--quiet] [--static-stresses] MODEL.inp
//   kavrel --help | --version
#pragma once

#include <string>
#include <vector>

namespace kavrel::console {

inline constexpr int kUsageExitCode = 64;

enum class Command { Help, Version, Check, Run, Invalid };

struct CommandLine {
  Command command = Command::Invalid;
  bool quiet = false;
  bool staticStresses = false;
  std::string modelPath;
  std::string error;  // why the line is Invalid, one line without a line end
};

// `args` excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, ending with a line end.
std::string UsageText();

}  // namespace kavrel::console
