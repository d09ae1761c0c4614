// The `kavrel` program as a user runs it: exit statuses, the texts on
// standard error and standard output, and the files written next to the model.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;

namespace {

using kavrel::testing_support::CopyExample;
using kavrel::testing_support::FileLines;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::ScratchFolder;
using kavrel::testing_support::WriteFile;

using Result = kavrel::testing_support::KavrelResult;
using kavrel::testing_support::RunKavrel;

// A small one-seam model of elastic coal with a mined-out panel, 2 steps.
std::string SmallModel(int seamCount = 1, double tolerance = 0.0001, int n = 20) {
  std::ostringstream o;
  o << "Small console test model\n"
    << "0.25,3000000,600," << seamCount << ",0,0\n"
    << "1,0,0\n"
    << "1,200000,80000,0,0,0\n"
    << "240," << n << "," << n << ",0.0916667\n";
  for (int s = 1; s <= seamCount; ++s) o << "0,0," << -12000 - 1200 * (s - 1) << ",72\n";
  o << "1.5," << tolerance << ",100000,1,2,0,0,0,0,0,0,0,0,0\n"
    << "1,1,1,1\n";
  for (int t = 1; t <= 2; ++t)
    for (int s = 1; s <= seamCount; ++s)
      for (int y = n; y >= 1; --y) {
        for (int x = 1; x <= n; ++x) {
          const bool panel = x > n / 4 && x <= n * 3 / 4 && y > n / 4 && y <= (t == 1 ? n / 2 : n * 3 / 4);
          o << (panel ? '1' : 'A');
        }
        o << "\n";
      }
  return o.str();
}

TEST(KavrelCli, VersionAndHelpExitZero) {
  const fs::path dir = ScratchFolder();
  Result r = RunKavrel(dir, "--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "kavrel " KAVREL_VERSION "\n");
  EXPECT_EQ(r.err, "");

  r = RunKavrel(dir, "--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: kavrel check [--strict] MODEL.inp\n", 0), 0u);
  EXPECT_EQ(r.err, "");
}

TEST(KavrelCli, UsageErrorsExit64WithUsageOnStandardError) {
  const fs::path dir = ScratchFolder();
  for (const char* args : {"", "frobnicate model.inp", "check", "run --quiet", "run --bogus m.inp"}) {
    const Result r = RunKavrel(dir, args);
    EXPECT_EQ(r.status, 64) << args;
    EXPECT_NE(r.err.find("usage: kavrel check [--strict] MODEL.inp\n"), std::string::npos) << args;
    EXPECT_EQ(r.out, "") << args;
  }
}

TEST(KavrelCli, CheckWritesTheEchoAndTheCodeFiles) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "panel.inp");
  const Result r = RunKavrel(dir, "check panel.inp");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "The Input File was Successfully Read\n");
  ASSERT_TRUE(fs::exists(dir / "panel.out"));
  EXPECT_GT(fs::file_size(dir / "panel.out"), 0u);
  EXPECT_TRUE(fs::exists(dir / "panel_Step1.chr"));
  // Nothing of a run.
  EXPECT_FALSE(fs::exists(dir / "panel.f1"));
}

TEST(KavrelCli, CheckFindsTheModelThroughAFolderPath) {
  const fs::path dir = ScratchFolder();
  fs::create_directories(dir / "models");
  WriteFile(dir / "models" / "small.inp", SmallModel());
  const Result r = RunKavrel(dir, "check models/small.inp");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "models" / "small.out"));
  EXPECT_TRUE(fs::exists(dir / "models" / "small_Step1.chr"));
  EXPECT_TRUE(fs::exists(dir / "models" / "small_Step2.chr"));
  EXPECT_FALSE(fs::exists(dir / "small.out"));
  // A code file holds one row of nx codes per line, seam by seam: 20 lines.
  const auto lines = FileLines(dir / "models" / "small_Step1.chr");
  for (const std::string& line : lines) EXPECT_EQ(line.size(), 20u);
  EXPECT_EQ(lines.size(), 20u);
}

TEST(KavrelCli, CheckReportsTheReadersFailureAndItsCode) {
  const fs::path dir = ScratchFolder();
  // A missing file: the reader's own message, the path and the system's
  // reason, then the Open command's message.
  Result r = RunKavrel(dir, "check missing.inp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Error in Opening Input File - RI1a\n"
            "kavrel: missing.inp: No such file or directory\n"
            "The Input File was not the Correct Format - OFO1\n");
  EXPECT_EQ(r.out, "");

  // Eleven seams.
  std::string text = SmallModel();
  text.replace(text.find("0.25,3000000,600,1,"), 19, "0.25,3000000,600,11,");
  WriteFile(dir / "eleven.inp", text);
  r = RunKavrel(dir, "check eleven.inp");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "Can Only Specify up to 10 Different Seams - RI2b\n"
            "The Input File was not the Correct Format - OFO1\n");
  EXPECT_FALSE(fs::exists(dir / "eleven.out"));
}

TEST(KavrelCli, CheckReportsAnEchoThatCannotBeWritten) {
  const fs::path dir = ScratchFolder();
  WriteFile(dir / "small.inp", SmallModel());
  // A folder where the log should be: the echo cannot create its file.
  fs::create_directories(dir / "small.out");
  const Result r = RunKavrel(dir, "check small.inp");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("The Input File was Successfully Read\n"), std::string::npos);
  const std::string tail = "Could not Write the Output File - OFO2\n";
  ASSERT_GE(r.err.size(), tail.size());
  EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail);
}

TEST(KavrelCli, RunInAPipeWritesResultsAndOnlyErrors) {
  const fs::path dir = ScratchFolder();
  WriteFile(dir / "small.inp", SmallModel());
  Result r = RunKavrel(dir, "run --quiet small.inp");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
  const std::string log = ReadFile(dir / "small.out");
  EXPECT_NE(log.find("Entering SOR - Step 2, Seam 1, Level 0\n\n"), std::string::npos);
  const std::string tail = "Total program running time was ";
  EXPECT_NE(log.rfind(tail), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 2), "\n\n");
  EXPECT_TRUE(fs::exists(dir / "small.f1"));

  // Without --quiet, in a pipe: the success box, no status line.
  r = RunKavrel(dir, "run small.inp");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "The Input File was Successfully Read\n");
}

TEST(KavrelCli, StaticStressesThatCannotBeReadStopTheRun) {
  const fs::path dir = ScratchFolder();
  WriteFile(dir / "small.inp", SmallModel());
  Result r = RunKavrel(dir, "run --quiet small.inp");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "small.out").find("Static Stresses"), std::string::npos);

  // With the option and no small.sms: the reader's message and its result
  // code, before any step is solved; the result file left by the run above
  // is named as not this run's.
  r = RunKavrel(dir, "run --quiet --static-stresses small.inp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("Error in Opening Static Stress File - RSS1a\n"
                        "kavrel: ./small.sms: No such file or directory\n",
                        0),
            0u)
      << r.err;
  EXPECT_NE(r.err.find("kavrel: ./small.f1: not written by this run (an earlier run's results)\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(dir / "small.out").find("Entering SOR"), std::string::npos);
}

TEST(KavrelCli, FatalErrorOfTheRunGivesItsExitCode) {
  const fs::path dir = ScratchFolder();
  // A tolerance that cannot be met within the iteration limit.
  std::string text = SmallModel(1, 0.0);
  text.replace(text.find(",100000,1,2,"), 12, ",150,1,2,");
  WriteFile(dir / "stuck.inp", text);
  const Result r = RunKavrel(dir, "run --quiet stuck.inp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Maximum Number of Iterations Reached - SOR1\n");
  // The log keeps the run's lines up to the failing solve.
  const std::string log = ReadFile(dir / "stuck.out");
  EXPECT_NE(log.find("Entering SOR - Step 1, Seam 1, Level 3\n\n"), std::string::npos);
  EXPECT_NE(log.find("iteration number = 100,"), std::string::npos);
}

TEST(KavrelCli, CtrlCStopsTheRunWithStatus130) {
  const fs::path dir = ScratchFolder();
  // Large and tight enough that the run is still busy when the signal comes.
  WriteFile(dir / "big.inp", SmallModel(2, 1e-9, 200));
  const fs::path log = dir / "big.out";

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (chdir(dir.c_str()) != 0) _exit(99);
    if (!freopen("stderr.txt", "w", stderr) || !freopen("stdout.txt", "w", stdout)) _exit(98);
    execl(KAVREL_CLI, KAVREL_CLI, "run", "big.inp", static_cast<char*>(nullptr));
    _exit(97);
  }
  // Wait until the run has started solving, then interrupt it.
  bool solving = false;
  for (int i = 0; i < 3000 && !solving; ++i) {
    solving = ReadFile(log).find("Entering SOR - Step 1, Seam 1, Level 3") != std::string::npos;
    if (!solving) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!solving) {
    // Leave no child running (or unreaped) behind a failed test.
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  ASSERT_TRUE(solving);
  kill(child, SIGINT);
  int raw = 0;
  ASSERT_EQ(waitpid(child, &raw, 0), child);
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 130);
  EXPECT_EQ(ReadFile(dir / "stderr.txt"),
            "The Input File was Successfully Read\nRun interrupted by the user\n");
  // The log keeps what was written, and the run wrote no results.
  EXPECT_NE(ReadFile(log).find("Entering SOR - Step 1, Seam 1, Level 3\n\n"), std::string::npos);
  EXPECT_EQ(ReadFile(log).find("Total program running time"), std::string::npos);
}

}  // namespace
