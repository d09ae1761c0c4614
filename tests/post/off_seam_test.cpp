// Checks of the off-seam grid: the displacement file keeps one header and one
// block per step (step 1 starts it afresh), the displacement column is in
// output units while slopes and strains are not, surface effects add each
// seam's image with reversed sign, and the stress grid is the sum of the
// kernel contributions, which the model's operation writes to the .sms file.
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
#include "post/off_seam.h"
#include "solver/influence_kernel.h"
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

// Two seams of 10 x 10 elements 40 wide, a closing 4 x 4 panel in seam 1
// and a smaller one in seam 2, and the off-seam plane 2400 above seam 1: 6 x 5
// blocks 80 wide, in an inch-based model written in feet.
class OffSeam : public ::testing::Test {
 protected:
  static constexpr int kN = 10;

  void SetUp() override {
    dir_ = ScratchFolder();
    for (DMatrix* c : {&seam1_, &seam2_}) c->Fill(0);
    for (int i = 4; i <= 7; ++i)
      for (int j = 4; j <= 7; ++j) seam1_[i][j] = 30;
    for (int i = 5; i <= 6; ++i)
      for (int j = 5; j <= 6; ++j) seam2_[i][j] = 20;
    seams_ = {{seam1_, {kN, kN, 40, 0, 0}, -4800}, {seam2_, {kN, kN, 40, 80, 0}, -5400}};
  }

  OffSeamSources Sources() const { return {seams_, images_, 28.867513, 3e6, 1}; }
  RemoteReports Reports() { return {progress_, messages_, 0}; }
  OffSeamDisplacementGrids Grids() { return {d_[0], d_[1], d_[2], d_[3], d_[4]}; }
  void Write(int step) {
    WriteOffSeamDisplacements(Sources(), plane_, layout_, (dir_ / "panel.of1").string(), step, 1,
                              Reports(), Grids());
  }

  // The displacement of the plane summed directly, seam by seam, for comparison.
  DMatrix ExpectedDisplacement(bool images) {
    DMatrix d(1, 6, 1, 5);
    d.Fill(0);
    RecordingProgress progress;
    RecordingMessages messages;
    const RemoteReports ignored{progress, messages, 0};
    for (const SourceSeam& s : seams_) {
      SumRemoteDisplacement(s.convergence, s.grid, plane_.blocks, s.z + 2400, 0, 28.867513,
                            ignored, d);
      if (images)
        SumRemoteDisplacement(s.convergence, s.grid, plane_.blocks, -s.z + 2400, 1, 28.867513,
                              ignored, d);
    }
    return d;
  }

  fs::path dir_;
  DMatrix seam1_{0, kN + 1, 0, kN + 1}, seam2_{0, kN + 1, 0, kN + 1};
  std::vector<SourceSeam> seams_;
  bool images_ = false;
  const OffSeamPlane plane_{{6, 5, 80, -40, 0}, -2400};
  const OffSeamFileLayout layout_{3, "ft", 0.08333333333333333};
  DMatrix d_[5] = {{1, 6, 1, 5}, {1, 6, 1, 5}, {1, 6, 1, 5}, {1, 6, 1, 5}, {1, 6, 1, 5}};
  RecordingMessages messages_;
  RecordingProgress progress_;
};

TEST_F(OffSeam, DisplacementFileHoldsOneHeaderAndOneBlockPerStep) {
  Write(1);
  Write(2);
  Write(3);
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
  Write(1);
  lines = LinesOf(ReadFile(dir_ / "panel.of1"));
  EXPECT_EQ(lines.size(), 33u);
}

TEST_F(OffSeam, DisplacementInOutputUnitsSlopesAndStrainsAsComputed) {
  Write(1);
  const DMatrix expected = ExpectedDisplacement(false);
  const std::vector<std::string> lines = LinesOf(ReadFile(dir_ / "panel.of1"));
  int k = 3;
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 5; ++j, ++k) {
      SCOPED_TRACE(lines[k]);
      const double d = d_[0][i][j];
      EXPECT_EQ(d, expected[i][j]);  // the same sums in the same order
      char line[128];
      std::snprintf(line, sizeof line, "%12.5g, %12.5g, %12.5g, %12.5g, %12.5g ",
                    d * 0.08333333333333333, d_[1][i][j], d_[2][i][j], d_[3][i][j], d_[4][i][j]);
      EXPECT_EQ(lines[k], line);
      // The first column is the displacement in feet.
      EXPECT_NEAR(Numbers(lines[k])[0], d / 12, 5e-5 * std::fabs(d / 12));
    }
  // The plane lies above both seams (dz < 0), so it moves down: negative.
  EXPECT_LT(d_[0][3][3], 0.0);
  const std::vector<std::string> phases = {"Off-Seam Displacements, Seam 1 to Grid 1",
                                           "Off-Seam Displacements, Seam 2 to Grid 1"};
  EXPECT_EQ(progress_.phases, phases);
}

TEST_F(OffSeam, SurfaceEffectsAddEachImageWithReversedSign) {
  images_ = true;
  ComputeOffSeamDisplacements(Sources(), plane_, 1, Reports(), Grids());
  const DMatrix expected = ExpectedDisplacement(true);
  const DMatrix direct = ExpectedDisplacement(false);
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 5; ++j) {
      EXPECT_EQ(d_[0][i][j], expected[i][j]);  // the same sums in the same order
      // The images lie on the other side of the plane and act with reversed
      // sign, so they move it the same way as the seams do: further down.
      EXPECT_LT(d_[0][i][j], direct[i][j]);
    }
  const std::vector<std::string> phases = {
      "Off-Seam Displacements, Seam 1 to Grid 1", "Calculating Off-Seam Disp. from Mirror Seam 1",
      "Off-Seam Displacements, Seam 2 to Grid 1", "Calculating Off-Seam Disp. from Mirror Seam 2"};
  EXPECT_EQ(progress_.phases, phases);
}

TEST_F(OffSeam, UnopenableDisplacementFileEndsTheRun) {
  try {
    WriteOffSeamDisplacements(Sources(), plane_, layout_, (dir_ / "missing" / "panel.of1").string(),
                              1, 1, Reports(), Grids());
    FAIL() << "expected the run to end";
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.exitCode(), 1);
  }
  ASSERT_EQ(messages_.boxes.size(), 1u);
  EXPECT_EQ(messages_.boxes[0], "Error in Opening Off-Seam Displacement Output File - OSD1\n");
  EXPECT_TRUE(progress_.phases.empty());  // nothing was computed
}

TEST_F(OffSeam, StressGridIsTheKernelSum) {
  images_ = true;
  DMatrix stress(1, 6, 1, 5);
  stress.Fill(123);  // cleared before the sum
  ComputeOffSeamStresses(Sources(), plane_, 1, 1, progress_, 0, stress);

  DMatrix expected(1, 6, 1, 5);
  expected.Fill(0);
  const InfluenceGrid to{expected, 6, 5, 80, -40, 0};
  for (int k = 0; k < 2; ++k) {
    const SourceSeam& s = seams_[k];
    const InfluenceGrid from{k == 0 ? seam1_ : seam2_, kN, kN, 40, s.grid.x0, 0};
    AddInfluenceSeparable(from, s.z + 2400, 0, 3e6, 28.867513, to);
    AddInfluenceSeparable(from, -s.z + 2400, 1, 3e6, 28.867513, to);
  }
  double largest = 0;
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 5; ++j) {
      EXPECT_EQ(stress[i][j], expected[i][j]);
      largest = std::max(largest, std::fabs(expected[i][j]));
    }
  EXPECT_GT(largest, 0.0);

  const std::vector<std::string> phases = {
      "Off-Seam Stresses, Step 1, Seam 1 to Grid 1",
      "Calculating Off-Seam Stresses from Mirror Seam 1",
      "Off-Seam Stresses, Step 1, Seam 2 to Grid 1",
      "Calculating Off-Seam Stresses from Mirror Seam 2"};
  EXPECT_EQ(progress_.phases, phases);
}

// The model's operations: the seams and plane they pass on, the file name
// they derive and the stress grid file they have written.
TEST_F(OffSeam, ModelOperationsPassTheModelsSeamsAndWriteTheGridFile) {
  CModelDat m;
  m.SetMessages(&messages_);
  m.SetProgress(&progress_);
  m.inputFolder = dir_.string() + "/";
  m.inputFileTitle = "panel";
  m.staticStressFileName = m.inputFolder + "panel.sms";
  m.unitSystem = 1;
  m.lengthUnit = "ft";
  m.displacementOutputFactor = 0.08333333333333333;
  m.elasticModulus = 3e6;
  m.layerPlateFactor = 28.867513;
  m.stepCount = 3;
  m.surfaceEffects = 1;
  m.seamCount = 2;
  m.nx = m.ny = kN;
  m.elementWidth = 40;
  m.seamZ[1] = -4800;
  m.seamZ[2] = -5400;
  m.seamX[2] = 80;
  m.convergence.Allocate(1, 2, 0, kN + 1, 0, kN + 1);
  for (int i = 0; i <= kN + 1; ++i)
    for (int j = 0; j <= kN + 1; ++j) {
      m.convergence[1][i][j] = seam1_[i][j];
      m.convergence[2][i][j] = seam2_[i][j];
    }
  m.offSeamNx = 6;
  m.offSeamNy = 5;
  m.offSeamNz = 1;
  m.offSeamBlockCount = 30;
  m.offSeamBlockWidth = 80;
  m.offSeamOriginX = -40;
  m.offSeamOriginZ = -2400;
  for (DCube& c : m.offSeamDisp) c.Allocate(1, 1, 1, 6, 1, 5);
  m.offSeamStressGrid.Allocate(1, 1, 1, 6, 1, 5);

  ASSERT_EQ(m.OffSeamDisplacements(1), 0);
  EXPECT_EQ(m.offSeamFileName, m.inputFolder + "panel.of1");
  images_ = true;
  ComputeOffSeamDisplacements(Sources(), plane_, 1, Reports(), Grids());
  ASSERT_EQ(m.OffSeamStresses(1), 0);
  ASSERT_EQ(m.OffSeamStresses(2), 0);
  DMatrix stress(1, 6, 1, 5);
  ComputeOffSeamStresses(Sources(), plane_, 1, 1, progress_, 0, stress);
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 5; ++j) {
      EXPECT_EQ(m.offSeamDisp[0][1][i][j], d_[0][i][j]);
      EXPECT_EQ(m.offSeamDisp[4][1][i][j], d_[4][i][j]);
      EXPECT_EQ(m.offSeamStressGrid[1][i][j], stress[i][j]);
    }

  const std::vector<std::string> lines = LinesOf(ReadFile(dir_ / "panel.sms"));
  ASSERT_EQ(lines.size(), 3u + 2 * 30);
  EXPECT_EQ(lines[0],
            "  1,      30,           80,   6,   5,          -40,            0,        -2400");
  EXPECT_EQ(lines[1], "  1,Off-Seam Stress Grid #1");
  char first[32];
  std::snprintf(first, sizeof first, "%12.5g", stress[1][1]);
  EXPECT_EQ(lines[3], first);
  EXPECT_EQ(lines[33], first);
}

}  // namespace
}  // namespace kavrel
