// What the pictures are drawn from: a model read without touching its run's
// files, element geometry in the output length unit, the line of elements a
// profile follows, the ranges of the two colour scales, and the code map's
// legend. Checked against hand-built files whose values spell out where they
// sit, and against hand-computed geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "model/result_reader.h"
#include "model/run_info.h"
#include "plot/plot_data.h"
#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace kavrel::plot {
namespace {

namespace fs = std::filesystem;
using testing_support::CopyExample;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

// Element (i, j) of step b holds 100 * b + 10 * i + j in its first column
// and the negative of it in its second.
results::ResultFile HandBuiltFile(const fs::path& dir, int nx, int ny, int steps,
                                  double width, double x0, double y0) {
  std::string text;
  char line[160];
  std::snprintf(line, sizeof line, "%3i, %7i, %12.5g, %3i, %3i, %12.5g, %12.5g\n", steps, nx * ny,
                width, nx, ny, x0, y0);
  text = line;
  text += "  2,Seam Convergence         ,Pillar Stress SF         \n";
  text += "  2,                       in,Stress Safety Factor     \n";
  for (int b = 1; b <= steps; ++b)
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) {
        std::snprintf(line, sizeof line, "%12.5g, %12.5g\n", 100.0 * b + 10 * i + j,
                      -(100.0 * b + 10 * i + j));
        text += line;
      }
  WriteFile(dir / "hand.f1", text);
  results::ResultFile file;
  std::string error;
  EXPECT_TRUE(results::ReadResultFile((dir / "hand.f1").string(), 0, {}, file, error)) << error;
  return file;
}

RunInfo OneSeam(int nx, int ny, double width, double x0, double y0, double lengthFactor) {
  RunInfo info;
  info.title = "Hand";
  info.seamCount = 1;
  info.stepCount = 2;
  info.nx = nx;
  info.ny = ny;
  info.elementWidth = width * lengthFactor;
  info.seams = {{x0 * lengthFactor, y0 * lengthFactor, -4800, 72}};
  info.lengthUnit = lengthFactor == 1 ? "in" : "ft";
  info.lengthFactor = lengthFactor;
  info.materialTypes = {2, 5};
  return info;
}

TEST(RunInfo, ReadsTheModelWithoutWritingBesideIt) {
  const fs::path dir = ScratchFolder();
  const fs::path model = CopyExample(dir, "every_option.inp");
  RunInfo info;
  std::string error;
  ASSERT_TRUE(LoadRunInfo(model.string(), info, error)) << error;
  // Only the model is in the folder: no code files, no log.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);

  // Unit system 1: the file holds inches, the pictures show feet. Elements
  // of 10 ft, seams 600 ft and 520 ft deep, two LMS pillars, 20 x 20 blocks
  // of off-seam grid at 560 ft depth.
  EXPECT_EQ(info.lengthUnit, "ft");
  EXPECT_DOUBLE_EQ(info.lengthFactor, 1.0 / 12.0);
  EXPECT_NEAR(info.elementWidth, 10.0, 1e-12);
  ASSERT_EQ(info.seams.size(), 2u);
  EXPECT_NEAR(info.seams[0].elevation, -600.0, 1e-9);
  EXPECT_NEAR(info.seams[1].elevation, -520.0, 1e-9);
  EXPECT_EQ(info.lmsPillarCount, 2);
  EXPECT_TRUE(info.offSeamDisplacements);
  EXPECT_NEAR(info.offSeamElevation, -560.0, 1e-9);
  EXPECT_EQ(info.ResultFileName(2), dir.string() + "/every_option.f2");
  EXPECT_EQ(info.CodeFileName(3), dir.string() + "/every_option_Step3.chr");

  WriteFile(dir / "bad.inp", "Title only\n");
  EXPECT_FALSE(LoadRunInfo((dir / "bad.inp").string(), info, error));
  EXPECT_NE(error.find(" - RI"), std::string::npos) << error;  // the reader's own words
  EXPECT_EQ(error.find('\n'), std::string::npos);
}

TEST(SeamMap, ElementsSitAtTheirCentresInTheOutputLengthUnit) {
  const fs::path dir = ScratchFolder();
  // 120 in elements from (1200 in, -240 in), shown in feet.
  const results::ResultFile file = HandBuiltFile(dir, 4, 3, 2, 120, 1200, -240);
  const RunInfo info = OneSeam(4, 3, 120, 1200, -240, 1.0 / 12.0);
  const MapData map = SeamMap(info, file, 1, 0, 1, nullptr);
  EXPECT_DOUBLE_EQ(map.field.width, 10);
  EXPECT_DOUBLE_EQ(map.field.CentreX(1), 105);  // 100 ft + half an element
  EXPECT_DOUBLE_EQ(map.field.CentreY(3), 5);     // -20 ft + 2.5 elements
  EXPECT_EQ(map.field.At(3, 2), 232);
  EXPECT_EQ(map.range.lo, 211);
  EXPECT_EQ(map.range.hi, 243);
  EXPECT_EQ(map.kind, ScaleKind::Sequential);
  // The element holds its lower edge; the far edge is outside.
  EXPECT_EQ(map.field.ColumnAt(100), 1);
  EXPECT_EQ(map.field.ColumnAt(109.999), 1);
  EXPECT_EQ(map.field.ColumnAt(110), 2);
  EXPECT_EQ(map.field.ColumnAt(140), 0);
  EXPECT_EQ(map.field.RowAt(-20.001), 0);
}

TEST(SeamMap, SafetyFactorsDivergeAroundOneAndZeroMeansNone) {
  const fs::path dir = ScratchFolder();
  results::ResultFile file = HandBuiltFile(dir, 3, 2, 1, 120, 0, 0);
  // Safety factors 0 (none), 0.5 and 2.5 in the second column.
  auto& sf = file.blocks[0].values[1];
  for (double& v : sf) v = 2.5;
  sf[0] = 0;
  sf[4] = 0.5;
  results::SeamCodes codes{3, 2, {'1', 'A', 'A', 'A', 'A', 'B'}};
  const MapData map = SeamMap(OneSeam(3, 2, 120, 0, 0, 1), file, 0, 1, 1, &codes);
  EXPECT_EQ(map.kind, ScaleKind::Diverging);
  EXPECT_TRUE(std::isnan(map.field.values[0]));
  EXPECT_EQ(map.range.lo, 0.5);
  EXPECT_EQ(map.range.hi, 2.5);
  EXPECT_EQ(map.minedOut, (std::vector<char>{1, 0, 0, 0, 0, 0}));

  // A diverging range always holds 1; a flat field is widened both ways.
  const ValueRange above = DataRange({2, 3, 4}, ScaleKind::Diverging);
  EXPECT_EQ(above.lo, 1);
  EXPECT_EQ(above.hi, 4);
  const ValueRange flat = DataRange({-6, -6}, ScaleKind::Sequential);
  EXPECT_EQ(flat.lo, -9);
  EXPECT_EQ(flat.hi, -3);

  ValueRange fixed;
  std::string error;
  EXPECT_TRUE(ParseRange("-1.5e3:2", fixed, error));
  EXPECT_EQ(fixed.lo, -1500);
  EXPECT_EQ(fixed.hi, 2);
  EXPECT_FALSE(ParseRange("2:2", fixed, error));
  EXPECT_FALSE(ParseRange("1:inf", fixed, error));
  EXPECT_FALSE(ParseRange("1", fixed, error));
}

TEST(SeamProfile, FollowsTheRowOrColumnThroughThePointOverEveryStep) {
  const fs::path dir = ScratchFolder();
  const results::ResultFile file = HandBuiltFile(dir, 4, 3, 2, 120, 0, 0);
  const RunInfo info = OneSeam(4, 3, 120, 0, 0, 1);
  ProfileLine line;
  std::string error;
  // x = 250 in lies in element column i = 3 (240 to 360 in): a line along Y.
  ASSERT_TRUE(ParseProfileLine("x=250", line, error));
  ProfileData data;
  ASSERT_TRUE(SeamProfile(info, file, 1, {0, 1}, {1, 2}, line, data, error)) << error;
  EXPECT_EQ(data.axisLabel, "Y (in)");
  ASSERT_EQ(data.panels.size(), 2u);
  ASSERT_EQ(data.panels[0].curves.size(), 2u);
  const ProfileCurve& step2 = data.panels[0].curves[1];
  EXPECT_EQ(step2.label, "Step 2");
  EXPECT_EQ(step2.position, (std::vector<double>{60, 180, 300}));
  EXPECT_EQ(step2.value, (std::vector<double>{231, 232, 233}));
  EXPECT_EQ(data.panels[1].curves[0].value, (std::vector<double>{-131, -132, -133}));

  ASSERT_TRUE(ParseProfileLine("Y=359.9", line, error));
  ASSERT_TRUE(SeamProfile(info, file, 1, {0}, {1}, line, data, error)) << error;
  EXPECT_EQ(data.panels[0].curves[0].value, (std::vector<double>{113, 123, 133, 143}));

  // The off-seam plane (seam 0) lies where its own file says.
  results::ResultFile plane = HandBuiltFile(dir, 4, 3, 1, 240, -480, 0);
  ASSERT_TRUE(ParseProfileLine("x=-100", line, error));
  ASSERT_TRUE(SeamProfile(info, plane, 0, {0}, {1}, line, data, error)) << error;
  EXPECT_EQ(data.panels[0].curves[0].position, (std::vector<double>{120, 360, 600}));
  EXPECT_EQ(data.panels[0].curves[0].value, (std::vector<double>{121, 122, 123}));

  ASSERT_TRUE(ParseProfileLine("y=360", line, error));
  EXPECT_FALSE(SeamProfile(info, file, 1, {0}, {1}, line, data, error));
  EXPECT_EQ(error, "y = 360 in is outside seam 1 (0 to 360 in)");
  EXPECT_FALSE(ParseProfileLine("z=3", line, error));
  EXPECT_FALSE(ParseProfileLine("x=", line, error));
}

TEST(CodeMap, LegendListsTheCodesUsedWithTheirMaterialTypes) {
  RunInfo info = OneSeam(3, 2, 120, 0, 0, 1);
  const results::SeamCodes codes{3, 2, {'B', '1', 'A', 'z', 'B', 'A'}};
  const CodeMapData map = CodeMap(info, codes, 1, 2);
  ASSERT_EQ(map.legend.size(), 4u);
  EXPECT_EQ(map.legend[0].label, "A  Strain Softening Coal");
  EXPECT_EQ(map.legend[1].label, "B  Strain Hardening Gob");
  EXPECT_EQ(map.legend[2].label, "z  no material");
  EXPECT_EQ(map.legend[3].label, "1  mined out");
  // Each element carries its legend index.
  EXPECT_EQ(map.field.values, (std::vector<double>{1, 3, 0, 2, 1, 0}));
}

}  // namespace
}  // namespace kavrel::plot
