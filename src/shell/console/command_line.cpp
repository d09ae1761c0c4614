// Parsing of the console's command line into one command and its action, and
// the usage text; nothing here touches a model or a file.
//
// CLI11 parses; arguments it does not know are kept rather than refused, so
// that every usage error is reported in the program's own words (an unknown
// command or option named as the user typed it) with the usage text after it.
#include "shell/console/command_line.h"

#include <CLI/CLI.hpp>

#include <utility>

namespace kavrel::console {

namespace {

CommandLine Invalid(std::string why) {
  CommandLine line;
  line.kind = LineKind::Invalid;
  line.error = std::move(why);
  return line;
}

CommandLine Simple(LineKind kind) {
  CommandLine line;
  line.kind = kind;
  return line;
}

// The usage error for arguments left over after a parse that chose `command`
// (empty when none was chosen).
std::string LeftOverError(const std::string& command, const std::string& first) {
  const bool option = first.size() > 1 && first[0] == '-';
  if (command.empty())
    return option ? "unknown option '" + first + "'" : "unknown command '" + first + "'";
  return option ? "unknown option '" + first + "' for " + command
                : "unexpected argument '" + first + "' for " + command;
}

// The arguments the parse kept without using, less the "--" that CLI11 keeps
// among them.
std::vector<std::string> LeftOver(const CLI::App& app) {
  std::vector<std::string> left;
  for (std::string& arg : app.remaining(true))
    if (arg != "--") left.push_back(std::move(arg));
  return left;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const std::vector<ConsoleCommand>& commands) {
  if (args.empty()) return Invalid("no command given");

  CLI::App app("kavrel", "kavrel");
  // Inherited by every subcommand added below.
  app.allow_extras();
  app.set_help_flag("-h,--help");
  bool version = false;
  app.add_flag("--version", version);
  CLI::App* help = app.add_subcommand("help")->group("");
  app.require_subcommand(0, 1);

  std::vector<std::pair<CLI::App*, CommandFinisher>> added;
  for (const ConsoleCommand& command : commands) {
    CLI::App* sub = app.add_subcommand(command.name);
    added.emplace_back(sub, command.add(*sub));
  }

  try {
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return Simple(LineKind::Help);
  } catch (const CLI::ParseError& e) {
    return Invalid(e.what());
  }
  if (help->parsed()) return Simple(LineKind::Help);

  for (auto& [sub, finish] : added) {
    if (!sub->parsed()) continue;
    const std::vector<std::string> left = LeftOver(app);
    if (!left.empty()) return Invalid(LeftOverError(sub->get_name(), left.front()));
    CommandLine line;
    line.kind = LineKind::Command;
    line.command = sub->get_name();
    try {
      line.action = finish();
    } catch (const UsageError& e) {
      return Invalid(e.what());
    }
    return line;
  }
  const std::vector<std::string> left = LeftOver(app);
  if (!left.empty()) return Invalid(LeftOverError("", left.front()));
  if (version) return Simple(LineKind::Version);
  return Invalid("no command given");
}

std::string UsageText(const std::vector<ConsoleCommand>& commands) {
  std::string text;
  const auto addSynopsis = [&text](const std::string& line) {
    if (!line.empty() && line[0] == ' ') {
      text += "       " + line + "\n";
    } else {
      text += (text.empty() ? "usage: kavrel " : "       kavrel ") + line + "\n";
    }
  };
  for (const ConsoleCommand& command : commands)
    for (const std::string& line : command.synopsis) addSynopsis(line);
  addSynopsis("--help | --version");
  text += "\n";
  for (const ConsoleCommand& command : commands) text += command.help;
  text +=
      "\n"
      "Exit status: 0 success; 1-16 a model the reader refused (14 a number too large,\n"
      "15 a line longer than 1 MB, 16 more memory than the machine has); 65 warnings with\n"
      "check --strict; 1, 2, 3 or 5 a fatal error during the run; 1 a picture that cannot\n"
      "be made or an incomplete result file (plot); 130 interrupted (Ctrl-C); 64 a usage\n"
      "error.\n";
  return text;
}

}  // namespace kavrel::console
