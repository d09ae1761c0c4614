// Parsing of the console's command line into one command with its options,
// and the usage text; nothing here touches a model or a file.
#include "shell/console/command_line.h"

namespace kavrel::console {

namespace {

CommandLine Invalid(std::string why) {
  CommandLine line;
  line.command = Command::Invalid;
  line.error = std::move(why);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return Invalid("no command given");
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    CommandLine line;
    line.command = Command::Help;
    return line;
  }
  if (first == "--version") {
    CommandLine line;
    line.command = Command::Version;
    return line;
  }

  CommandLine line;
  if (first == "check") {
    line.command = Command::Check;
  } else if (first == "run") {
    line.command = Command::Run;
  } else {
    return Invalid("unknown command '" + first + "'");
  }

  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (a == "--help" || a == "-h")) {
      CommandLine help;
      help.command = Command::Help;
      return help;
    } else if (!optionsEnded && line.command == Command::Run && a == "--quiet") {
      line.quiet = true;
    } else if (!optionsEnded && line.command == Command::Run && a == "--static-stresses") {
      line.staticStresses = true;
    } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
      return Invalid("unknown option '" + a + "' for " + first);
    } else if (line.modelPath.empty()) {
      line.modelPath = a;
    } else {
      return Invalid("more than one model file given");
    }
  }
  if (line.modelPath.empty()) return Invalid("missing model file (MODEL.inp)");
  return line;
}

std::string UsageText() {
  return "usage: kavrel check MODEL.inp\n"
         "       kavrel run [--quiet] [--static-stresses] MODEL.inp\n"
         "       kavrel --help | --version\n"
         "\n"
         "  check   read and validate the model, write its step code files (MODEL_StepN.chr)\n"
         "          and the input echo log (MODEL.out)\n"
         "  run     check, then run the analysis: the log MODEL.out and the result files\n"
         "          MODEL.f1, MODEL.f2, ... next to the input\n"
         "  --quiet            no status line and no diagnostic lines on standard output\n"
         "  --static-stresses  load the seams' pre-calculated static stresses (MODEL.sms)\n"
         "\n"
         "Exit status: 0 success; 1-13 a model the reader refused; 1, 2, 3 or 5 a fatal error\n"
         "during the run; 130 interrupted (Ctrl-C); 64 a usage error.\n";
}

}  // namespace kavrel::console
