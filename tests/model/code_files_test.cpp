// The per-step code files: how the input's code block is split into them,
// how a step is loaded back during a run, and the code character conversion.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "model_test_support.h"
#include "support/run_logs.h"

namespace kavrel {
namespace {

using testing_support::Lines;
using testing_support::ModelInFolder;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::SmallModelLines;
using testing_support::WriteFile;

// Header of a two-seam, three-step model of 10 x 10 elements, energies on.
std::vector<std::string> TwoSeamThreeStepHeader() {
  auto lines = SmallModelLines();
  lines[1] = "0.25,2000000,120,2,0,0";
  lines[5] = "0,0,-4800,72";
  lines.insert(lines.begin() + 6, "0,0,-4000,60");
  lines[7] = "1.7,0.001,2000,1,3,0,0,0,0,0,1,0,0,0";
  return lines;
}

// Codes of step t, seam s: row y (10 = first line) is a distinct pattern so
// that any mix-up of steps, seams, rows or columns shows.
char CodeAt(int t, int s, int x, int y) {
  return static_cast<char>('A' + (t * 7 + s * 5 + x * 3 + y) % 26);
}

std::string StepFileText(int t) {
  std::string text;
  for (int s = 1; s <= 2; ++s)
    for (int y = 10; y >= 1; --y) {
      for (int x = 1; x <= 10; ++x) text += CodeAt(t, s, x, y);
      text += '\n';
    }
  return text;
}

TEST(CodeFiles, StepFileNameIsFolderTitleStepNumber) {
  CModelDat model;
  model.SetInputFolder("/data/mines/");
  model.SetInputFileTitle("mine");
  EXPECT_EQ(model.StepCodeFileName(12), "/data/mines/mine_Step12.chr");
  EXPECT_EQ(model.StepCodeFileName(1), "/data/mines/mine_Step1.chr");
}

TEST(CodeFiles, CodeBlockIsSplitIntoOneFilePerStepInLayoutOrder) {
  ModelInFolder m(ScratchFolder(), "mine");
  auto lines = TwoSeamThreeStepHeader();
  std::string text = Lines(lines);
  for (int t = 1; t <= 3; ++t) text += StepFileText(t);
  ASSERT_EQ(m.Read(text), 0);
  for (int t = 1; t <= 3; ++t) {
    const std::string file = ReadFile(m.folder / ("mine_Step" + std::to_string(t) + ".chr"));
    EXPECT_EQ(file, StepFileText(t)) << "step " << t;
    EXPECT_EQ(file.size(), 20u * 11u);  // 20 lines of 10 codes and a line end
  }
  // The first line is row y = ny, its first character x = 1; the cube holds
  // the last step.
  EXPECT_EQ(m.model.fineCodes[1][1][10], CodeAt(3, 1, 1, 10));
  EXPECT_EQ(m.model.fineCodes[2][10][1], CodeAt(3, 2, 10, 1));
  EXPECT_EQ(m.model.fineCodes[2][3][7], CodeAt(3, 2, 3, 7));
}

TEST(CodeFiles, BlockLayoutDoesNotMatter) {
  // All 600 codes on one line, or with blanks and tabs between them, give the
  // same files as the row-by-row layout.
  std::string codes;
  for (int t = 1; t <= 3; ++t)
    for (char c : StepFileText(t))
      if (c != '\n') codes += c;
  std::string spaced;
  for (std::size_t k = 0; k < codes.size(); ++k) {
    spaced += codes[k];
    spaced += (k % 3 == 0) ? " " : (k % 3 == 1 ? "\t " : "\r\n\n");
  }
  for (const std::string& block : {codes + "\n", spaced}) {
    ModelInFolder m(ScratchFolder(), "mine");
    ASSERT_EQ(m.Read(Lines(TwoSeamThreeStepHeader()) + block), 0);
    for (int t = 1; t <= 3; ++t)
      EXPECT_EQ(ReadFile(m.folder / ("mine_Step" + std::to_string(t) + ".chr")), StepFileText(t));
  }
}

TEST(CodeFiles, CharactersConvertToMaterialIndexes) {
  testing_support::RecordingMessages sink;
  CModelDat model;
  model.SetMessages(&sink);
  EXPECT_EQ(model.CodeToInteger('A'), 0);
  EXPECT_EQ(model.CodeToInteger('Z'), 25);
  EXPECT_EQ(model.CodeToInteger('a'), 26);
  EXPECT_EQ(model.CodeToInteger('z'), 51);
  EXPECT_EQ(model.CodeToInteger('0'), 52);
  EXPECT_EQ(model.CodeToInteger('1'), 53);
  EXPECT_TRUE(sink.boxes.empty());
  // Other characters are reported, once per conversion, and keep their value.
  EXPECT_EQ(model.CodeToInteger('#'), 35);
  EXPECT_EQ(model.CodeToInteger('2'), 50);
  EXPECT_EQ(model.CodeToInteger('3'), 51);
  EXPECT_EQ(model.CodeToInteger(static_cast<char>(0xC8)), -56);
  ASSERT_EQ(sink.boxes.size(), 4u);
  for (const auto& box : sink.boxes) EXPECT_EQ(box, "Error in converting character code to an integer");
}

// A model read from the two-seam, three-step file, with the run's cubes.
struct LoadedModel {
  LoadedModel() : m(ScratchFolder(), "mine") {
    std::string text = Lines(TwoSeamThreeStepHeader());
    for (int t = 1; t <= 3; ++t) text += StepFileText(t);
    EXPECT_EQ(m.Read(text), 0);
    m.model.previousCodes.Allocate(1, 2, 1, 10, 1, 10);
  }
  std::string LogText() { return testing_support::LogText(log); }
  ModelInFolder m;
  RunLog log = testing_support::TemporaryLog();
};

TEST(CodeFiles, StepCodesLoadWithThePreviousStepKeptForEnergies) {
  LoadedModel l;
  ASSERT_TRUE(l.log);
  CModelDat& d = l.m.model;
  d.ReadStepCodes(d.previousCodes, d.fineCodes, 1, l.log);
  EXPECT_EQ(d.fineCodes[1][4][6], CodeAt(1, 1, 4, 6));
  d.ReadStepCodes(d.previousCodes, d.fineCodes, 2, l.log);
  for (int s = 1; s <= 2; ++s)
    for (int x = 1; x <= 10; ++x)
      for (int y = 1; y <= 10; ++y) {
        ASSERT_EQ(d.previousCodes[s][x][y], CodeAt(1, s, x, y));
        ASSERT_EQ(d.fineCodes[s][x][y], CodeAt(2, s, x, y));
      }
  EXPECT_EQ(l.LogText(),
            "Reading in material codes for Step 1, Seam 1\n\n"
            "Reading in material codes for Step 1, Seam 2\n\n"
            "Reading in material codes for Step 2, Seam 1\n\n"
            "Reading in material codes for Step 2, Seam 2\n\n");
}

TEST(CodeFiles, MissingStepFileEndsTheRunWithRC1) {
  LoadedModel l;
  ASSERT_TRUE(l.log);
  CModelDat& d = l.m.model;
  std::filesystem::remove(l.m.folder / "mine_Step2.chr");
  try {
    d.ReadStepCodes(d.previousCodes, d.fineCodes, 2, l.log);
    FAIL() << "no fatal exit";
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.exitCode(), 1);
  }
  ASSERT_EQ(l.m.sink.boxes.size(), 1u);
  EXPECT_EQ(l.m.sink.boxes[0], "Could Not Open Temporary File with Seam Codes - RC1");
}

TEST(CodeFiles, ShortStepFileEndsTheRunWithRC2AtTheMissingCode) {
  LoadedModel l;
  ASSERT_TRUE(l.log);
  CModelDat& d = l.m.model;
  // Seam 2 loses its last row (y = 1) but for three codes.
  std::string text = StepFileText(3);
  text.resize(text.size() - 8);
  WriteFile(l.m.folder / "mine_Step3.chr", text);
  try {
    d.ReadStepCodes(d.previousCodes, d.fineCodes, 3, l.log);
    FAIL() << "no fatal exit";
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.exitCode(), 2);
  }
  ASSERT_EQ(l.m.sink.boxes.size(), 1u);
  EXPECT_EQ(l.m.sink.boxes[0],
            "Error reading the fine mesh codes, step=3, seam 2, X=4, Y=1 - RC2\n");
}

}  // namespace
}  // namespace kavrel
