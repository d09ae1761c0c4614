// Checks of the stress grid files: the .top surface grid reader, the .tpo
// overburden stress writer and reader, the .sms off-seam grid writer and the
// static stress reader — formats byte for byte, round trips, every rejection
// with its message and result, and CR LF files read like LF files.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "model/model_dat.h"
#include "support/kavrel_runs.h"
#include "support/recording_sinks.h"
#include "support/scratch_files.h"

namespace kavrel {
namespace {

namespace fs = std::filesystem;

using testing_support::ExamplePath;
using testing_support::FullDeviceLink;
using testing_support::ReadFile;
using testing_support::RecordingMessages;
using testing_support::RecordingProgress;
using testing_support::RunQuiet;
using testing_support::ScratchFolder;
using testing_support::WithCrLf;
using testing_support::WriteFile;

struct Rejection {
  const char* name;
  std::string text;  // file contents; "" with `missing` means no file
  bool missing;
  int result;
  const char* message;
};

class GridFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ScratchFolder();
    m_.SetMessages(&messages_);
    m_.SetProgress(&progress_);
    m_.inputFolder = dir_.string() + "/";
    m_.inputFileTitle = "model";
    m_.topoInputFileName = m_.inputFolder + "model.top";
    m_.topoStressFileName = m_.inputFolder + "model.tpo";
    m_.staticStressFileName = m_.inputFolder + "model.sms";
    m_.stressUnit = "psi";
  }

  // A seam grid of nx x ny elements for `seams` seams with the stress cubes.
  void Seams(int seams, int nx, int ny, double width) {
    m_.seamCount = seams;
    m_.nx = nx;
    m_.ny = ny;
    m_.elementWidth = width;
    for (int s = 1; s <= seams; ++s) {
      m_.seamX[s] = -100;
      m_.seamY[s] = 200;
      m_.seamZ[s] = -500.0 - 50 * (s - 1);
    }
    m_.overburdenStress.Allocate(1, seams, 1, nx, 1, ny);
    m_.preCalculatedStress.Allocate(1, seams, 1, nx, 1, ny);
    m_.overburdenStress.Fill(-1);
    m_.preCalculatedStress.Fill(0);
  }

  // For each case: writes its `file` (or removes it), calls `read` and checks
  // the result and the one message box it shows.
  template <class Read>
  void ExpectRejections(const std::vector<Rejection>& cases, const fs::path& file, Read read) {
    for (const Rejection& c : cases) {
      SCOPED_TRACE(c.name);
      fs::remove(file);
      if (!c.missing) WriteFile(file, c.text);
      messages_.boxes.clear();
      EXPECT_EQ(read(), c.result);
      ASSERT_EQ(messages_.boxes.size(), 1u);
      EXPECT_EQ(messages_.boxes[0], c.message);
    }
  }

  fs::path dir_;
  CModelDat m_;
  RecordingMessages messages_;
  RecordingProgress progress_;
};

// ---- .tpo ------------------------------------------------------------------------

TEST_F(GridFiles, TopoStressFileOfOneSeamByteForByte) {
  Seams(1, 2, 3, 10);
  const double values[2][3] = {{550, 1234.5, -0.25}, {1e-7, 123456789, 0}};
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j) m_.overburdenStress[1][i][j] = values[i - 1][j - 1];
  ASSERT_EQ(m_.TopoStressWriter(), 0);
  EXPECT_EQ(ReadFile(dir_ / "model.tpo"),
            "  1,       6,           10,   2,   3,         -100,          200,         -500\n"
            "  1,Overburden Stress Seam #1\n"
            "  1,                      psi\n"
            "         550\n"
            "      1234.5\n"
            "       -0.25\n"
            "       1e-07\n"
            "  1.2346e+08\n"
            "           0\n");
}

TEST_F(GridFiles, TopoStressFileRoundTripsAtItsPrintedPrecision) {
  // Three seams side by side; values with at most five significant digits
  // come back exactly, longer ones as printed (five digits) at single
  // precision.
  Seams(3, 3, 2, 25);
  for (int s = 1; s <= 3; ++s)
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 2; ++j) m_.overburdenStress[s][i][j] = 500.0 * s + 10 * i + j + 0.5;
  m_.overburdenStress[2][3][2] = 1234.5678;
  ASSERT_EQ(m_.TopoStressWriter(), 0);
  const std::string text = ReadFile(dir_ / "model.tpo");
  EXPECT_NE(text.find("  3,Overburden Stress Seam #1,Overburden Stress Seam #2,"
                      "Overburden Stress Seam #3\n"),
            std::string::npos);
  EXPECT_NE(text.find("\n       511.5,      1011.5,      1511.5\n"), std::string::npos);

  m_.overburdenStress.Fill(0);
  ASSERT_EQ(m_.TopoStressReader(), 0);
  EXPECT_TRUE(messages_.boxes.empty());
  for (int s = 1; s <= 3; ++s)
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 2; ++j) {
        if (s == 2 && i == 3 && j == 2) continue;
        EXPECT_EQ(m_.overburdenStress[s][i][j], 500.0 * s + 10 * i + j + 0.5);
      }
  EXPECT_EQ(m_.overburdenStress[2][3][2], static_cast<double>(1234.6f));
  // The header values replace the topographic grid description.
  EXPECT_EQ(m_.topoNx, 3);
  EXPECT_EQ(m_.topoNy, 2);
  EXPECT_EQ(m_.topoBlockCount, 6);
  EXPECT_EQ(m_.topoBlockWidth, 25.0);
  EXPECT_EQ(m_.topoDatumZ, -500.0);
}

TEST_F(GridFiles, TopoStressFileOfAnotherGridSizeIsRejectedBeforeAnyValue) {
  Seams(1, 2, 3, 10);
  m_.overburdenStress.Fill(7);
  ASSERT_EQ(m_.TopoStressWriter(), 0);
  Seams(1, 3, 2, 10);  // same block count, other shape
  m_.overburdenStress.Fill(42);
  EXPECT_EQ(m_.TopoStressReader(), 4);
  ASSERT_EQ(messages_.boxes.size(), 1u);
  EXPECT_EQ(messages_.boxes[0], "Incorrect Data Amount in the Topographic Stress File - RTS2c\n");
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_EQ(m_.overburdenStress[1][i][j], 42.0);
}

TEST_F(GridFiles, TopoStressReaderRejectionsCarryTheirCodes) {
  Seams(2, 2, 1, 10);
  const std::string head = "  1,       2,           10,   2,   1,         -100,          200,"
                           "         -500\n";
  const std::vector<Rejection> cases = {
      {"missing", "", true, 1, "Error in Opening Topographic Stress File - RTS1a\n"},
      {"empty file", "", false, 2, "Read an empty line in the Topographic Stress File - RTS2a\n"},
      {"blank first line", "\n" + head, false, 2,
       "Read an empty line in the Topographic Stress File - RTS2a\n"},
      {"short header", "  1,  2, 10, 2, 1\n", false, 2,
       "Read an empty line in the Topographic Stress File - RTS2a\n"},
      {"count mismatch",
       "  1,       3,           10,   2,   1,         -100,          200,         -500\n", false, 3,
       "Inconsistent Data in the Topographic Stress Header Line - RTS2b\n"},
      {"no titles", head, false, 5, "Read an empty line in the Topographic Stress File - RTS3a\n"},
      {"one seam", head + "  1,Overburden Stress Seam #1\n", false, 6,
       "Incorrect Number of Seams in the Topographic Stress File - RTS3b\n"},
      {"short data", head + "  2,a,b\n  2,psi,psi\n 1, 2\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"empty data line", head + "  2,a,b\n  2,psi,psi\n 1, 2\n\n 3, 4\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"one value for two seams", head + "  2,a,b\n  2,psi,psi\n 1, 2\n 3\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"not a number", head + "  2,a,b\n  2,psi,psi\n 1, 2\n 3, x4\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"infinity", head + "  2,a,b\n  2,psi,psi\n 1, 2\n 3, inf\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"signed infinity", head + "  2,a,b\n  2,psi,psi\n 1, 2\n 3, -Infinity\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"not a number nan", head + "  2,a,b\n  2,psi,psi\n 1, 2\n nan, 4\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"two signs", head + "  2,a,b\n  2,psi,psi\n 1, 2\n 3, +-4\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"bare point", head + "  2,a,b\n  2,psi,psi\n 1, 2\n 3, .\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"two signs on a count", head + "  +-2,a,b\n  2,psi,psi\n 1, 2\n 3, 4\n", false, 6,
       "Incorrect Number of Seams in the Topographic Stress File - RTS3b\n"},
      {"nan width",
       "  1,       2,         nan,   2,   1,         -100,          200,         -500\n", false, 2,
       "Read an empty line in the Topographic Stress File - RTS2a\n"},
      {"beyond double", head + "  2,a,b\n  2,psi,psi\n 1, 2\n 3, 1e309\n", false, 8,
       "Read an empty line in the Topographic Stress File - RTS4a"},
      {"beyond float", head + "  2,a,b\n  2,psi,psi\n 1, 2\n 1e39, 4\n", false, 9,
       "Topographic Stress Beyond Single Precision in the Topographic Stress File - RTS4b\n"},
      // Found by the .tpo fuzz target: a digit swapped in 3.4028e+38 put the
      // value past the largest float, and the seam took an infinite stress.
      {"fuzzed, just beyond float", head + "  2,a,b\n  2,psi,psi\n           0,  3.4208e+38\n"
       " 3, 4\n", false, 9,
       "Topographic Stress Beyond Single Precision in the Topographic Stress File - RTS4b\n"},
      {"beyond float, negative", head + "  2,a,b\n  2,psi,psi\n -3.5e38, 2\n 3, 4\n", false, 9,
       "Topographic Stress Beyond Single Precision in the Topographic Stress File - RTS4b\n"},
  };
  ExpectRejections(cases, dir_ / "model.tpo", [&] { return m_.TopoStressReader(); });
}

TEST_F(GridFiles, TopoStressAtTheEndsOfSinglePrecisionIsKept) {
  // The largest float is kept; a line with a value beyond it stores nothing,
  // the lines before it stay stored.
  Seams(2, 3, 1, 10);
  const std::string head = "  1,       3,           10,   3,   1,         -100,          200,"
                           "         -500\n  2,a,b\n  2,psi,psi\n";
  WriteFile(dir_ / "model.tpo", head + " 3.4028234e38, -3.4028234e38\n 1e-50, 5\n 7, 1e39\n");
  EXPECT_EQ(m_.TopoStressReader(), 9);
  EXPECT_EQ(m_.overburdenStress[1][1][1], static_cast<double>(FLT_MAX));
  EXPECT_EQ(m_.overburdenStress[2][1][1], -static_cast<double>(FLT_MAX));
  EXPECT_EQ(m_.overburdenStress[1][2][1], 0.0);
  EXPECT_EQ(m_.overburdenStress[2][2][1], 5.0);
  EXPECT_EQ(m_.overburdenStress[1][3][1], -1.0);
  EXPECT_EQ(m_.overburdenStress[2][3][1], -1.0);
}

TEST_F(GridFiles, GridNumbersTakeOneSignAndAPointBeforeDigits) {
  // Signs, a leading or trailing point, exponents and blanks around a field
  // are all accepted; only the number forms refused above are not.
  Seams(2, 1, 2, 10);
  WriteFile(dir_ / "model.tpo",
            " +1, +2, 1e1, +1, 2, -100, +200., -5e2\n"
            "  +2,a,b\n  2,psi,psi\n"
            " -.5 , +2.\n"
            "+1e2,-2.5E-1\n");
  ASSERT_EQ(m_.TopoStressReader(), 0);
  EXPECT_TRUE(messages_.boxes.empty());
  EXPECT_EQ(m_.overburdenStress[1][1][1], -0.5);
  EXPECT_EQ(m_.overburdenStress[2][1][1], 2.0);
  EXPECT_EQ(m_.overburdenStress[1][1][2], 100.0);
  EXPECT_EQ(m_.overburdenStress[2][1][2], -0.25);
  EXPECT_EQ(m_.topoBlockWidth, 10.0);
  EXPECT_EQ(m_.topoOriginY, 200.0);
  EXPECT_EQ(m_.topoDatumZ, -500.0);
}

TEST_F(GridFiles, TopoStressFileThatCannotBeWrittenIsReported) {
  Seams(1, 2, 2, 10);
  m_.overburdenStress.Fill(5);
  const fs::path full = FullDeviceLink(dir_, "model.tpo");
  if (full.empty()) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(m_.TopoStressWriter(), 1);
  ASSERT_EQ(messages_.boxes.size(), 1u);
  EXPECT_EQ(messages_.boxes[0], "Error in Opening the Topographic Stress Output File - PTS1\n");
}

TEST_F(GridFiles, CrLfTopoStressFileReadsLikeLf) {
  Seams(2, 2, 2, 10);
  const std::string text =
      "  1,       4,           10,   2,   2,         -100,          200,         -500\n"
      "  2,Overburden Stress Seam #1,Overburden Stress Seam #2\n"
      "  2,                      psi,                      psi\n"
      "         550,         605\n"
      "       550.5,       605.5\n"
      "  1.2346e+03,  -2.5e-01\n"
      "           0,           1\n";
  WriteFile(dir_ / "model.tpo", WithCrLf(text));
  ASSERT_EQ(m_.TopoStressReader(), 0);
  EXPECT_EQ(m_.overburdenStress[1][1][1], 550.0);
  EXPECT_EQ(m_.overburdenStress[2][1][2], 605.5);
  EXPECT_EQ(m_.overburdenStress[1][2][1], static_cast<double>(1234.6f));
  EXPECT_EQ(m_.overburdenStress[2][2][1], -0.25);
  EXPECT_EQ(m_.overburdenStress[2][2][2], 1.0);
}

TEST_F(GridFiles, NumbersAreReadTheSameUnderADecimalCommaLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no decimal-comma locale installed";
  Seams(1, 1, 2, 10);
  WriteFile(dir_ / "model.tpo",
            "  1,       2,           10,   1,   2,         -100,          200,         -500\n"
            "  1,Overburden Stress Seam #1\n  1,psi\n       550.5\n    -1.25e+3\n");
  const int result = m_.TopoStressReader();
  std::setlocale(LC_NUMERIC, saved.c_str());
  ASSERT_EQ(result, 0);
  EXPECT_EQ(m_.overburdenStress[1][1][1], 550.5);
  EXPECT_EQ(m_.overburdenStress[1][1][2], -1250.0);
}

// ---- .top ------------------------------------------------------------------------

TEST_F(GridFiles, TopoInputGridIsReadXOuterWithTitleLinesSkipped) {
  // Blank lines and leading blanks after the header are swallowed by its
  // line end; the next two lines are titles; heights follow in any layout.
  WriteFile(dir_ / "model.top",
            "  1,  6, 50.0, 2, 3, -25.0, 40.5, 300.0\n"
            "\n"
            "   Surface Heights, with, commas\n"
            "  ft\n"
            "310.5 320\n"
            "  330\n"
            "   -1.5e2, 0 7\n");
  // "-1.5e2," stops at the comma, which no number can start with.
  EXPECT_EQ(m_.TopoInputReader(), 3);
  EXPECT_EQ(messages_.boxes.back(), "Error reading the Topographic Grid Stress - RTI3\n");

  messages_.boxes.clear();
  WriteFile(dir_ / "model.top",
            "  1,  6, 50.0, 2, 3, -25.0, 40.5, 300.0\n"
            "\n"
            "   Surface Heights, with, commas\n"
            "  ft\n"
            "310.5 320\n"
            "  330\n"
            "   -1.5e2 0 7\n");
  ASSERT_EQ(m_.TopoInputReader(), 0);
  EXPECT_TRUE(messages_.boxes.empty());
  EXPECT_EQ(m_.topoBlockCount, 6);
  EXPECT_EQ(m_.topoBlockWidth, 50.0);
  EXPECT_EQ(m_.topoNx, 2);
  EXPECT_EQ(m_.topoNy, 3);
  EXPECT_EQ(m_.topoOriginX, -25.0);
  EXPECT_EQ(m_.topoOriginY, 40.5);
  EXPECT_EQ(m_.topoDatumZ, 300.0);
  EXPECT_EQ(m_.topoLoad[1][1], 310.5);
  EXPECT_EQ(m_.topoLoad[1][2], 320.0);
  EXPECT_EQ(m_.topoLoad[1][3], 330.0);
  EXPECT_EQ(m_.topoLoad[2][1], -150.0);
  EXPECT_EQ(m_.topoLoad[2][2], 0.0);
  EXPECT_EQ(m_.topoLoad[2][3], 7.0);
  // The displacement grid comes with a ghost border.
  EXPECT_EQ(m_.topoDisplacement.rowLow(), 0);
  EXPECT_EQ(m_.topoDisplacement.rowHigh(), 3);
  EXPECT_EQ(m_.topoDisplacement.colHigh(), 4);
}

TEST_F(GridFiles, TopoHeightLongerThanTwelveCharactersIsTwoNumbers) {
  WriteFile(dir_ / "model.top",
            "1,2,10,1,2,0,0,0\ntitles\nunits\n"
            "100.00000000200\n");  // 12 characters, then "200"
  ASSERT_EQ(m_.TopoInputReader(), 0);
  EXPECT_EQ(m_.topoLoad[1][1], 100.0);
  EXPECT_EQ(m_.topoLoad[1][2], 200.0);
}

TEST_F(GridFiles, CrLfTopoInputReadsLikeLf) {
  const std::string text =
      "  1,  4, 50.0, 2, 2, 0.0, 0.0, 100.0\r\n"
      "Heights\r\n"
      "ft\r\n"
      "101.25\r\n102\r\n103\r\n104.5\r\n";
  WriteFile(dir_ / "model.top", text);
  ASSERT_EQ(m_.TopoInputReader(), 0);
  EXPECT_EQ(m_.topoLoad[1][1], 101.25);
  EXPECT_EQ(m_.topoLoad[2][2], 104.5);
}

TEST_F(GridFiles, TopoInputMayBeAsLongAsTheLargestSeamGrid) {
  // 10000 x 1 blocks is the largest grid along X that is accepted.
  std::string text = "1, 10000, 50.0, 10000, 1, 0.0, 0.0, 9\nt\nu\n";
  for (int k = 1; k <= 10000; ++k) text += "7\n";
  WriteFile(dir_ / "model.top", text);
  ASSERT_EQ(m_.TopoInputReader(), 0);
  EXPECT_TRUE(messages_.boxes.empty());
  EXPECT_EQ(m_.topoNx, 10000);
  EXPECT_EQ(m_.topoLoad[10000][1], 7.0);
}

TEST_F(GridFiles, TopoInputRejectionsCarryTheirCodes) {
  const std::vector<Rejection> cases = {
      {"missing", "", true, 1, "Error in Opening Topographic Input File - RTI1a\n"},
      {"seven values", "1, 4, 50.0, 2, 2, 0.0, 0.0\nt\nu\n1 2 3 4\n", false, 2,
       "Error Reading the Topographic Header Line - RTI2a\n"},
      {"blank before comma", "1 , 4, 50.0, 2, 2, 0.0, 0.0, 9\nt\nu\n1 2 3 4\n", false, 2,
       "Error Reading the Topographic Header Line - RTI2a\n"},
      {"block count", "1, 5, 50.0, 2, 2, 0.0, 0.0, 9\nt\nu\n1 2 3 4\n", false, 3,
       "Inconsistent Data in the Topographic Header Line - RTI2b\n"},
      {"negative counts", "1, 4, 50.0, -2, -2, 0.0, 0.0, 9\nt\nu\n1 2 3 4\n", false, 3,
       "Inconsistent Data in the Topographic Header Line - RTI2b\n"},
      {"short grid", "1, 4, 50.0, 2, 2, 0.0, 0.0, 9\nt\nu\n1 2 3\n", false, 3,
       "Error reading the Topographic Grid Stress - RTI3\n"},
      {"infinite height", "1, 4, 50.0, 2, 2, 0.0, 0.0, 9\nt\nu\n1 2 inf 4\n", false, 3,
       "Error reading the Topographic Grid Stress - RTI3\n"},
      {"nan height", "1, 4, 50.0, 2, 2, 0.0, 0.0, 9\nt\nu\n1 2 -nan 4\n", false, 3,
       "Error reading the Topographic Grid Stress - RTI3\n"},
      {"nan datum", "1, 4, 50.0, 2, 2, 0.0, 0.0, nan\nt\nu\n1 2 3 4\n", false, 2,
       "Error Reading the Topographic Header Line - RTI2a\n"},
      // 20000 x 1 blocks: consistent, but longer along X than any seam grid.
      {"too many along X", "1, 20000, 50.0, 20000, 1, 0.0, 0.0, 9\nt\nu\n1 2 3 4\n", false, 3,
       "Inconsistent Data in the Topographic Header Line - RTI2b\n"},
      {"too many along Y", "1, 10001, 50.0, 1, 10001, 0.0, 0.0, 9\nt\nu\n1 2 3 4\n", false, 3,
       "Inconsistent Data in the Topographic Header Line - RTI2b\n"},
      {"zero width", "1, 4, 0.0, 2, 2, 0.0, 0.0, 9\nt\nu\n1 2 3 4\n", false, 4,
       "Topographic Block Width Must Be Greater Than Zero - RTI2c\n"},
      {"negative width", "1, 4, -50, 2, 2, 0.0, 0.0, 9\nt\nu\n1 2 3 4\n", false, 4,
       "Topographic Block Width Must Be Greater Than Zero - RTI2c\n"},
      {"height beyond double", "1, 4, 50.0, 2, 2, 0.0, 0.0, 9\nt\nu\n1 2 1e309 4\n", false, 3,
       "Error reading the Topographic Grid Stress - RTI3\n"},
      // Found by the .top fuzz target.
      {"fuzzed, negative width",
       "  1,       6,           -1,   3,   2,    10,   3,   2,        \x7f    0,        02.436\n"
       "    \x7f    0,        02.436   202.868   203.112\n"
       "   203.112   202.868   202.436   201.907   201..079\n  260 2.5e2\n \x06" "201.5 -1e3\n",
       false, 4, "Topographic Block Width Must Be Greater Than Zero - RTI2c\n"},
      {"width beyond double", "1, 4, 1e309, 2, 2, 0.0, 0.0, 9\nt\nu\n1 2 3 4\n", false, 2,
       "Error Reading the Topographic Header Line - RTI2a\n"},
  };
  ExpectRejections(cases, dir_ / "model.top", [&] { return m_.TopoInputReader(); });
}

TEST_F(GridFiles, TopoInputTooShortForItsGridAllocatesNothing) {
  // A few bytes announcing the largest grid are refused before 10000 x 10000
  // heights are allocated.
  WriteFile(dir_ / "model.top", "1, 100000000, 50.0, 10000, 10000, 0.0, 0.0, 9\nt\nu\n1 2 3 4\n");
  EXPECT_EQ(m_.TopoInputReader(), 3);
  EXPECT_EQ(messages_.boxes.back(), "Error reading the Topographic Grid Stress - RTI3\n");
  EXPECT_FALSE(m_.topoLoad);
  EXPECT_FALSE(m_.topoDisplacement);
}

// ---- .sms ------------------------------------------------------------------------

class OffSeamGridFile : public GridFiles {
 protected:
  void Grid(int nx, int ny) {
    m_.offSeamNx = nx;
    m_.offSeamNy = ny;
    m_.offSeamNz = 1;
    m_.offSeamBlockCount = nx * ny;
    m_.offSeamBlockWidth = 10;
    m_.offSeamOriginX = 0;
    m_.offSeamOriginY = 0;
    m_.offSeamOriginZ = -250;
    m_.offSeamStressGrid.Allocate(1, 1, 1, nx, 1, ny);
  }
  void FillStep(int step) {
    for (int i = 1; i <= m_.offSeamNx; ++i)
      for (int j = 1; j <= m_.offSeamNy; ++j)
        m_.offSeamStressGrid[1][i][j] = 100.0 * step + 10 * i + j;
  }
};

TEST_F(OffSeamGridFile, OneHeaderAndOneBlockPerStep) {
  Grid(2, 2);
  FillStep(1);
  ASSERT_EQ(m_.OffSeamStressWriter(1), 0);
  FillStep(2);
  ASSERT_EQ(m_.OffSeamStressWriter(2), 0);
  EXPECT_EQ(ReadFile(dir_ / "model.sms"),
            "  1,       4,           10,   2,   2,            0,            0,         -250\n"
            "  1,Off-Seam Stress Grid #1\n"
            "  1,                      psi\n"
            "         111\n         112\n         121\n         122\n"
            "         211\n         212\n         221\n         222\n");
  // A new step 1 starts the file afresh.
  FillStep(3);
  ASSERT_EQ(m_.OffSeamStressWriter(1), 0);
  EXPECT_EQ(ReadFile(dir_ / "model.sms"),
            "  1,       4,           10,   2,   2,            0,            0,         -250\n"
            "  1,Off-Seam Stress Grid #1\n"
            "  1,                      psi\n"
            "         311\n         312\n         321\n         322\n");
}

TEST_F(OffSeamGridFile, UnwritableFileIsReported) {
  Grid(1, 1);
  m_.inputFolder = (dir_ / "no-such-folder").string() + "/";
  EXPECT_EQ(m_.OffSeamStressWriter(1), 1);
  ASSERT_EQ(messages_.boxes.size(), 1u);
  EXPECT_EQ(messages_.boxes[0], "Error in Opening the Off-Seam Stress Output File - POSS1\n");
}

TEST_F(OffSeamGridFile, FileThatCannotBeWrittenIsReportedAtEveryStep) {
  Grid(2, 2);
  FillStep(1);
  const fs::path full = FullDeviceLink(dir_, "model.sms");
  if (full.empty()) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(m_.OffSeamStressWriter(1), 1);
  EXPECT_EQ(m_.OffSeamStressWriter(2), 1);
  ASSERT_EQ(messages_.boxes.size(), 2u);
  EXPECT_EQ(messages_.boxes[0], "Error in Opening the Off-Seam Stress Output File - POSS1\n");
  EXPECT_EQ(messages_.boxes[1], "Error in Opening the Off-Seam Stress Output File - POSS1\n");
}

TEST_F(OffSeamGridFile, NameFollowsTheModelNowOpen) {
  // One window opens two models in turn: each writes and reads its own grid.
  Grid(1, 1);
  FillStep(1);
  ASSERT_EQ(m_.OffSeamStressWriter(1), 0);
  m_.inputFileTitle = "second";
  FillStep(2);
  ASSERT_EQ(m_.OffSeamStressWriter(1), 0);
  EXPECT_EQ(m_.staticStressFileName, (dir_ / "second.sms").string());
  EXPECT_NE(ReadFile(dir_ / "model.sms").find("\n         111\n"), std::string::npos);
  EXPECT_NE(ReadFile(dir_ / "second.sms").find("\n         211\n"), std::string::npos);

  Seams(1, 1, 1, 10);
  RunLog noLog;
  ASSERT_EQ(m_.StaticStressReader(noLog), 0);
  EXPECT_EQ(m_.preCalculatedStress[1][1][1], 211.0);
  m_.inputFileTitle = "model";
  ASSERT_EQ(m_.StaticStressReader(noLog), 0);
  EXPECT_EQ(m_.preCalculatedStress[1][1][1], 111.0);
  EXPECT_EQ(m_.staticStressFileName, (dir_ / "model.sms").string());
}

TEST_F(OffSeamGridFile, StaticStressReaderLoadsTheFirstStepIntoTheSeams) {
  // The off-seam grid of one run, on a 2 x 2 grid of 10-wide blocks, loads
  // seam 1 of a two-seam model on the same grid; seam 2 keeps zero.
  Grid(2, 2);
  FillStep(1);
  ASSERT_EQ(m_.OffSeamStressWriter(1), 0);
  FillStep(2);
  ASSERT_EQ(m_.OffSeamStressWriter(2), 0);
  WriteFile(dir_ / "model.sms", WithCrLf(ReadFile(dir_ / "model.sms")));

  Seams(2, 2, 2, 10);
  const fs::path logPath = dir_ / "model.out";
  RunLog log = RunLog::Open(logPath.string(), "w");
  ASSERT_TRUE(log);
  const int result = m_.StaticStressReader(log);
  log.Close();
  ASSERT_EQ(result, 0);
  EXPECT_TRUE(messages_.boxes.empty());
  EXPECT_EQ(m_.preCalculatedStress[1][1][1], 111.0);
  EXPECT_EQ(m_.preCalculatedStress[1][1][2], 112.0);
  EXPECT_EQ(m_.preCalculatedStress[1][2][2], 122.0);
  EXPECT_EQ(m_.preCalculatedStress[2][2][2], 0.0);
  ASSERT_EQ(progress_.phases.size(), 1u);
  EXPECT_EQ(progress_.phases[0], "Reading Pre-Calculated Static Stresses");
  EXPECT_EQ(messages_.console, "Reading the static stress file\n\n");
  const std::string logText = ReadFile(logPath);
  EXPECT_EQ(logText.rfind("Reading Pre-Calculated Static Stresses\n\n  STATIC STRESS GRID DETAILS\n",
                          0),
            0u);
}

TEST_F(OffSeamGridFile, StaticStressReaderRejectionsCarryTheirCodes) {
  Seams(1, 2, 2, 10);
  const std::string head = "  1,       4,           10,   2,   2,            0,            0,"
                           "         -250\n";
  const std::vector<Rejection> cases = {
      {"missing", "", true, 1, "Error in Opening Static Stress File - RSS1a\n"},
      {"empty", "\n", false, 2, "Read an empty line in the Static Stress File - RSS2a\n"},
      {"x size", "  1,       6,           10,   3,   2,  0,  0,  -250\n", false, 3,
       "Input Static Stress X Size Does Not Match Present Seam Grids - RSS2b\n"},
      {"y size", "  1,       6,           10,   2,   3,  0,  0,  -250\n", false, 4,
       "Input Static Stress Y Size Does Not Match Present Seam Grids - RSS2c\n"},
      {"width", "  1,       4,         10.5,   2,   2,  0,  0,  -250\n", false, 5,
       "Input Static Stress Block Size Does Not Match Present Element Size - RSS2d\n"},
      {"no titles", head, false, 6, "Read an empty line in the Static Stress File - RSS3a\n"},
      {"two grids", head + "  2,a,b\n", false, 7,
       "Too Many Grids in the Static Stress File - RSS3b\n"},
      {"two signs on the grid count", head + "  +-1,a\n  1,psi\n 1\n 2\n 3\n 4\n", false, 6,
       "Read an empty line in the Static Stress File - RSS3a\n"},
      {"infinite value", head + "  1,a\n  1,psi\n 1\n inf\n 3\n 4\n", false, 8,
       "Read an empty line in the Static Stress File - RSS4a"},
      {"short", head + "  1,a\n  1,psi\n 1\n 2\n 3\n", false, 8,
       "Read an empty line in the Static Stress File - RSS4a"},
      {"value beyond double", head + "  1,a\n  1,psi\n 1\n 2\n -1e309\n 4\n", false, 8,
       "Read an empty line in the Static Stress File - RSS4a"},
      {"block count", "  1,       5,           10,   2,   2,  0,  0,  -250\n  1,a\n", false, 9,
       "Inconsistent Block Count in the Static Stress Header Line - RSS2e\n"},
      {"no grids", head + "  0,\n  0,\n 1\n 2\n 3\n 4\n", false, 10,
       "The Static Stress File Must Hold at Least One Grid - RSS3c\n"},
      {"negative grid count", head + "  -1,a\n  1,psi\n 1\n 2\n 3\n 4\n", false, 10,
       "The Static Stress File Must Hold at Least One Grid - RSS3c\n"},
      // Found by the .sms fuzz target: no grid, so any non-empty lines were
      // accepted as data and nothing was loaded.
      {"fuzzed, no blocks and no grid", "  1,00,   10,  2,  2,     0,  0,71\n 0 ,\n 8\n  -\n 8\n  -\n",
       false, 9, "Inconsistent Block Count in the Static Stress Header Line - RSS2e\n"},
      {"fuzzed, no grid", "  1,4,   10,  2,  2,     0,  0,71\n 0 ,\n 8\n  -\n 8\n  -\n", false,
       10, "The Static Stress File Must Hold at Least One Grid - RSS3c\n"},
  };
  ExpectRejections(cases, dir_ / "model.sms", [&] {
    RunLog log = RunLog::Open((dir_ / "model.out").string(), "w");
    EXPECT_TRUE(log);
    if (!log) return -1;
    return m_.StaticStressReader(log);
  });
}

TEST_F(OffSeamGridFile, WidthIsComparedAtItsPrintedPrecision) {
  // The writer prints the width with five significant digits (123.456 as
  // 123.46), so the grid of a run reads back on a model of the same width
  // whatever its digits; a width that differs within five digits is refused.
  for (const double width : {123.456, 12.3456, 0.1 + 0.2, 1e-7 / 3}) {
    SCOPED_TRACE(width);
    Grid(1, 2);
    m_.offSeamBlockWidth = width;
    FillStep(1);
    ASSERT_EQ(m_.OffSeamStressWriter(1), 0);
    Seams(1, 1, 2, width);
    RunLog log = RunLog::Open((dir_ / "model.out").string(), "w");
    ASSERT_TRUE(log);
    EXPECT_EQ(m_.StaticStressReader(log), 0);
    EXPECT_EQ(m_.preCalculatedStress[1][1][2], 112.0);
    m_.elementWidth = width * (1 + 1e-4);
    EXPECT_EQ(m_.StaticStressReader(log), 5);
  }
  EXPECT_EQ(messages_.boxes,
            std::vector<std::string>(
                4, "Input Static Stress Block Size Does Not Match Present Element Size - RSS2d\n"));
}

// ---- through the command line ----------------------------------------------------

std::string HillWith(const std::string& control, const std::string& extraLine) {
  std::string input = ReadFile(ExamplePath("hill.inp"));
  const std::string original = "1.5,0.00002,2000,1,2,1,0,1,1,1,0,0,1,0\n0,1,0,1\n";
  const std::size_t at = input.find(original);
  EXPECT_NE(at, std::string::npos);
  if (at != std::string::npos) input.replace(at, original.size(), control + "0,1,0,1\n" + extraLine);
  return input;
}

TEST(StaticStressRun, OffSeamGridOfOneRunLoadsTheSeamOfAnother) {
  // Run A writes the off-seam stress grid of a plane 40 x 40 blocks of 5 m,
  // the seam grid of the hill model, 100 m above the seam. Run B, the hill
  // model without topography, loads it as static stresses.
  const fs::path root = ScratchFolder();
  fs::create_directories(root / "a");
  fs::create_directories(root / "b");
  WriteFile(root / "a" / "hill.inp", HillWith("1.5,0.00002,2000,1,2,0,1,0,0,0,0,0,0,0\n",
                                              "0,1,0,0,-100,5,0,40,40,1,1600\n"));
  ASSERT_EQ(RunQuiet(root / "a" / "hill.inp"), 0) << ReadFile(root / "a" / "console.txt");
  ASSERT_TRUE(fs::exists(root / "a" / "hill.sms"));

  const std::string plain = HillWith("1.5,0.00002,2000,1,2,0,0,0,0,0,0,0,0,0\n", "");
  WriteFile(root / "b" / "hill.inp", plain);
  ASSERT_EQ(RunQuiet(root / "b" / "hill.inp"), 0) << ReadFile(root / "b" / "console.txt");
  const std::string without = ReadFile(root / "b" / "hill.f1");
  fs::copy_file(root / "a" / "hill.sms", root / "b" / "hill.sms");
  ASSERT_EQ(RunQuiet(root / "b" / "hill.inp", "--static-stresses"), 0)
      << ReadFile(root / "b" / "console.txt");
  const std::string log = ReadFile(root / "b" / "hill.out");
  EXPECT_NE(log.find("Reading Pre-Calculated Static Stresses\n\n  STATIC STRESS GRID DETAILS\n"),
            std::string::npos);
  EXPECT_NE(log.find("  NO. OF STATIC STRESS BLOCKS ALONG X AXIS     -- 40\n"), std::string::npos);
  // The loaded stresses change the solution.
  EXPECT_NE(ReadFile(root / "b" / "hill.f1"), without);
}

}  // namespace
}  // namespace kavrel
