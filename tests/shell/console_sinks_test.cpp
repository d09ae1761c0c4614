// The console's pieces in process: command line, input names, message and
// progress sinks.
#include "shell/console/console_sinks.h"

#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "shell/console/command_line.h"
#include "shell/console/front_end.h"
#include "support/scratch_files.h"

using namespace kavrel::console;

namespace {

using kavrel::testing_support::ReadStream;

TEST(CommandLine, AcceptsTheCommandsAndOptions) {
  CommandLine c = ParseCommandLine({"check", "m.inp"});
  EXPECT_EQ(c.kind, LineKind::Command);
  EXPECT_EQ(c.command, "check");
  EXPECT_TRUE(c.action);

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"run", "--quiet", "--static-stresses", "dir/m.inp"},
        {"run", "m.inp", "--quiet"},
        // A model whose name starts with a dash, after "--".
        {"run", "--", "-odd.inp"}}) {
    c = ParseCommandLine(args);
    EXPECT_EQ(c.kind, LineKind::Command) << c.error;
    EXPECT_EQ(c.command, "run");
  }

  EXPECT_EQ(ParseCommandLine({"--help"}).kind, LineKind::Help);
  EXPECT_EQ(ParseCommandLine({"help"}).kind, LineKind::Help);
  EXPECT_EQ(ParseCommandLine({"run", "--help"}).kind, LineKind::Help);
  EXPECT_EQ(ParseCommandLine({"check", "-h"}).kind, LineKind::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).kind, LineKind::Version);
}

TEST(CommandLine, RefusesWhatItDoesNotKnowNamingIt) {
  const auto error = [](const std::vector<std::string>& args) {
    const CommandLine c = ParseCommandLine(args);
    EXPECT_EQ(c.kind, LineKind::Invalid);
    return c.error;
  };
  EXPECT_EQ(error({}), "no command given");
  EXPECT_EQ(error({"solve", "m.inp"}), "unknown command 'solve'");
  EXPECT_EQ(error({"--fast"}), "unknown option '--fast'");
  EXPECT_EQ(error({"check"}), "missing model file (MODEL.inp)");
  EXPECT_EQ(error({"run", "--quiet"}), "missing model file (MODEL.inp)");
  EXPECT_EQ(error({"run", "--fast", "m.inp"}), "unknown option '--fast' for run");
  EXPECT_EQ(error({"run", "--fast"}), "unknown option '--fast' for run");
  EXPECT_EQ(error({"check", "--quiet", "m.inp"}), "unknown option '--quiet' for check");
  EXPECT_EQ(error({"check", "a.inp", "b.inp"}), "more than one model file given");
}

TEST(CommandLine, UsageTextListsEveryCommandOnce) {
  // Two made-up commands: the synopsis lines in order, a continuation line
  // indented under the first, each help paragraph, the common last lines.
  std::vector<ConsoleCommand> commands(2);
  commands[0].name = "one";
  commands[0].synopsis = {"one A", "     [B]"};
  commands[0].help = "  one  first\n";
  commands[1].name = "two";
  commands[1].synopsis = {"two"};
  commands[1].help = "  two  second\n";
  const std::string text = UsageText(commands);
  EXPECT_EQ(text.substr(0, text.find("\n\n") + 2),
            "usage: kavrel one A\n"
            "            [B]\n"
            "       kavrel two\n"
            "       kavrel --help | --version\n\n");
  EXPECT_NE(text.find("\n\n  one  first\n  two  second\n\nExit status: "), std::string::npos);

  // Each command's subcommand gets its own options only.
  bool flag = false;
  commands[0].add = [&flag](CLI::App& sub) -> CommandFinisher {
    sub.add_flag("--flag", flag);
    return [] { return CommandAction([](const ConsoleStreams&) { return 7; }); };
  };
  commands[1].add = [](CLI::App&) -> CommandFinisher {
    return []() -> CommandAction { throw UsageError("two refuses"); };
  };
  const CommandLine one = ParseCommandLine({"one", "--flag"}, commands);
  ASSERT_EQ(one.kind, LineKind::Command);
  EXPECT_TRUE(flag);
  EXPECT_EQ(one.action(ConsoleStreams{}), 7);
  EXPECT_EQ(ParseCommandLine({"two", "--flag"}, commands).error, "unknown option '--flag' for two");
  EXPECT_EQ(ParseCommandLine({"two"}, commands).error, "two refuses");
}

TEST(InputNames, FolderEndsWithSlashAndTitleDropsTheExtension) {
  InputNames n = SplitInputPath("models/deep/panel.inp");
  EXPECT_EQ(n.pathName, "models/deep/panel.inp");
  EXPECT_EQ(n.folder, "models/deep/");
  EXPECT_EQ(n.fileName, "panel.inp");
  EXPECT_EQ(n.title, "panel");

  n = SplitInputPath("panel.inp");
  EXPECT_EQ(n.folder, "./");
  EXPECT_EQ(n.fileName, "panel.inp");
  EXPECT_EQ(n.title, "panel");

  n = SplitInputPath("/abs/v1.2.model.inp");
  EXPECT_EQ(n.folder, "/abs/");
  EXPECT_EQ(n.title, "v1.2.model");

  n = SplitInputPath("dir.d/noext");
  EXPECT_EQ(n.folder, "dir.d/");
  EXPECT_EQ(n.title, "noext");
}

TEST(MessageSink, OneLinePerBoxOnStandardError) {
  std::FILE* err = std::tmpfile();
  std::FILE* out = std::tmpfile();
  ASSERT_TRUE(err && out);
  ConsoleMessageSink sink(err, out, nullptr, true);
  sink.ShowMessage("Error in Opening Output File - M1\n");
  sink.ShowMessage("The Input File was Successfully Read");
  sink.ShowMessage("Two line ends\n\n");
  sink.ShowMessage("Windows line end\r\n");
  sink.WriteDiagnostic("i = 3, j = 4, integer code = 52\n");
  EXPECT_EQ(ReadStream(err),
            "Error in Opening Output File - M1\n"
            "The Input File was Successfully Read\n"
            "Two line ends\n"
            "Windows line end\n");
  EXPECT_EQ(ReadStream(out), "i = 3, j = 4, integer code = 52\n");
  std::fclose(err);
  std::fclose(out);
}

TEST(MessageSink, QuietDropsDiagnosticsButNotMessages) {
  std::FILE* err = std::tmpfile();
  std::FILE* out = std::tmpfile();
  ASSERT_TRUE(err && out);
  ConsoleMessageSink sink(err, out, nullptr, false);
  sink.WriteDiagnostic("Material Strain Greater Than 1 in Element Stress Routine - ES1a\n");
  sink.ShowMessage("Maximum Number of Iterations Reached - SOR1");
  EXPECT_EQ(ReadStream(out), "");
  EXPECT_EQ(ReadStream(err), "Maximum Number of Iterations Reached - SOR1\n");
  std::fclose(err);
  std::fclose(out);
}

TEST(ProgressSink, StatusTextCarriesTheReportedValues) {
  ConsoleProgressSink sink(nullptr);
  sink.SetStepCount(5);
  sink.SetStep(2);
  sink.OpenSeamPanel();
  sink.SetPrimarySeam(1);
  sink.SetSecondarySeam(2);
  sink.SetLevel(1);
  sink.SetPhase("Calculating Multi-Seam Stresses, Seam 1 -> 2");
  sink.ShowElapsed(42);
  EXPECT_EQ(sink.StatusText(),
            "Step 2/5  seam 1->2  level 1  42s  Calculating Multi-Seam Stresses, Seam 1 -> 2");

  sink.SetSecondarySeam(0);
  sink.OpenSolverPanel();
  sink.ShowIteration(1200, 0.001f);
  EXPECT_EQ(sink.StatusText(),
            "Step 2/5  seam 1  level 1  iter 1200 max 0.001000000  42s  "
            "Calculating Multi-Seam Stresses, Seam 1 -> 2");
  sink.CloseSolverPanel();
  sink.CloseSeamPanel();
  sink.SetPhase("Finished");
  EXPECT_EQ(sink.StatusText(), "Step 2/5  42s  Finished");
}

TEST(ProgressSink, StatusLineIsRedrawnInPlaceAndErased) {
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(err);
  {
    StatusLine line(err, true);
    line.Show("Step 1/1  Initializing Data  0s");
    line.Show("Step 1/1  Initializing Data  0s");  // unchanged: not redrawn
    line.Show("Step 1/1  Finished  3s");
  }  // the line is erased when the front end is done with it
  EXPECT_EQ(ReadStream(err),
            "\rStep 1/1  Initializing Data  0s\x1b[K"
            "\rStep 1/1  Finished  3s\x1b[K"
            "\r\x1b[K");
  std::fclose(err);
}

TEST(ProgressSink, DisabledStatusLineWritesNothing) {
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(err);
  StatusLine line(err, false);
  ConsoleProgressSink sink(&line);
  sink.SetPhase("Initializing Data");
  sink.ShowElapsed(1);
  line.Clear();
  EXPECT_EQ(ReadStream(err), "");
  std::fclose(err);
}

TEST(ProgressSink, InterruptStopsTheRunAtTheNextReport) {
  ConsoleProgressSink sink(nullptr);
  SetInterruptRequested(false);
  EXPECT_NO_THROW(sink.ShowElapsed(1));
  SetInterruptRequested(true);
  try {
    sink.ShowElapsed(2);
    FAIL() << "no stop at the report";
  } catch (const kavrel::FatalExit& e) {
    EXPECT_EQ(e.exitCode(), 130);
    EXPECT_EQ(e.consoleText(), "Run interrupted by the user\n");
  }
  // Any report stops it, not only the elapsed time.
  EXPECT_THROW(sink.ShowIteration(100, 0.5f), kavrel::FatalExit);
  SetInterruptRequested(false);
}

TEST(FrontEnd, VersionHelpAndUsageErrors) {
  std::FILE* err = std::tmpfile();
  std::FILE* out = std::tmpfile();
  ASSERT_TRUE(err && out);
  EXPECT_EQ(RunCommandLine({"--version"}, out, err, false), 0);
  EXPECT_EQ(ReadStream(out), "kavrel " KAVREL_VERSION "\n");
  EXPECT_EQ(RunCommandLine({"bogus"}, out, err, false), 64);
  const std::string errText = ReadStream(err);
  EXPECT_EQ(
      errText.rfind("kavrel: unknown command 'bogus'\nusage: kavrel check [--strict] MODEL.inp\n", 0),
      0u)
      << errText;
  std::fclose(err);
  std::fclose(out);
}

}  // namespace
