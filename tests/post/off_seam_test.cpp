// Checks of the off-seam grid: the displacement file keeps one header and one
// block per step (step 1 starts it afresh), the displacement column is in
// output units while slopes and strains are not, surface effects add each
// seam's image with reversed sign, and the stress grid is the sum of the
// kernel contributions written to the .sms file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "support/recording_sinks.h"
#include "support/scratch_files.h"

namespace kavrel {
namespace {

namespace fs = std::filesystem;

using testing_support::ReadFile;
using testing_support::RecordingMessages;
using testing_support::RecordingProgress;
using testing_support::ScratchFolder;

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Parses the five comma-separated numbers of a data line.
std::vector<double> Numbers(const std::string& line) {
  std::vector<double> v;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, ',');) v.push_back(std::stod(field));
  return v;
}

class OffSeam : public ::testing::Test {
 protected:
  static constexpr int kN = 10;

  void SetUp() override {
    dir_ = ScratchFolder();
    m_.SetMessages(&messages_);
    m_.SetProgress(&progress_);
    m_.inputFolder = dir_.string() + "/";
    m_.inputFileTitle = "panel";
    m_.staticStressFileName = m_.inputFolder + "panel.sms";
    m_.unitSystem = 1;
    m_.lengthUnit = "ft";
    m_.stressUnit = "psi";
    m_.displacementOutputFactor = 0.08333333333333333;
    m_.elasticModulus = 3e6;
    m_.layerPlateFactor = 28.867513;
    m_.stepCount = 3;

    // Two seams of 10 x 10 elements 40 wide; a closing 4 x 4 panel in seam 1
    // and a smaller one in seam 2.
    m_.seamCount = 2;
    m_.nx = m_.ny = kN;
    m_.elementWidth = 40;
    m_.seamZ[1] = -4800;
    m_.seamZ[2] = -5400;
    m_.seamX[2] = 80;
    m_.convergence.Allocate(1, 2, 0, kN + 1, 0, kN + 1);
    m_.convergence.Fill(0);
    for (int i = 4; i <= 7; ++i)
      for (int j = 4; j <= 7; ++j) m_.convergence[1][i][j] = 30;
    for (int i = 5; i <= 6; ++i)
      for (int j = 5; j <= 6; ++j) m_.convergence[2][i][j] = 20;

    // The off-seam plane 2400 above seam 1: 6 x 5 blocks 80 wide.
    m_.offSeamCalc = 1;
    m_.offSeamDisplacement = 1;
    m_.offSeamStress = 1;
    m_.offSeamNx = 6;
    m_.offSeamNy = 5;
    m_.offSeamNz = 1;
    m_.offSeamBlockCount = 30;
    m_.offSeamBlockWidth = 80;
    m_.offSeamOriginX = -40;
    m_.offSeamOriginY = 0;
    m_.offSeamOriginZ = -2400;
    for (DCube& c : m_.offSeamDisp) c.Allocate(1, 1, 1, 6, 1, 5);
    m_.offSeamStressGrid.Allocate(1, 1, 1, 6, 1, 5);
  }

  // The displacement of the plane computed directly with the remote
  // displacement operation, for comparison.
  DMatrix ExpectedDisplacement() {
    DMatrix d(1, 6, 1, 5);
    d.Fill(0);
    for (int s = 1; s <= 2; ++s) {
      m_.RemoteDisplacement(m_.convergence[s], kN, kN, 40, m_.seamX[s], m_.seamY[s], d, 6, 5, 80,
                            -40, 0, m_.seamZ[s] + 2400, 0);
      if (m_.surfaceEffects == 1)
        m_.RemoteDisplacement(m_.convergence[s], kN, kN, 40, m_.seamX[s], m_.seamY[s], d, 6, 5,
                              80, -40, 0, -m_.seamZ[s] + 2400, 1);
    }
    return d;
  }

  fs::path dir_;
  CModelDat m_;
  RecordingMessages messages_;
  RecordingProgress progress_;
};

TEST_F(OffSeam, DisplacementFileHoldsOneHeaderAndOneBlockPerStep) {
  ASSERT_EQ(m_.OffSeamDisplacements(1), 0);
  ASSERT_EQ(m_.OffSeamDisplacements(2), 0);
  ASSERT_EQ(m_.OffSeamDisplacements(3), 0);
  std::vector<std::string> lines = LinesOf(ReadFile(dir_ / "panel.of1"));
  ASSERT_EQ(lines.size(), 3u + 3 * 30);
  EXPECT_EQ(lines[0], "  3,      30,           80,   6,   5,          -40,            0");
  EXPECT_EQ(lines[1], "  5, Off-seam Displacement, X-Slope, Y-Slope, X-Strain, Y-Strain");
  EXPECT_EQ(lines[2], "  5, ft, Slope, Slope, Strain, Strain ");
  // The convergences did not change between steps: the blocks repeat.
  for (int k = 0; k < 30; ++k) {
    EXPECT_EQ(lines[3 + k], lines[33 + k]);
    EXPECT_EQ(lines[3 + k], lines[63 + k]);
  }
  EXPECT_EQ(lines[3].back(), ' ');

  // Step 1 of a new run starts the file afresh.
  ASSERT_EQ(m_.OffSeamDisplacements(1), 0);
  lines = LinesOf(ReadFile(dir_ / "panel.of1"));
  EXPECT_EQ(lines.size(), 33u);
  EXPECT_EQ(m_.offSeamFileName, m_.inputFolder + "panel.of1");
}

TEST_F(OffSeam, DisplacementInOutputUnitsSlopesAndStrainsAsComputed) {
  m_.surfaceEffects = 0;
  ASSERT_EQ(m_.OffSeamDisplacements(1), 0);
  const DMatrix expected = ExpectedDisplacement();
  const std::vector<std::string> lines = LinesOf(ReadFile(dir_ / "panel.of1"));
  int k = 3;
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 5; ++j, ++k) {
      SCOPED_TRACE(lines[k]);
      const double d = m_.offSeamDisp[0][1][i][j];
      EXPECT_EQ(d, expected[i][j]);  // the same sums in the same order
      char line[128];
      std::snprintf(line, sizeof line, "%12.5g, %12.5g, %12.5g, %12.5g, %12.5g ",
                    d * 0.08333333333333333, m_.offSeamDisp[1][1][i][j],
                    m_.offSeamDisp[2][1][i][j], m_.offSeamDisp[3][1][i][j],
                    m_.offSeamDisp[4][1][i][j]);
      EXPECT_EQ(lines[k], line);
      // The first column is the displacement in feet.
      EXPECT_NEAR(Numbers(lines[k])[0], d / 12, 5e-5 * std::fabs(d / 12));
    }
  // The plane lies above both seams (dz < 0), so it moves down: negative.
  EXPECT_LT(m_.offSeamDisp[0][1][3][3], 0.0);
  const std::vector<std::string> phases = {"Off-Seam Displacements, Seam 1 to Grid 1",
                                           "Off-Seam Displacements, Seam 2 to Grid 1"};
  EXPECT_EQ(progress_.phases, phases);
}

TEST_F(OffSeam, SurfaceEffectsAddEachImageWithReversedSign) {
  m_.surfaceEffects = 1;
  ASSERT_EQ(m_.OffSeamDisplacements(1), 0);
  const DMatrix expected = ExpectedDisplacement();
  m_.surfaceEffects = 0;
  const DMatrix direct = ExpectedDisplacement();
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 5; ++j) {
      EXPECT_EQ(m_.offSeamDisp[0][1][i][j], expected[i][j]);  // the same sums in the same order
      // The images lie on the other side of the plane and act with reversed
      // sign, so they move it the same way as the seams do: further down.
      EXPECT_LT(m_.offSeamDisp[0][1][i][j], direct[i][j]);
    }
  const std::vector<std::string> phases = {
      "Off-Seam Displacements, Seam 1 to Grid 1", "Calculating Off-Seam Disp. from Mirror Seam 1",
      "Off-Seam Displacements, Seam 2 to Grid 1", "Calculating Off-Seam Disp. from Mirror Seam 2"};
  EXPECT_EQ(progress_.phases, phases);
}

TEST_F(OffSeam, UnopenableDisplacementFileEndsTheRun) {
  m_.inputFolder = (dir_ / "missing" / "").string();
  try {
    m_.OffSeamDisplacements(1);
    FAIL() << "expected the run to end";
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.exitCode(), 1);
  }
  ASSERT_EQ(messages_.boxes.size(), 1u);
  EXPECT_EQ(messages_.boxes[0], "Error in Opening Off-Seam Displacement Output File - OSD1\n");
}

TEST_F(OffSeam, StressGridIsTheKernelSumAndGoesToTheGridFile) {
  m_.surfaceEffects = 1;
  m_.offSeamStressGrid.Fill(123);  // cleared before the sum
  ASSERT_EQ(m_.OffSeamStresses(1), 0);

  DMatrix expected(1, 6, 1, 5);
  expected.Fill(0);
  for (int s = 1; s <= 2; ++s) {
    m_.AddInfluence(m_.convergence[s], kN, kN, 40, m_.seamX[s], m_.seamY[s], expected, 6, 5, 80,
                    -40, 0, m_.seamZ[s] + 2400, 0);
    m_.AddInfluence(m_.convergence[s], kN, kN, 40, m_.seamX[s], m_.seamY[s], expected, 6, 5, 80,
                    -40, 0, -m_.seamZ[s] + 2400, 1);
  }
  double largest = 0;
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 5; ++j) {
      EXPECT_EQ(m_.offSeamStressGrid[1][i][j], expected[i][j]);
      largest = std::max(largest, std::fabs(expected[i][j]));
    }
  EXPECT_GT(largest, 0.0);

  const std::vector<std::string> phases = {
      "Off-Seam Stresses, Step 1, Seam 1 to Grid 1",
      "Calculating Off-Seam Stresses from Mirror Seam 1",
      "Off-Seam Stresses, Step 1, Seam 2 to Grid 1",
      "Calculating Off-Seam Stresses from Mirror Seam 2"};
  EXPECT_EQ(progress_.phases, phases);

  ASSERT_EQ(m_.OffSeamStresses(2), 0);
  const std::vector<std::string> lines = LinesOf(ReadFile(dir_ / "panel.sms"));
  ASSERT_EQ(lines.size(), 3u + 2 * 30);
  EXPECT_EQ(lines[0],
            "  1,      30,           80,   6,   5,          -40,            0,        -2400");
  EXPECT_EQ(lines[1], "  1,Off-Seam Stress Grid #1");
  char first[32];
  std::snprintf(first, sizeof first, "%12.5g", expected[1][1]);
  EXPECT_EQ(lines[3], first);
  EXPECT_EQ(lines[33], first);
}

}  // namespace
}  // namespace kavrel
