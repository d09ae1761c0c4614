// The console's commands, one file each (check_command.cpp, run_command.cpp,
// ...), and the helpers shared by the commands that take a model file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shell/console/command_line.h"

namespace kavrel::console {

ConsoleCommand CheckCommand();
ConsoleCommand RunCommand();
ConsoleCommand ExportCommand();
ConsoleCommand StudyCommand();
#ifdef KAVREL_HAVE_PLOT
ConsoleCommand PlotCommand();
#endif

// Adds the positional MODEL.inp to `subcommand`; the vector receives every
// positional argument given.
std::shared_ptr<std::vector<std::string>> AddModelArgument(CLI::App& subcommand);

// The one model path of `given`, or UsageError ("missing model file
// (MODEL.inp)", "more than one model file given").
std::string OneModelPath(const std::vector<std::string>& given);

}  // namespace kavrel::console
