// Checks of the local mine stiffness runs of a step: which elements a removal
// run mines out and puts back, the recorded states and stiffnesses, the log
// table byte for byte, the failures, and the number of result blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "post/local_mine_stiffness.h"
#include "post/pillars.h"
#include "support/fatal_exits.h"
#include "support/recording_sinks.h"
#include "support/run_logs.h"
#include "support/seam_grids.h"
#include "support/seam_pillars.h"
#include "support/scratch_files.h"

namespace kavrel {
namespace {

namespace fs = std::filesystem;

using testing_support::ExitCodeOf;
using testing_support::LogText;
using testing_support::ReadFile;
using testing_support::RecordingMessages;
using testing_support::RecordingProgress;
using testing_support::ScratchFolder;
using testing_support::SeamGrids;
using testing_support::SeamPillars;
using testing_support::TemporaryLog;

constexpr double kThickness = 60.0;

// Seam 1 of a one-seam model, rows[i-1][j-1] being element (i, j):
//   A  elastic-plastic coal, 1000 psi at strain 0.01, plastic modulus 50000
//   C  strain-softening coal, 1000 psi at 0.01 falling to 200 psi at 0.05
//   E  bilinear gob
struct LmsModel {
  CModelDat m;
  RecordingMessages messages;
  RecordingProgress progress;
  fs::path dir;
  RunLog log;

  LmsModel(const std::string& name, const std::vector<std::string>& rows, int stepCount) {
    dir = ScratchFolder(name);
    m.SetMessages(&messages);
    m.SetProgress(&progress);
    m.SetInputFolder(dir.string() + "/");
    m.SetInputFileTitle("lms");
    m.seamCount = 1;
    m.stepCount = stepCount;
    m.unitSystem = 0;
    m.nx = static_cast<int>(rows.size());
    m.ny = static_cast<int>(rows[0].size());
    m.elementWidth = 20.0;
    m.seamThickness[1] = kThickness;
    m.materialCount = 5;
    SetMaterial(0, 3, {1000, 0.01, 50000, 0.25, 0});
    SetMaterial(2, 2, {1000, 0.01, 200, 0.05, 0.25});
    SetMaterial(4, 4, {500, 0.2, 3000, 1.5, 0.25});
    m.fineCodes.Allocate(1, 1, 1, m.nx, 1, m.ny);
    for (int i = 1; i <= m.nx; ++i)
      for (int j = 1; j <= m.ny; ++j) m.fineCodes[1][i][j] = rows[i - 1][j - 1];
    m.convergence.Allocate(1, 1, 0, m.nx + 1, 0, m.ny + 1);
    m.convergence.Fill(0.0);
    m.totalStress.Allocate(1, 1, 1, m.nx, 1, m.ny);
    m.totalStress.Fill(0.0);
    m.overburdenStress.Allocate(1, 1, 1, m.nx, 1, m.ny);
    m.overburdenStress.Fill(1100.0);
    m.pillarGrid.Allocate(1, m.nx, 0, m.ny);
    m.SetUnits();
    log = RunLog::Open((dir / "lms.out").string(), "w");
  }
  ~LmsModel() { m.ReleasePillars(); }

  void SetMaterial(int code, int type, std::vector<double> props) {
    m.materialType[code] = type;
    for (int k = 0; k < 5; ++k) m.materialProps[code][k] = props[k];
  }
  void SetLms(std::vector<std::pair<int, int>> locations) {
    m.lmsPillarCount = static_cast<int>(locations.size());
    for (int p = 1; p <= m.lmsPillarCount; ++p) {
      m.lmsX[p] = locations[p - 1].first;
      m.lmsY[p] = locations[p - 1].second;
    }
  }
  std::string Codes() const {
    std::string text;
    for (int i = 1; i <= m.nx; ++i) {
      for (int j = 1; j <= m.ny; ++j) text += m.fineCodes[1][i][j];
      text += '/';
    }
    return text;
  }
  // Stands in for a solution: every unmined element of seam 1 gets the
  // given convergence and stress, every mined-out one `openConvergence` and 0.
  void Solve(double convergence, double stress, double openConvergence) {
    for (int i = 1; i <= m.nx; ++i)
      for (int j = 1; j <= m.ny; ++j) {
        const bool open = m.fineCodes[1][i][j] == '1';
        m.convergence[1][i][j] = open ? openConvergence : convergence;
        m.totalStress[1][i][j] = open ? 0.0 : stress;
      }
  }
  std::string Log() { return ReadFile(dir / "lms.out"); }
};

const std::vector<std::string> kSeam = {"AAA1CC",
                                        "AAA1CC",
                                        "111111",
                                        "CC1EE1"};

TEST(LocalMineStiffness, BaseRunLeavesCodesAndRunControlAlone) {
  LmsModel t("LmsBaseRun", kSeam, 1);
  t.SetLms({{1, 1}});
  int M = 17, L = 1;
  t.m.StartLmsPillar(0, t.log, M, L);
  EXPECT_EQ(M, 17);
  EXPECT_EQ(L, 1);
  EXPECT_TRUE(t.progress.calls.empty());
  EXPECT_EQ(t.Codes(), "AAA1CC/AAA1CC/111111/CC1EE1/");
}

TEST(LocalMineStiffness, TwoLocationsInOnePillarBothMineOutTheWholePillar) {
  LmsModel t("LmsTwoLocations", kSeam, 1);
  t.SetLms({{1, 1}, {2, 3}});
  RunLog& log = t.log;
  int M = 5, L = 0;

  t.m.StartLmsPillar(0, log, M, L);
  t.Solve(0.3, 700.0, 1.0);  // strain 0.005
  t.m.FinishLmsPillar(1, 0, log);

  for (int p = 1; p <= 2; ++p) {
    t.m.StartLmsPillar(p, log, M, L);
    EXPECT_EQ(M, 1001);
    EXPECT_EQ(L, 3);
    EXPECT_EQ(t.Codes(), "1111CC/1111CC/111111/CC1EE1/") << "run " << p;
    t.Solve(0.36, 750.0, 1.5);
    t.m.FinishLmsPillar(1, p, log);
    EXPECT_EQ(t.Codes(), "AAA1CC/AAA1CC/111111/CC1EE1/") << "run " << p;
    M = 5;
    L = 0;
  }
  EXPECT_EQ(t.progress.calls,
            (std::vector<std::string>{"OpenSeamPanel", "SetLevel 3", "OpenSeamPanel", "SetLevel 3"}));

  for (int p = 1; p <= 2; ++p) {
    const LmsResult& r = t.m.lmsResults[p];
    EXPECT_DOUBLE_EQ(r.initialStress, 700.0);
    EXPECT_DOUBLE_EQ(r.initialConvergence, 0.3);
    // the removed pillar's own elements are open in the removal run
    EXPECT_DOUBLE_EQ(r.finalStress, 0.0);
    EXPECT_DOUBLE_EQ(r.finalConvergence, 1.5);
    EXPECT_NEAR(r.mineStiffness, -700.0 / 1.2, 1e-9);
    // elastic-plastic pillar: slopes 1e5 and 49500/0.99 = 50000, per 60 in
    EXPECT_NEAR(r.pillarStiffness, 50000.0 / 60.0, 1e-6);
  }
}

TEST(LocalMineStiffness, LogTableIsWrittenOnceAfterTheLastRemovalRun) {
  LmsModel t("LmsTableOnce", kSeam, 1);
  t.SetLms({{2, 5}, {4, 2}});
  RunLog& log = t.log;
  int M = 0, L = 0;
  t.Solve(0.9, 800.0, 1.0);  // strain 0.015, on the falling branch
  t.m.FinishLmsPillar(1, 0, log);
  t.m.StartLmsPillar(1, log, M, L);
  t.m.FinishLmsPillar(1, 1, log);
  EXPECT_EQ(t.Log(), "");
  t.m.StartLmsPillar(2, log, M, L);
  t.Solve(1.2, 600.0, 1.0);
  t.m.FinishLmsPillar(1, 2, log);
  const std::string log_text = t.Log();
  EXPECT_EQ(log_text.rfind("  LOCAL MINE STIFFNESS CALCULATION FOR STEP   1\n", 0), 0u);
  EXPECT_EQ(log_text.find("LOCAL MINE", 10), std::string::npos);
  // both softening pillars: the post-peak slope -800/0.04 per 60 in
  EXPECT_NEAR(t.m.lmsResults[1].pillarStiffness, -20000.0 / 60.0, 1e-9);
  EXPECT_NEAR(t.m.lmsResults[2].pillarStiffness, -20000.0 / 60.0, 1e-9);
  // pillar 2 opened up to 1.0 and lost its 800 psi
  EXPECT_NEAR(t.m.lmsResults[2].mineStiffness, -800.0 / 0.1, 1e-6);
}

TEST(LocalMineStiffness, MineOutAndRestoreOnePillarOfExplicitCodes) {
  SeamGrids seam(kSeam, kThickness, 20.0);
  const SeamPillars pillars(seam.codes, seam.nx, seam.ny);
  const Pillar& second = *pillars.list.head->next;  // the softening strip, created second
  MineOutPillar(second, seam.codes);
  const auto codes = [&seam] {
    std::string text;
    for (int i = 1; i <= seam.nx; ++i) text += std::string(seam.codes[i] + 1, 6) + '/';
    return text;
  };
  EXPECT_EQ(codes(), "AAA111/AAA111/111111/CC1EE1/");
  RestorePillar(second, seam.codes);
  EXPECT_EQ(codes(), "AAA1CC/AAA1CC/111111/CC1EE1/");
}

TEST(LocalMineStiffness, TableFormatByteForByte) {
  LmsTableRow a{1, 1};
  a.initialStress = 1234.4;
  a.finalStress = 0.0;
  a.initialConvergence = 0.3;
  a.finalConvergence = 1.25;
  a.mineStiffness = -1299.368;
  a.pillarStiffness = 1666.67;
  LmsTableRow b{12, 104};
  b.initialStress = 987.6;
  b.finalStress = 1500.5;
  b.initialConvergence = 0.4567;
  b.finalConvergence = 0.4567;
  b.mineStiffness = (b.finalStress - b.initialStress) / (b.finalConvergence - b.initialConvergence);
  b.pillarStiffness = -333.3;
  RunLog log = TemporaryLog();
  const LmsTableRow rows[] = {a, b};
  WriteLocalMineStiffnessTable(7, rows, log);
  EXPECT_EQ(LogText(log),
            "  LOCAL MINE STIFFNESS CALCULATION FOR STEP   7\n"
            "  PILLAR    X      Y        INITIAL         FINAL     INITIAL       FINAL         MINE"
            "         PILLAR\n"
            "    NO.   INDEX  INDEX      STRESS          STRESS     DISP.        DISP.       "
            "STIFFNESS     STIFFNESS\n"
            "    1        1      1         1234            0        0.300        1.250         -1299"
            "         1667 \n"
            "    2       12    104          988         1500        0.457        0.457           inf"
            "         -333 \n"
            "\n"
            "LMS Pillar 2: removing it left its average convergence unchanged, so its mine "
            "stiffness is undefined\n\n");
}

TEST(LocalMineStiffness, LocationOnAMinedOutElementFailsAfterTheBaseRun) {
  LmsModel t("LmsMinedOut", kSeam, 1);
  t.SetLms({{1, 1}, {1, 4}});
  int M = 0, L = 0;
  t.m.StartLmsPillar(0, t.log, M, L);
  EXPECT_EQ(ExitCodeOf([&] { t.m.FinishLmsPillar(1, 0, t.log); }), 1);
  EXPECT_EQ(t.messages.boxes,
            (std::vector<std::string>{
                "Grid Location X= 1, Y= 4 for LMS Pillar 2 is not in a pillar - LMSC1\n"}));
  EXPECT_TRUE(t.messages.diagnostics.empty());
  // nothing was written before the failure
  EXPECT_FALSE(fs::exists(t.dir / "lms.f1"));
  EXPECT_EQ(t.Log(), "");
}

TEST(LocalMineStiffness, LocationOutsideTheGridIsNotInAPillar) {
  LmsModel t("LmsOutside", kSeam, 1);
  t.SetLms({{5, 1}});
  EXPECT_EQ(ExitCodeOf([&] { t.m.FinishLmsPillar(1, 0, t.log); }), 1);
  ASSERT_EQ(t.messages.boxes.size(), 1u);
  EXPECT_EQ(t.messages.boxes[0],
            "Grid Location X= 5, Y= 1 for LMS Pillar 1 is not in a pillar - LMSC1\n");
}

TEST(LocalMineStiffness, GobPillarFailsWithPsd1) {
  LmsModel t("LmsGob", kSeam, 1);
  t.SetLms({{4, 5}});
  EXPECT_EQ(ExitCodeOf([&] { t.m.FinishLmsPillar(1, 0, t.log); }), 2);
  EXPECT_EQ(t.messages.boxes,
            (std::vector<std::string>{"Invalid Material Type - Must Be Coal in LMS Pillar - PSD1\n"}));
}

TEST(LocalMineStiffness, WithoutLmsPillarsNothingHappens) {
  LmsModel t("LmsNone", kSeam, 1);
  int M = 40, L = 2;
  t.m.StartLmsPillar(0, t.log, M, L);
  t.m.FinishLmsPillar(1, 0, t.log);
  EXPECT_EQ(t.m.pillarListHead, nullptr);
  EXPECT_EQ(M, 40);
  EXPECT_FALSE(fs::exists(t.dir / "lms.f1"));
  EXPECT_EQ(t.Log(), "");
}

TEST(LocalMineStiffness, ResultFilesHoldTheAnnouncedNumberOfBlocks) {
  // Two steps with two LMS pillars: the removal runs write their blocks as
  // they finish and the driver writes the last run's block after the
  // step's post-processing, so each step gives three blocks.
  LmsModel t("LmsBlocks", kSeam, 2);
  t.SetLms({{1, 2}, {1, 6}});
  RunLog& log = t.log;
  for (int step = 1; step <= 2; ++step) {
    int M = 1001, L = 3;
    for (int p = 0; p <= t.m.lmsPillarCount; ++p) {
      t.m.StartLmsPillar(p, log, M, L);
      t.Solve(0.3 * step + 0.01 * p, 700.0 + p, 1.0);
      t.m.FinishLmsPillar(step, p, log);
    }
    t.m.ReleasePillars();
    ASSERT_EQ(t.m.WriteResults(step == 1 ? 2 : step), 0);  // the driver's write of the last run
  }
  const std::vector<std::string> file = testing_support::FileLines(t.dir / "lms.f1");
  ASSERT_FALSE(file.empty());
  const int announced = std::stoi(file[0]);
  const int lines = static_cast<int>(file.size()) - 1;
  const int headerLines = 2;
  const int elements = t.m.nx * t.m.ny;
  EXPECT_EQ(announced, 6);
  EXPECT_EQ((lines - headerLines) % elements, 0);
  EXPECT_EQ((lines - headerLines) / elements, announced);

  // one table per step, in step order
  const std::string log_text = t.Log();
  const size_t first = log_text.find("CALCULATION FOR STEP   1\n");
  const size_t second = log_text.find("CALCULATION FOR STEP   2\n");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_EQ(log_text.find("CALCULATION FOR STEP", second + 1), std::string::npos);
}

}  // namespace
}  // namespace kavrel
