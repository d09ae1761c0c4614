// The console's pieces in process: command line, input names, message and
// progress sinks.
#include "shell/console/console_sinks.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(c.command, Command::Check);
  EXPECT_EQ(c.modelPath, "m.inp");

  c = ParseCommandLine({"run", "--quiet", "--static-stresses", "dir/m.inp"});
  EXPECT_EQ(c.command, Command::Run);
  EXPECT_TRUE(c.quiet);
  EXPECT_TRUE(c.staticStresses);
  EXPECT_EQ(c.modelPath, "dir/m.inp");

  c = ParseCommandLine({"run", "m.inp", "--quiet"});
  EXPECT_EQ(c.command, Command::Run);
  EXPECT_TRUE(c.quiet);
  EXPECT_FALSE(c.staticStresses);

  // A model whose name starts with a dash, after "--".
  c = ParseCommandLine({"run", "--", "-odd.inp"});
  EXPECT_EQ(c.command, Command::Run);
  EXPECT_EQ(c.modelPath, "-odd.inp");

  EXPECT_EQ(ParseCommandLine({"--help"}).command, Command::Help);
  EXPECT_EQ(ParseCommandLine({"run", "--help"}).command, Command::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).command, Command::Version);
}

TEST(CommandLine, RefusesWhatItDoesNotKnow) {
  EXPECT_EQ(ParseCommandLine({}).command, Command::Invalid);
  EXPECT_EQ(ParseCommandLine({"solve", "m.inp"}).command, Command::Invalid);
  EXPECT_EQ(ParseCommandLine({"check"}).command, Command::Invalid);
  EXPECT_EQ(ParseCommandLine({"run", "--quiet"}).command, Command::Invalid);
  EXPECT_EQ(ParseCommandLine({"run", "--fast", "m.inp"}).command, Command::Invalid);
  EXPECT_EQ(ParseCommandLine({"check", "--quiet", "m.inp"}).command, Command::Invalid);
  EXPECT_EQ(ParseCommandLine({"check", "a.inp", "b.inp"}).command, Command::Invalid);
  EXPECT_NE(ParseCommandLine({"check"}).error.find("missing model file"), std::string::npos);
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
  EXPECT_EQ(errText.rfind("kavrel: unknown command 'bogus'\nusage: kavrel check MODEL.inp\n", 0),
            0u)
      << errText;
  std::fclose(err);
  std::fclose(out);
}

}  // namespace
