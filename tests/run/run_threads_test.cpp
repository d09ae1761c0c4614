// Whole runs with 1, 2 and 3 threads: every file a run writes, its log with
// the clock masked, its standard output and error and its exit status are the
// same whatever the number of threads. The models: two seams with mirror
// images, the model with every option (LMS pillars, fault, off-seam grids),
// and two seams whose second stops with SOR1 in its first solve while the
// first converges (the threads must give seam 1 whole, seam 2 up to its
// failure and nothing after).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/kavrel_runs.h"
#include "support/run_logs.h"
#include "support/scratch_files.h"

namespace kavrel {
namespace {

namespace fs = std::filesystem;
using testing_support::CopyExample;
using testing_support::MaskTimes;
using testing_support::ReadFile;
using testing_support::RunKavrel;
using testing_support::ScratchFolder;
using testing_support::SplitLines;
using testing_support::WriteFile;

// Everything a run left in `dir`, by file name (logs masked).
std::map<std::string, std::string> RunWithThreads(const fs::path& dir, const std::string& model,
                                                  int threads) {
  const auto r = RunKavrel(dir, "run --threads " + std::to_string(threads) + " " + model);
  std::map<std::string, std::string> files{{"status", std::to_string(r.status)},
                                           {"stdout", r.out},
                                           {"stderr", r.err}};
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name == "stdout.txt" || name == "stderr.txt") continue;
    const std::string text = ReadFile(entry.path());
    files[name] = entry.path().extension() == ".out" ? MaskTimes(text) : text;
  }
  return files;
}

void ExpectSameForEveryThreadCount(const std::string& name, const std::string& text) {
  std::map<std::string, std::string> one;
  for (int threads = 1; threads <= 3; ++threads) {
    const fs::path dir = ScratchFolder(name + "_" + std::to_string(threads));
    WriteFile(dir / (name + ".inp"), text);
    const auto files = RunWithThreads(dir, name + ".inp", threads);
    if (threads == 1) {
      one = files;
      continue;
    }
    ASSERT_EQ(files.size(), one.size()) << name << ", " << threads << " threads";
    for (const auto& [file, content] : one)
      EXPECT_TRUE(files.at(file) == content) << name << ": " << file << " differs with " << threads
                                             << " threads";
  }
}

std::string Example(const std::string& name) {
  return ReadFile(testing_support::ExamplePath(name));
}

TEST(RunThreads, EveryFileAndTheLogAreTheSameForOneTwoAndThreeThreads) {
  ExpectSameForEveryThreadCount("two_seam", Example("two_seam.inp"));
  ExpectSameForEveryThreadCount("every_option", Example("every_option.inp"));
}

// two_seam with its seams in the other order: the panel seam, which needs 73
// sweeps in its first solve, becomes seam 2, and a limit of 50 sweeps stops it
// there while seam 1 (24 sweeps) converges.
TEST(RunThreads, ASecondSeamThatStopsWithSor1EndsTheRunAsOnOneThread) {
  std::vector<std::string> lines = SplitLines(Example("two_seam.inp"));
  std::swap(lines[7], lines[8]);
  ASSERT_EQ(lines[9].rfind("1.5,0.00002,2000,", 0), 0u);
  lines[9].replace(0, 17, "1.5,0.00002,50,");
  const std::size_t block = 40;
  for (std::size_t at = 11; at + 2 * block <= lines.size(); at += 2 * block)
    std::swap_ranges(lines.begin() + static_cast<long>(at),
                     lines.begin() + static_cast<long>(at + block),
                     lines.begin() + static_cast<long>(at + block));
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  ExpectSameForEveryThreadCount("sor1_in_seam2", text);

  const std::string log =
      ReadFile(testing_support::TestFolder() / "sor1_in_seam2_3" / "sor1_in_seam2.out");
  EXPECT_NE(log.find("Step 1, Seam 1, Level 3 - SOR took 24 iterations"), std::string::npos);
  EXPECT_EQ(log.rfind("Entering SOR - Step 1, Seam 2, Level 3"),
            log.size() - std::string("Entering SOR - Step 1, Seam 2, Level 3\n\n").size());
}

}  // namespace
}  // namespace kavrel
