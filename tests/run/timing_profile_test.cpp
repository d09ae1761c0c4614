// Profile tables of the log, byte for byte: one table per seam after a step,
// the run's stage totals and the cumulative table, and the per-step counting.
// The tables are written from the profile records alone; one test goes
// through the model's forwarders.
#include "run/timing_profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "model/model_dat.h"
#include "support/run_logs.h"

namespace kavrel {
namespace {

const std::string kRule = "-----------------------------------------------------------------------\n";
const std::string kHead = kRule +
                          "|  Detail | Solution|   SOR   |   SOR   | Surface |InterSeam|  Total  |\n"
                          "|  Level  |  Loops  |  Iters. |  Secs.  |  Secs.  |  Secs.  |  Secs.  |\n" +
                          kRule;

class TimingProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log = testing_support::TemporaryLog();
    ASSERT_TRUE(log);
  }

  std::string LogText() { return testing_support::LogText(log); }

  static void Set(SeamProfile& p, int level, int loops, int iterations, long long sor,
                  long long surface, long long interseam) {
    p.solutionLoops[level] = loops;
    p.sorIterations[level] = iterations;
    p.sorSeconds[level] = sor;
    p.surfaceSeconds[level] = surface;
    p.interseamSeconds[level] = interseam;
  }

  void FillStep() {
    Set(profile[1], 3, 1, 250, 2, 0, 1);
    Set(profile[1], 2, 2, 180, 1, 0, 3);
    Set(profile[1], 1, 1, 40, 0, 0, 0);
    Set(profile[1], 0, 3, 45, 0, 1, 0);
    Set(profile[2], 3, 1, 12, 0, 0, 0);
    Set(profile[2], 0, 1, 3, 12345678901LL, 0, 0);  // seconds are 64-bit, printed whole
  }

  static constexpr int kSeams = 2;
  SeamProfile profile[11];
  RunLog log;
};

const std::string kSeam1Rows =
    "|    3    |      1  |     250 |       2 |       0 |       1 |       3 |\n"
    "|    2    |      2  |     180 |       1 |       0 |       3 |       4 |\n"
    "|    1    |      1  |      40 |       0 |       0 |       0 |       0 |\n"
    "|    0    |      3  |      45 |       0 |       1 |       0 |       1 |\n";
const std::string kSeam1Sums =
    "                 7        515         3         1         4         8  \n\n\n";
const std::string kSeam2Rows =
    "|    3    |      1  |      12 |       0 |       0 |       0 |       0 |\n"
    "|    2    |      0  |       0 |       0 |       0 |       0 |       0 |\n"
    "|    1    |      0  |       0 |       0 |       0 |       0 |       0 |\n"
    "|    0    |      1  |       3 | 12345678901 |       0 |       0 | 12345678901 |\n";
const std::string kSeam2Sums =
    "                 2         15   12345678901         0         0   12345678901  \n\n\n";

TEST_F(TimingProfileTest, StepTableOfEverySeam) {
  FillStep();
  PrintStepProfile(4, kSeams, profile, log);
  EXPECT_EQ(LogText(), "Profile Information for Step 4\n\n"
                       "For Seam #1 --\n" + kHead + kSeam1Rows + kRule + kSeam1Sums +
                       "For Seam #2 --\n" + kHead + kSeam2Rows + kRule + kSeam2Sums);
}

TEST_F(TimingProfileTest, EachStepShowsItselfAndTheRunCountsEverySolveOnce) {
  FillStep();
  PrintStepProfile(1, kSeams, profile, log);
  // Step 2: seam 1 solves once more at level 3, seam 2 not at all.
  Set(profile[1], 3, 1, 30, 1, 0, 0);
  log = testing_support::TemporaryLog();
  ASSERT_TRUE(log);
  PrintStepProfile(2, kSeams, profile, log);
  const std::string step2 = LogText();
  const std::string seam1Step2 =
      "|    3    |      1  |      30 |       1 |       0 |       0 |       1 |\n"
      "|    2    |      0  |       0 |       0 |       0 |       0 |       0 |\n"
      "|    1    |      0  |       0 |       0 |       0 |       0 |       0 |\n"
      "|    0    |      0  |       0 |       0 |       0 |       0 |       0 |\n";
  EXPECT_EQ(step2.substr(0, step2.find("For Seam #2")),
            "Profile Information for Step 2\n\nFor Seam #1 --\n" + kHead + seam1Step2 + kRule +
                "                 1         30         1         0         0         1  \n\n\n");

  // Run record: the two steps' counts, each once.
  EXPECT_EQ(profile[0].solutionLoops[3], 3);
  EXPECT_EQ(profile[0].sorIterations[3], 292);
  EXPECT_EQ(profile[0].sorSeconds[3], 3);
  EXPECT_EQ(profile[0].solutionLoops[0], 4);
  EXPECT_EQ(profile[0].sorSeconds[0], 12345678901LL);
  EXPECT_EQ(profile[0].interseamSeconds[2], 3);
}

// Through the model's forwarders, which pass the options on.
TEST_F(TimingProfileTest, RunTableWithStageTotals) {
  CModelDat m;
  m.topographicStress = 1;
  m.offSeamCalc = 1;
  m.profile[0].topoSeconds = 17;
  m.profile[0].offSeamSeconds = 9;
  m.profile[0].staticSeconds = 5;  // logged by the run when its stage ends, not here
  Set(m.profile[0], 3, 4, 900, 10, 2, 3);
  Set(m.profile[0], 0, 2, 20, 1, 0, 0);
  m.PrintRunProfile(log);
  EXPECT_EQ(LogText(),
            "Total Time for Topographic Stress Calculations was 17 secs.\n\n"
            "Total Time for Off-Seam Displacement Calculations was 9 secs.\n\n"
            "Final Cumulative Profile Information for all Steps and Seams.\n" + kHead +
            "|    3    |      4  |     900 |      10 |       2 |       3 |      15 |\n"
            "|    2    |      0  |       0 |       0 |       0 |       0 |       0 |\n"
            "|    1    |      0  |       0 |       0 |       0 |       0 |       0 |\n"
            "|    0    |      2  |      20 |       1 |       0 |       0 |       1 |\n" + kRule +
            "                 6        920        11         2         3        16  \n\n\n");
}

TEST_F(TimingProfileTest, RunWithoutStepsPrintsATableOfZeros) {
  PrintRunProfile(profile[0], false, false, log);
  const std::string zeros = "|    %    |      0  |       0 |       0 |       0 |       0 |       0 |\n";
  std::string rows;
  for (char level : {'3', '2', '1', '0'}) {
    std::string row = zeros;
    row[5] = level;
    rows += row;
  }
  EXPECT_EQ(LogText(), "Final Cumulative Profile Information for all Steps and Seams.\n" + kHead +
                           rows + kRule +
                           "                 0          0         0         0         0         0  "
                           "\n\n\n");
}

}  // namespace
}  // namespace kavrel
