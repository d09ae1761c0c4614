// The console's command line, built on CLI11:
//   kavrel COMMAND [OPTIONS] ...
//   kavrel --help | --version
//
// Each command lives in its own file and is described by a ConsoleCommand:
// its synopsis and help paragraph for the usage text, and a function that adds
// its CLI11 subcommand and options. The list of commands is in commands.cpp;
// adding a command means adding its file and one line there.
#pragma once

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kavrel::console {

inline constexpr int kUsageExitCode = 64;

// Where a chosen command writes: `err` takes messages and the status line
// (drawn only when `errIsTerminal`), `out` diagnostic lines and listings.
struct ConsoleStreams {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool errIsTerminal = false;
};

// What a command does once its line is parsed; returns the exit status.
using CommandAction = std::function<int(const ConsoleStreams&)>;

// A usage error a command finds in its parsed line (a missing or doubled
// argument, a value out of range); `what()` is the one-line reason, without a
// line end, as "kavrel: <reason>" shows it.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Called once the parse has chosen the command and found no argument it does
// not know: checks what CLI11 cannot and returns the action, or throws
// UsageError.
using CommandFinisher = std::function<CommandAction()>;

struct ConsoleCommand {
  std::string name;  // the word that chooses the command, e.g. "check"
  // The synopsis, one string per line of the usage text, without the leading
  // "kavrel ", e.g. "check MODEL.inp". A line starting with a blank continues
  // the one before it.
  std::vector<std::string> synopsis;
  // The paragraph --help shows: lines indented by two blanks, each ending with
  // a line end.
  std::string help;
  // Adds the command's options and positional arguments to its subcommand.
  std::function<CommandFinisher(CLI::App& subcommand)> add;
};

// Every command, in the order the usage text lists them (commands.cpp).
std::vector<ConsoleCommand> ConsoleCommands();

enum class LineKind { Help, Version, Command, Invalid };

struct CommandLine {
  LineKind kind = LineKind::Invalid;
  std::string command;   // the chosen command's name (Command)
  CommandAction action;  // what it does (Command)
  std::string error;     // why the line is Invalid, one line without a line end
};

// `args` excludes the program name. "help" as the command, or "--help" / "-h"
// anywhere, asks for the usage text.
CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const std::vector<ConsoleCommand>& commands = ConsoleCommands());

// The usage text of `commands`, ending with a line end.
std::string UsageText(const std::vector<ConsoleCommand>& commands = ConsoleCommands());

}  // namespace kavrel::console
