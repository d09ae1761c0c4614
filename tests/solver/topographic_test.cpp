// Checks of the topographic stage: a flat surface at the datum gives the
// uniform overburden of each seam's depth below it, a hill loads the seams
// beneath it, the saved .tpo file is read back by the next run, a rejected
// .tpo file leaves the seams with the overburden of a flat surface, and the
// topographic SOR against hand-worked sweeps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "support/kavrel_runs.h"
#include "support/recording_sinks.h"
#include "support/scratch_files.h"

namespace kavrel {
namespace {

namespace fs = std::filesystem;

using testing_support::CopyExample;
using testing_support::ReadFile;
using testing_support::RecordingMessages;
using testing_support::RecordingProgress;
using testing_support::RunQuiet;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

class Topography : public ::testing::Test {
 protected:
  static constexpr int kN = 6;

  void SetUp() override {
    dir_ = ScratchFolder();
    Configure(m_);
  }

  // Two seams of 6 x 6 elements 20 wide, 300 and 350 below the surface, under
  // a 6 x 6 topographic grid of the same blocks whose datum lies 300 above
  // seam 1.
  void Configure(CModelDat& m) {
    m.SetMessages(&messages_);
    m.SetProgress(&progress_);
    m.inputFolder = dir_.string() + "/";
    m.inputFileTitle = "hill";
    m.stressUnit = "psi";
    m.seamCount = 2;
    m.nx = m.ny = kN;
    m.elementWidth = 20;
    m.seamZ[1] = -300;
    m.seamZ[2] = -350;
    m.stressGradient = 1.1;
    m.elasticModulus = 1e6;
    m.layerPlateFactor = 28.867513;
    m.overRelaxation = 1.5;
    m.stressConvergence = 1e-9;
    m.maxIterations = 5000;
    m.topographicStress = 1;
    m.overburdenStress.Allocate(1, 2, 1, kN, 1, kN);
    m.overburdenStress.Fill(std::numeric_limits<double>::quiet_NaN());
  }

  void WriteTop(const std::vector<double>& heights) {
    std::ofstream out(dir_ / "hill.top", std::ios::binary);
    out << "  1,  36,        20,   6,   6,            0,            0,          300\n"
        << "  1, Surface Height\n  1, ft\n";
    for (double h : heights) out << h << "\n";
  }

  std::string Run(CModelDat& m) {
    const fs::path logPath = dir_ / "hill.out";
    RunLog log = RunLog::Open(logPath.string(), "a");
    EXPECT_TRUE(log);
    m.TopographicStresses(log);
    log.Close();
    return ReadFile(logPath);
  }

  fs::path dir_;
  CModelDat m_;
  RecordingMessages messages_;
  RecordingProgress progress_;
};

TEST_F(Topography, FlatSurfaceAtTheDatumGivesUniformOverburdenThenIsReadBack) {
  WriteTop(std::vector<double>(kN * kN, 300.0));
  const std::string log = Run(m_);
  // Seam 1 is 300 below the datum, seam 2 350: 1.1 * 300 and 1.1 * 350.
  for (int i = 1; i <= kN; ++i)
    for (int j = 1; j <= kN; ++j) {
      EXPECT_DOUBLE_EQ(m_.overburdenStress[1][i][j], 330.0);
      EXPECT_DOUBLE_EQ(m_.overburdenStress[2][i][j], 385.0);
    }
  EXPECT_TRUE(messages_.boxes.empty());
  EXPECT_NE(log.find("Entering Topographic SOR\n\n  TOPOGRAPHIC GRID DETAILS\n"), std::string::npos);
  // The first sweep changes nothing, so the count shown is 2.
  EXPECT_NE(log.find("Topographic SOR took 2 iterations to converge\n\n"), std::string::npos);
  EXPECT_NE(log.find("Propogating the topo. disp. to seam 1 stresses\n\n"
                     "Propogating the topo. disp. to seam 2 stresses\n\n"
                     "Saving Pre-Calculated Topographic Stresses\n\n"),
            std::string::npos);
  EXPECT_EQ(messages_.console,
            "Reading the topographic input file\n\n"
            "Propogating the topo. disp. to seam 1 stresses\n\n"
            "Propogating the topo. disp. to seam 2 stresses\n\n");
  const std::vector<std::string> phases = {
      "Calculating Topographic Stresses", "Propogating Topographic Stress to Seam 1",
      "Propogating Topographic Stress to Seam 2", "Saving Pre-Calculated Topographic Stresses"};
  EXPECT_EQ(progress_.phases, phases);
  EXPECT_FALSE(m_.topoLoad);
  EXPECT_FALSE(m_.topoDisplacement);
  ASSERT_TRUE(fs::exists(dir_ / "hill.tpo"));

  // The next run finds the saved stresses and reads them instead.
  CModelDat next;
  Configure(next);
  progress_.phases.clear();
  messages_.console.clear();
  const std::string log2 = Run(next);
  EXPECT_EQ(log2.substr(log.size()), "Reading Pre-Calculated Topographic Stresses\n\n");
  EXPECT_EQ(progress_.phases, std::vector<std::string>{"Reading Pre-Calculated Topo Stresses"});
  EXPECT_EQ(messages_.console, "Reading the topographic stress file\n\n");
  for (int i = 1; i <= kN; ++i)
    for (int j = 1; j <= kN; ++j) {
      EXPECT_EQ(next.overburdenStress[1][i][j], 330.0);
      EXPECT_EQ(next.overburdenStress[2][i][j], 385.0);
    }
}

TEST_F(Topography, HillLoadsTheSeamsBeneathItAndReadsBackIdentically) {
  std::vector<double> heights(kN * kN, 300.0);
  heights[2 * kN + 2] = heights[2 * kN + 3] = heights[3 * kN + 2] = heights[3 * kN + 3] = 360.0;
  WriteTop(heights);
  Run(m_);
  // Under the hill the seams carry more than the flat-surface overburden,
  // and symmetrically so.
  EXPECT_GT(m_.overburdenStress[1][3][3], 330.0 + 0.1);
  EXPECT_GT(m_.overburdenStress[2][3][3], 385.0 + 0.05);
  EXPECT_NEAR(m_.overburdenStress[1][3][3], m_.overburdenStress[1][4][4], 1e-9);
  EXPECT_NEAR(m_.overburdenStress[1][3][4], m_.overburdenStress[1][4][3], 1e-9);
  // The deeper seam sees a wider, flatter bump.
  EXPECT_LT(m_.overburdenStress[2][3][3] - 385.0, m_.overburdenStress[1][3][3] - 330.0);

  CModelDat next;
  Configure(next);
  Run(next);
  for (int s = 1; s <= 2; ++s)
    for (int i = 1; i <= kN; ++i)
      for (int j = 1; j <= kN; ++j) {
        // The computing run went on with the stresses as saved (five
        // significant digits, single precision), so the reading run has the
        // very same ones.
        EXPECT_EQ(next.overburdenStress[s][i][j], m_.overburdenStress[s][i][j]) << s << i << j;
      }
}

TEST_F(Topography, RejectedTopoStressFileFallsBackToFlatOverburden) {
  // A .tpo of a 2 x 18 grid (the same block count) cannot serve a 6 x 6 seam.
  WriteFile(dir_ / "hill.tpo",
            "  1,      36,           20,   2,  18,            0,            0,         -300\n");
  const std::string log = Run(m_);
  ASSERT_EQ(messages_.boxes.size(), 1u);
  EXPECT_EQ(messages_.boxes[0], "Incorrect Data Amount in the Topographic Stress File - RTS2c\n");
  for (int i = 1; i <= kN; ++i)
    for (int j = 1; j <= kN; ++j) {
      EXPECT_EQ(m_.overburdenStress[1][i][j], 300 * 1.1);
      EXPECT_EQ(m_.overburdenStress[2][i][j], 350 * 1.1);
    }
  EXPECT_EQ(log,
            "Reading Pre-Calculated Topographic Stresses\n\n"
            "Topographic Stress File Rejected - Uniform Overburden Stresses Used\n\n");
}

TEST_F(Topography, TruncatedTopoStressFileFallsBackToFlatOverburden) {
  // Values already stored from the lines before the break are replaced too.
  WriteFile(dir_ / "hill.tpo",
            "  1,      36,           20,   6,   6,            0,            0,         -300\n"
            "  2,a,b\n  2,psi,psi\n  999, 999\n  999, 999\n");
  Run(m_);
  EXPECT_EQ(messages_.boxes.at(0), "Read an empty line in the Topographic Stress File - RTS4a");
  EXPECT_EQ(m_.overburdenStress[1][1][1], 300 * 1.1);
  EXPECT_EQ(m_.overburdenStress[2][1][2], 350 * 1.1);
}

TEST_F(Topography, MissingSurfaceGridEndsTheRun) {
  try {
    Run(m_);
    FAIL() << "expected the run to end";
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.exitCode(), 1);
  }
  ASSERT_EQ(messages_.boxes.size(), 1u);
  EXPECT_EQ(messages_.boxes[0], "Error in Opening Topographic Input File - RTI1a\n");
  EXPECT_FALSE(fs::exists(dir_ / "hill.tpo"));
}

// ---- the topographic SOR ---------------------------------------------------------

TEST_F(Topography, SingleBlockSettlesAfterTwoGaussSeidelSweeps) {
  // One block, omega = 1: the first sweep sets u = -C q with
  // C = 2 / (lambda E) * w^2 / 4 = 2 / (50 * 1e6) * 100 / 4 = 1e-6; the second
  // changes nothing. Sweeps run: 2; the log shows 3.
  m_.layerPlateFactor = 50;
  m_.overRelaxation = 1;
  DMatrix u(0, 2, 0, 2);
  u.Fill(0);
  DMatrix load(1, 1, 1, 1);
  load[1][1] = 2;
  const fs::path logPath = dir_ / "sor.out";
  RunLog log = RunLog::Open(logPath.string(), "w");
  ASSERT_TRUE(log);
  EXPECT_EQ(m_.TopographicSor(u, 1, 1, 10, load, log), 2);
  log.Close();
  EXPECT_NEAR(u[1][1], -2e-6, 1e-20);
  EXPECT_EQ(u[0][1], 0.0);
  EXPECT_EQ(u[2][1], 0.0);
  EXPECT_EQ(ReadFile(logPath), "Topographic SOR took 3 iterations to converge\n\n");
}

TEST_F(Topography, IterationLimitIsNotAnError) {
  // A 10 x 10 Gauss-Seidel solve with a zero tolerance cannot finish in 100
  // sweeps: the loop just stops, with the 100th-sweep report in the log.
  m_.overRelaxation = 1;
  m_.stressConvergence = 0;
  m_.maxIterations = 100;
  DMatrix u(0, 11, 0, 11);
  u.Fill(0);
  DMatrix load(1, 10, 1, 10);
  load.Fill(1);
  const fs::path logPath = dir_ / "sor.out";
  RunLog log = RunLog::Open(logPath.string(), "w");
  ASSERT_TRUE(log);
  EXPECT_EQ(m_.TopographicSor(u, 10, 10, 20, load, log), 100);
  log.Close();
  EXPECT_TRUE(messages_.boxes.empty());
  const std::string text = ReadFile(logPath);
  EXPECT_EQ(text.rfind("iteration number = 100, maximum displacement = ", 0), 0u);
  EXPECT_NE(text.find("\nX grid location = "), std::string::npos);
  EXPECT_NE(text.find("Topographic SOR took 101 iterations to converge\n\n"), std::string::npos);
  // The load pushes the plane one way everywhere, the centre most.
  EXPECT_LT(u[5][5], u[1][1]);
  EXPECT_LT(u[1][1], 0.0);
}

// ---- through the command line ----------------------------------------------------

// A fresh folder for the running test holding the hill example and its
// surface grid.
fs::path HillFolder() {
  const fs::path dir = ScratchFolder();
  for (const char* f : {"hill.inp", "hill.top"}) CopyExample(dir, f);
  return dir;
}

TEST(TopographyRun, SecondRunReadsTheSavedStressesAndRepeatsTheResults) {
  const fs::path dir = HillFolder();

  ASSERT_EQ(RunQuiet(dir / "hill.inp"), 0) << ReadFile(dir / "console.txt");
  ASSERT_TRUE(fs::exists(dir / "hill.tpo"));
  const std::string firstLog = ReadFile(dir / "hill.out");
  EXPECT_NE(firstLog.find("Entering Topographic SOR\n\n"), std::string::npos);
  EXPECT_EQ(firstLog.find("Reading Pre-Calculated Topographic Stresses"), std::string::npos);
  const std::string firstResults = ReadFile(dir / "hill.f1");

  ASSERT_EQ(RunQuiet(dir / "hill.inp"), 0) << ReadFile(dir / "console.txt");
  // Each run starts its log afresh with the input echo.
  const std::string secondLog = ReadFile(dir / "hill.out");
  EXPECT_NE(secondLog.find("\nReading Pre-Calculated Topographic Stresses\n\n"),
            std::string::npos);
  EXPECT_EQ(secondLog.find("Entering Topographic SOR"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "hill.f1"), firstResults);
}

TEST(TopographyRun, StaleStressFileOfAnotherGridRunsOnFlatOverburden) {
  const fs::path dir = HillFolder();
  WriteFile(dir / "hill.tpo",
            "  1,     400,           10,  20,  20,            0,            0,         -200\n");
  ASSERT_EQ(RunQuiet(dir / "hill.inp"), 0) << ReadFile(dir / "console.txt");
  EXPECT_NE(ReadFile(dir / "hill.out")
                .find("Reading Pre-Calculated Topographic Stresses\n\n"
                      "Topographic Stress File Rejected - Uniform Overburden Stresses Used\n\n"),
            std::string::npos);
  // Overburden column: the flat-ground 25 kPa/m x 200 m in every element.
  std::istringstream in(ReadFile(dir / "hill.f1"));
  std::string line;
  int lineNo = 0, checked = 0;
  while (std::getline(in, line)) {
    if (++lineNo <= 3) continue;
    std::istringstream cells(line);
    std::string cell;
    for (int k = 0; k < 3; ++k) std::getline(cells, cell, ',');
    EXPECT_EQ(std::stod(cell), 5e6) << lineNo;
    ++checked;
  }
  EXPECT_EQ(checked, 2 * 1600);
}

}  // namespace
}  // namespace kavrel
