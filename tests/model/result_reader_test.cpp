// Reading back result, off-seam and code files: the blocks and their labels
// (steps and LMS runs), the element order, the column names and units, and a
// file cut short by an interrupted run.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/model_dat.h"
#include "model/result_reader.h"
#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace kavrel::results {
namespace {

using testing_support::ScratchFolder;
using testing_support::WithCrLf;
using testing_support::WriteFile;

// The value every hand-built file holds in block b, element (i, j), column
// c: its digits spell out where it is, so a value read from the wrong place
// cannot pass.
double Expected(int b, int i, int j, int c) { return 1000.0 * b + 100 * i + 10 * j + c; }

// A result file as the run writes it for one seam of nx x ny elements, with
// the safety-factor columns (six in all), `blocks` blocks announced and
// `written` of them written, the data lines in the writer's "%12.5g" fields
// (groups after a bare comma).
std::string HandBuiltFile(int nx, int ny, int blocks, int written) {
  CModelDat model;
  model.seamCount = 1;
  model.unitSystem = 1;
  model.safetyFactors = 1;
  model.SetUnits();
  char line[256];
  std::snprintf(line, sizeof line, "%3i, %7i, %12.5g, %3i, %3i, %12.5g, %12.5g\n", blocks,
                nx * ny, 120.0, nx, ny, 1000.0, -240.0);
  std::string text = line + model.resultHeader1 + model.resultHeader2;
  for (int b = 0; b < written; ++b)
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) {
        std::snprintf(line, sizeof line, "%12.5g, %12.5g, %12.5g,%12.5g, %12.5g, %12.5g\n",
                      Expected(b, i, j, 0), Expected(b, i, j, 1), Expected(b, i, j, 2),
                      Expected(b, i, j, 3), Expected(b, i, j, 4), Expected(b, i, j, 5));
        text += line;
      }
  return text;
}

TEST(ResultReader, LayoutColumnsAndElementOrder) {
  const auto dir = ScratchFolder();
  WriteFile(dir / "m.f1", HandBuiltFile(2, 3, 2, 2));
  ResultFile file;
  std::string error;
  ASSERT_TRUE(ReadResultFile((dir / "m.f1").string(), 0, {}, file, error)) << error;
  const ResultLayout& layout = file.layout;
  EXPECT_EQ(layout.blockCount, 2);
  EXPECT_EQ(layout.elementCount, 6);
  EXPECT_EQ(layout.nx, 2);
  EXPECT_EQ(layout.ny, 3);
  EXPECT_EQ(layout.elementWidth, 120.0);
  // Element centres: origin + (index - 0.5) x width.
  EXPECT_EQ(layout.CentreX(1), 1060.0);
  EXPECT_EQ(layout.CentreX(2), 1180.0);
  EXPECT_EQ(layout.CentreY(3), 60.0);

  ASSERT_EQ(layout.columns.size(), 6u);
  EXPECT_EQ(layout.columns[0].name, "Seam Convergence");
  EXPECT_EQ(layout.columns[0].unit, "ft");
  EXPECT_EQ(layout.columns[1].name, "Total Vertical Stress");
  EXPECT_EQ(layout.columns[1].unit, "psi");
  EXPECT_EQ(layout.columns[4].name, "Pillar Stress SF");
  EXPECT_EQ(layout.columns[4].unit, "Stress Safety Factor");

  // Quantity names without case and blanks, "seam" optional.
  EXPECT_EQ(layout.FindColumn("convergence"), 0);
  EXPECT_EQ(layout.FindColumn("Seam Convergence"), 0);
  EXPECT_EQ(layout.FindColumn("totalverticalstress"), 1);
  EXPECT_EQ(layout.FindColumn("PillarStressSF"), 4);
  EXPECT_EQ(layout.FindColumn("pillar stress"), -1);
  EXPECT_EQ(QuantityKey("Multiple Seam Stress"), "multipleseamstress");

  // X outer, Y inner, in every block.
  ASSERT_EQ(file.blocks.size(), 2u);
  EXPECT_TRUE(file.complete);
  for (int b = 0; b < 2; ++b) {
    EXPECT_EQ(file.blocks[b].step, b + 1);
    EXPECT_EQ(file.blocks[b].lmsRun, 0);
    EXPECT_TRUE(file.blocks[b].final);
    for (int i = 1; i <= 2; ++i)
      for (int j = 1; j <= 3; ++j)
        for (int c = 0; c < 6; ++c) ASSERT_EQ(file.At(b, c, i, j), Expected(b, i, j, c));
  }
  EXPECT_EQ(file.FinalBlockOf(2), 1);
  EXPECT_EQ(file.FinalBlockOf(3), -1);
  EXPECT_EQ(file.LastCompleteStep(), 2);

  // The same file with CR LF line ends reads the same.
  WriteFile(dir / "crlf.f1", WithCrLf(HandBuiltFile(2, 3, 2, 2)));
  ResultFile crlf;
  ASSERT_TRUE(ReadResultFile((dir / "crlf.f1").string(), 0, {}, crlf, error)) << error;
  EXPECT_EQ(crlf.layout.columns[5].name, "Pillar Strain SF");
  EXPECT_EQ(crlf.blocks[1].values, file.blocks[1].values);
}

TEST(ResultReader, LmsRunsAreLabelledAndFiltered) {
  // Two LMS pillars, two steps: three blocks per step, the third of each the
  // post-processed one.
  const auto dir = ScratchFolder();
  WriteFile(dir / "m.f1", HandBuiltFile(3, 2, 6, 6));
  ResultFile file;
  std::string error;
  ASSERT_TRUE(ReadResultFile((dir / "m.f1").string(), 2, {}, file, error)) << error;
  ASSERT_EQ(file.blocks.size(), 6u);
  const int steps[] = {1, 1, 1, 2, 2, 2};
  const int runs[] = {0, 1, 2, 0, 1, 2};
  for (int b = 0; b < 6; ++b) {
    EXPECT_EQ(file.blocks[b].step, steps[b]) << b;
    EXPECT_EQ(file.blocks[b].lmsRun, runs[b]) << b;
    EXPECT_EQ(file.blocks[b].final, runs[b] == 2) << b;
  }
  EXPECT_EQ(file.FinalBlockOf(1), 2);
  EXPECT_EQ(file.FinalBlockOf(2), 5);
  EXPECT_EQ(file.At(4, 3, 3, 1), Expected(4, 3, 1, 3));

  // Only the wanted blocks keep their values; every block is still labelled.
  ASSERT_TRUE(ReadResultFile((dir / "m.f1").string(), 2,
                             [](int step, int run) { return step == 2 && run == 2; }, file, error));
  ASSERT_EQ(file.blocks.size(), 6u);
  for (int b = 0; b < 5; ++b) EXPECT_TRUE(file.blocks[b].values.empty()) << b;
  EXPECT_EQ(file.At(5, 0, 3, 2), Expected(5, 3, 2, 0));

  // A model whose LMS pillars do not divide the announced blocks is not the
  // model of this file.
  EXPECT_FALSE(ReadResultFile((dir / "m.f1").string(), 3, {}, file, error));
  EXPECT_EQ(error, "announces 6 blocks, which is not a whole number of steps of 4 blocks");
}

TEST(ResultReader, InterruptedRunKeepsTheCompleteBlocks) {
  const auto dir = ScratchFolder();
  std::string error;
  ResultFile file;

  // Four blocks announced, two and a half written.
  std::string text = HandBuiltFile(2, 2, 4, 3);
  std::size_t cut = text.size() - 1;
  for (int line = 0; line < 2; ++line) cut = text.rfind('\n', cut - 1);
  WriteFile(dir / "half.f1", text.substr(0, cut + 1));
  ASSERT_TRUE(ReadResultFile((dir / "half.f1").string(), 1, {}, file, error)) << error;
  EXPECT_FALSE(file.complete);
  EXPECT_EQ(file.incompleteReason, "holds 2 complete blocks of the 4 it announces");
  ASSERT_EQ(file.blocks.size(), 2u);
  EXPECT_EQ(file.At(1, 2, 2, 2), Expected(1, 2, 2, 2));
  EXPECT_EQ(file.LastCompleteStep(), 1);

  // The last line cut in the middle of a number.
  WriteFile(dir / "cut.f1", text.substr(0, text.size() - 30));
  ASSERT_TRUE(ReadResultFile((dir / "cut.f1").string(), 1, {}, file, error)) << error;
  EXPECT_FALSE(file.complete);
  EXPECT_EQ(file.incompleteReason,
            "line 15 is not a row of 6 numbers; 2 complete blocks of the 4 it announces come "
            "before it");
  EXPECT_EQ(file.blocks.size(), 2u);

  // Counting lines gives the same whole blocks without parsing a number; a
  // half-written last line does not count.
  ResultLayout layout;
  int blocks = -1;
  ASSERT_TRUE(CountWholeBlocks((dir / "cut.f1").string(), layout, blocks, error)) << error;
  EXPECT_EQ(blocks, 2);
  EXPECT_EQ(layout.nx * layout.ny, 4);
  ASSERT_TRUE(CountWholeBlocks((dir / "half.f1").string(), layout, blocks, error)) << error;
  EXPECT_EQ(blocks, 2);
  WriteFile(dir / "all.f1", text);
  ASSERT_TRUE(CountWholeBlocks((dir / "all.f1").string(), layout, blocks, error)) << error;
  EXPECT_EQ(blocks, 3);

  // A line with a value too many is not a row of the file either.
  text.insert(text.find('\n', text.find('\n', text.find('\n') + 1) + 1) + 1, "1,2,3,4,5,6,7\n");
  WriteFile(dir / "extra.f1", text);
  ASSERT_TRUE(ReadResultFile((dir / "extra.f1").string(), 1, {}, file, error)) << error;
  EXPECT_FALSE(file.complete);
  EXPECT_EQ(file.blocks.size(), 0u);
}

TEST(ResultReader, HeadersThatAreNotAResultFileAreRefused) {
  const auto dir = ScratchFolder();
  ResultFile file;
  std::string error;
  EXPECT_FALSE(ReadResultFile((dir / "none.f1").string(), 0, {}, file, error));
  EXPECT_EQ(error, "cannot be opened");

  const std::string good = HandBuiltFile(2, 2, 1, 1);
  const std::size_t line2 = good.find('\n') + 1;
  const std::size_t line3 = good.find('\n', line2) + 1;
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {"", "the file is empty"},
      {"1, 2, 3\n", "line 1 is not a dimension line (blocks, elements, width, nx, ny, x, y)"},
      {"  1,       5,          120,   2,   2,            0,            0\n",
       "line 1 announces 5 elements for a 2 x 2 grid"},
      {good.substr(0, line2), "the header lines are missing"},
      // The count of the names line must match its names.
      {good.substr(0, line2) + "  7" + good.substr(line2 + 3),
       "line 2 is not a column count followed by as many column names"},
      {good.substr(0, line3) + "  6, in\n" + good.substr(good.find('\n', line3) + 1),
       "line 3 does not give a unit for each of the 6 columns"},
  };
  for (const auto& c : cases) {
    WriteFile(dir / "bad.f1", c.text);
    EXPECT_FALSE(ReadResultFile((dir / "bad.f1").string(), 0, {}, file, error)) << c.error;
    EXPECT_EQ(error, c.error);
  }
}

TEST(ResultReader, OffSeamFileInTheWritersLayout) {
  const auto dir = ScratchFolder();
  // As the off-seam writer lays it out: short names after ", ", a blank
  // before every line end of the data.
  std::string text =
      "  2,       2,           20,   2,   1,         -100,           50\n"
      "  5, Off-seam Displacement, X-Slope, Y-Slope, X-Strain, Y-Strain\n"
      "  5, ft, Slope, Slope, Strain, Strain \n";
  for (int b = 0; b < 2; ++b)
    for (int i = 1; i <= 2; ++i) {
      char line[128];
      std::snprintf(line, sizeof line, "%12.5g, %12.5g, %12.5g, %12.5g, %12.5g \n",
                    Expected(b, i, 1, 0), Expected(b, i, 1, 1), -1e-5, 2.5e-7, 0.0);
      text += line;
    }
  WriteFile(dir / "m.of1", text);
  ResultFile file;
  std::string error;
  ASSERT_TRUE(ReadOffSeamFile((dir / "m.of1").string(), {}, file, error)) << error;
  ASSERT_EQ(file.layout.columns.size(), 5u);
  EXPECT_EQ(file.layout.columns[0].name, "Off-seam Displacement");
  EXPECT_EQ(file.layout.columns[0].unit, "ft");
  EXPECT_EQ(file.layout.columns[4].unit, "Strain");
  EXPECT_EQ(file.layout.FindColumn("off-seamdisplacement"), 0);
  EXPECT_EQ(file.layout.CentreX(2), -70.0);
  ASSERT_EQ(file.blocks.size(), 2u);
  EXPECT_EQ(file.blocks[1].step, 2);
  EXPECT_EQ(file.At(1, 1, 2, 1), Expected(1, 2, 1, 1));
  EXPECT_EQ(file.At(0, 2, 1, 1), -1e-5);
  EXPECT_EQ(file.At(0, 3, 1, 1), 2.5e-7);
}

TEST(ResultReader, CodeFileRowsRunFromNorthToSouth) {
  const auto dir = ScratchFolder();
  // Two seams of 3 x 2: the first line of a seam is the row y = ny.
  WriteFile(dir / "m_Step1.chr", "AB1\nCDE\nabc\n01z\n");
  std::vector<SeamCodes> seams;
  std::string error;
  ASSERT_TRUE(ReadCodeFile((dir / "m_Step1.chr").string(), 2, 3, 2, seams, error)) << error;
  ASSERT_EQ(seams.size(), 2u);
  EXPECT_EQ(seams[0].At(1, 2), 'A');
  EXPECT_EQ(seams[0].At(3, 2), '1');
  EXPECT_EQ(seams[0].At(1, 1), 'C');
  EXPECT_EQ(seams[0].At(3, 1), 'E');
  EXPECT_EQ(seams[1].At(2, 2), 'b');
  EXPECT_EQ(seams[1].At(1, 1), '0');
  EXPECT_EQ(seams[1].codes, (std::vector<char>{'0', 'a', '1', 'b', 'z', 'c'}));

  WriteFile(dir / "short.chr", "AB1\nCDE\nabc\n");
  EXPECT_FALSE(ReadCodeFile((dir / "short.chr").string(), 2, 3, 2, seams, error));
  EXPECT_EQ(error, "holds 3 rows of the 4 of 2 seams of 2 rows");
  WriteFile(dir / "ragged.chr", "AB1\nCD\n");
  EXPECT_FALSE(ReadCodeFile((dir / "ragged.chr").string(), 1, 3, 2, seams, error));
  EXPECT_EQ(error, "line 2 holds 2 codes, not 3");
  EXPECT_FALSE(ReadCodeFile((dir / "none.chr").string(), 1, 3, 2, seams, error));
  EXPECT_EQ(error, "cannot be opened");
}

TEST(ResultReader, FilesOfARealRunWithLmsPillarsAndAnOffSeamGrid) {
  // every_option: two seams, two steps, two LMS pillars, an off-seam grid.
  const auto dir = ScratchFolder();
  const auto input = testing_support::CopyExample(dir, "every_option.inp");
  ASSERT_EQ(testing_support::RunQuiet(input), 0);
  std::string error;
  for (const char* seam : {"every_option.f1", "every_option.f2"}) {
    ResultFile file;
    ASSERT_TRUE(ReadResultFile((dir / seam).string(), 2, {}, file, error)) << error;
    EXPECT_TRUE(file.complete) << file.incompleteReason;
    EXPECT_EQ(file.layout.columns.size(), 22u);
    EXPECT_EQ(file.layout.nx, 40);
    ASSERT_EQ(file.blocks.size(), 6u);
    EXPECT_EQ(file.LastCompleteStep(), 2);
    // The blocks of LMS runs before the last are written before the step's
    // safety factors: in step 1 they hold none, the post-processed block does.
    const int sf = file.layout.FindColumn("elementstrainsf");
    ASSERT_GE(sf, 0);
    const auto anyNonZero = [&](int b) {
      for (const double v : file.blocks[b].values[sf])
        if (v != 0) return true;
      return false;
    };
    EXPECT_FALSE(anyNonZero(0));
    EXPECT_FALSE(anyNonZero(1));
    EXPECT_TRUE(anyNonZero(2));
  }
  ResultFile offSeam;
  ASSERT_TRUE(ReadOffSeamFile((dir / "every_option.of1").string(), {}, offSeam, error)) << error;
  EXPECT_TRUE(offSeam.complete);
  EXPECT_EQ(offSeam.blocks.size(), 2u);
  EXPECT_EQ(offSeam.layout.nx * offSeam.layout.ny, 400);

  std::vector<SeamCodes> codes;
  ASSERT_TRUE(ReadCodeFile((dir / "every_option_Step1.chr").string(), 2, 40, 40, codes, error))
      << error;
  // The LMS pillar at (8, 8) of seam 1 is coal.
  EXPECT_EQ(codes[0].At(8, 8), 'A');
}

}  // namespace
}  // namespace kavrel::results
