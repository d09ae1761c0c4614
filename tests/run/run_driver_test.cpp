// Whole runs of small models through RunAnalysis, checked through the log.
//
// The driver's log lines are compared line by line with a schedule written
// out independently here (the pass rules of the detail levels replayed from the
// sweep counts the log reports); times are masked. Lines written by callees
// (SOR progress, profile tables, LMS table) are skipped except the markers
// that fix the order of the stages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "shell/console/front_end.h"
#include "support/fatal_exits.h"
#include "support/recording_sinks.h"
#include "support/scratch_files.h"

namespace fs = std::filesystem;
using kavrel::CModelDat;
using kavrel::ProjectionKind;

namespace {

using kavrel::testing_support::ExitCodeOf;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::RecordingMessages;
using kavrel::testing_support::RecordingProgress;
using kavrel::testing_support::ScratchFolder;
using kavrel::testing_support::WriteFile;

// A square-grid model of elastic (or softening) coal, 240 in elements, seams
// 1000 ft and 1100 ft deep under 1.1 psi/ft, in inches and psi (units 0).
struct ModelText {
  int seams = 2;
  int n = 20;
  int steps = 2;
  int surfaceEffects = 0;
  int safetyFactors = 0;
  bool softeningCoal = false;
  std::vector<std::pair<int, int>> lmsPillars;
  // Code of element (x, y) of seam s at step t.
  std::function<char(int t, int s, int x, int y)> code = [](int, int, int, int) { return 'A'; };

  std::string Text() const {
    std::ostringstream o;
    o << "Driver test model\n";
    o << "0.25,3000000,600," << seams << ",0,0\n";
    o << "1,0,0\n";
    if (softeningCoal)
      o << "2,3000,0.02,800,0.05,0.3\n";
    else
      o << "1,200000,80000,0,0,0\n";
    o << "240," << n << "," << n << ",0.0916667\n";
    for (int s = 1; s <= seams; ++s) o << "0,0," << -12000 - 1200 * (s - 1) << ",72\n";
    o << "1.5,0.0001,20000,1," << steps << "," << surfaceEffects << ",0,0," << safetyFactors
      << ",0,0,0,0," << (lmsPillars.empty() ? 0 : 1) << "\n";
    o << "1,1,1,1\n";
    if (!lmsPillars.empty()) {
      o << lmsPillars.size();
      for (auto [x, y] : lmsPillars) o << "," << x << "," << y;
      o << "\n";
    }
    for (int t = 1; t <= steps; ++t)
      for (int s = 1; s <= seams; ++s)
        for (int y = n; y >= 1; --y) {
          for (int x = 1; x <= n; ++x) o << code(t, s, x, y);
          o << "\n";
        }
    return o.str();
  }
};

struct RunOutput {
  fs::path dir;
  std::string runLog;  // what the run appended to the echo
};

// Reads and echoes the model as File > Open does; fails the test otherwise.
void OpenModel(CModelDat& model, const fs::path& inp) {
  ASSERT_EQ(kavrel::console::OpenModel(model, inp.string(), false), 0);
}

// Writes `text` as <name>.inp into a fresh subfolder `name` of the test's
// folder, binds `model` to `progress` and opens the file; returns the folder.
fs::path OpenInFolder(const std::string& name, const ModelText& text, RecordingProgress& progress,
                      CModelDat& model) {
  const fs::path dir = ScratchFolder(name);
  const fs::path inp = dir / (name + ".inp");
  WriteFile(inp, text.Text());
  model.SetProgress(&progress);
  OpenModel(model, inp);
  return dir;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Replaces the number before every " secs" by '#'.
std::string MaskTimes(const std::string& line) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = line.find(" secs"); at != std::string::npos;
       at = line.find(" secs", at + 5)) {
    std::size_t start = at;
    while (start > from && std::isdigit(static_cast<unsigned char>(line[start - 1]))) --start;
    if (start > from && line[start - 1] == '-') --start;
    out += line.substr(from, start - from);
    out += start < at ? "#" : "";
    from = at;
  }
  out += line.substr(from);
  return out;
}

// Lines of the run log that the driver writes, plus the stage markers; each
// driver line must be followed by an empty line.
bool IsKept(const std::string& line) {
  static const char* prefixes[] = {
      "Reading in material codes for Step ", "Entering SOR - ", "Step ",
      "Saving Old Displacements for Step ", "Averaging Displacements for Step ",
      "Calculating Interseam Stresses - ", "Interseam Stress Calculation - ",
      "Calculating Mirror-Image Stresses - ", "Mirror Stress Calculation - ",
      "Calculating Safety Factors for Seam ", "Safety Factor Calculation for Seam ",
      "Profile Information for Step ", "Final Cumulative Profile Information",
      "Total program running time was ", "Total Time for ", "Detail Level "};
  for (const char* p : prefixes)
    if (line.rfind(p, 0) == 0) return true;
  return false;
}

std::vector<std::string> DriverLines(const std::string& runLog) {
  const std::vector<std::string> all = Lines(runLog);
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!IsKept(all[i])) continue;
    const bool tableHeading = all[i].rfind("Final Cumulative", 0) == 0;
    if (!tableHeading) {
      EXPECT_TRUE(i + 1 < all.size() && all[i + 1].empty())
          << "no empty line after: " << all[i];
    }
    kept.push_back(MaskTimes(all[i]));
  }
  return kept;
}

// Replays the driver's schedule. Sweep counts and the optional averaging
// lines are taken from the actual log at the position where they are due.
class Schedule {
 public:
  Schedule(const std::vector<std::string>& actual, int seams, int surface, int lmsCount,
           int safety)
      : actual_(actual), seams_(seams), surface_(surface), lms_(lmsCount), safety_(safety) {}

  std::vector<std::string> Expected(int steps) {
    int M = 1001;
    for (int step = 1; step <= steps; ++step) {
      for (int s = 1; s <= seams_; ++s)
        Add(Fmt("Reading in material codes for Step %i, Seam %i", step, s));
      int L = 3;
      for (int s = 1; s <= seams_; ++s) {
        Add(Fmt("Entering SOR - Step %i, Seam %i, Level %i", step, s, 3));
        Sor(Fmt("Step %i, Seam %i, Level %i - SOR took ", step, s, 3));
      }
      for (int p = 0; p <= lms_; ++p) {
        if (p >= 1) {
          M = 1001;
          L = 3;
        }
        while (M > kThreshold[L] || L > 0) {
          if (M > 1 && (seams_ > 1 || surface_ == 1)) {
            for (int j = 1; j <= seams_; ++j) {
              for (int k = 1; k <= seams_; ++k) {
                if (k == j) continue;
                if (lms_ > 0) {
                  Add(Fmt("Calculating Interseam Stresses - Step %i, LMS Pillar %i, Seam %i on "
                          "Seam %i, Level %i",
                          step, p, j, k, L));
                  Add(Fmt("Interseam Stress Calculation - Step %i, LMS Pillar %i, Seam %i on "
                          "Seam %i, Level %i took # secs.",
                          step, p, j, k, L));
                } else {
                  Add(Fmt("Calculating Interseam Stresses - Step %i, Seam %i on Seam %i, Level %i",
                          step, j, k, L));
                  Add(Fmt("Interseam Stress Calculation - Step %i, Seam %i on Seam %i, Level %i "
                          "took # secs.",
                          step, j, k, L));
                }
              }
              if (surface_ == 1)
                for (int k = 1; k <= seams_; ++k) {
                  if (lms_ > 0) {
                    Add(Fmt("Calculating Mirror-Image Stresses - Step %i, LMS PIllar %i, Seam %i "
                            "on Seam %i, Level %i",
                            step, p, j, k, L));
                    Add(Fmt("Mirror Stress Calculation - Step %i, LMS Pillar %i, Seam %i on Seam "
                            "%i, Level %i took # secs.",
                            step, p, j, k, L));
                  } else {
                    Add(Fmt("Calculating Mirror-Image Stresses - Step %i, Seam %i on Seam %i, "
                            "Level %i",
                            step, j, k, L));
                    Add(Fmt("Mirror Stress Calculation - Step %i, Seam %i on Seam %i, Level %i "
                            "took # secs.",
                            step, j, k, L));
                  }
                }
            }
          }
          M = 0;
          for (int l = 1; l <= seams_; ++l) {
            Add(Fmt("Saving Old Displacements for Step %i, Seam %i, Level %i", step, l, L));
            int sweeps;
            if (lms_ > 0) {
              Add(Fmt("Entering SOR - Step %i, LMS Pillar %i, Seam %i, Level %i", step, p, l, L));
              sweeps = Sor(Fmt("Step %i, LMS Pillar %i, Seam %i, Level %i - SOR took ", step, p,
                               l, L));
            } else {
              Add(Fmt("Entering SOR - Step %i, Seam %i, Level %i", step, l, L));
              sweeps = Sor(Fmt("Step %i, Seam %i, Level %i - SOR took ", step, l, L));
            }
            M = std::max(M, sweeps);
            const std::string avg =
                Fmt("Averaging Displacements for Step %i, Seam %i, Level %i", step, l, L);
            if (Next() == avg) {
              Add(avg);
              ++averagings;
            }
          }
          ++passes;
          if (M <= kThreshold[L] && L > 0) {
            --L;
            M = kThreshold[L] + 1;
          }
        }
      }
      if (safety_ == 1)
        for (int s = 1; s <= seams_; ++s) {
          Add(Fmt("Calculating Safety Factors for Seam %i", s));
          Add(Fmt("Safety Factor Calculation for Seam %i took # secs.", s));
        }
      Add(Fmt("Profile Information for Step %i", step));
    }
    Add("Final Cumulative Profile Information for all Steps and Seams.");
    Add("Total program running time was # secs");
    return expected_;
  }

  int passes = 0;
  int averagings = 0;
  int solves = 0;

 private:
  static constexpr int kThreshold[4] = {20, 50, 100, 100};

  __attribute__((format(printf, 1, 2))) static std::string Fmt(const char* f, ...) {
    char b[300];
    va_list a;
    va_start(a, f);
    std::vsnprintf(b, sizeof b, f, a);
    va_end(a);
    return b;
  }

  std::string Next() const {
    return expected_.size() < actual_.size() ? actual_[expected_.size()] : std::string();
  }
  void Add(const std::string& line) { expected_.push_back(line); }

  // Expects "<head>%i iterations # secs to converge " and returns the sweep
  // count found in the actual line at this position (0 if there is none, so
  // that the comparison shows the mismatch).
  int Sor(const std::string& head) {
    int sweeps = 0;
    const std::string actual = Next();
    if (actual.rfind(head, 0) == 0) sweeps = std::atoi(actual.c_str() + head.size());
    Add(head + std::to_string(sweeps) + " iterations # secs to converge ");
    ++solves;
    return sweeps;
  }

  const std::vector<std::string>& actual_;
  int seams_, surface_, lms_, safety_;
  std::vector<std::string> expected_;
};

void ExpectSameLines(const std::vector<std::string>& expected,
                     const std::vector<std::string>& actual) {
  const std::size_t n = std::max(expected.size(), actual.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::string e = i < expected.size() ? expected[i] : "<none>";
    const std::string a = i < actual.size() ? actual[i] : "<none>";
    ASSERT_EQ(e, a) << "at driver line " << i;
  }
}

RunOutput RunModel(const std::string& name, const ModelText& text, RecordingProgress& sink,
                   CModelDat& model) {
  RunOutput run;
  run.dir = OpenInFolder(name, text, sink, model);
  const auto echoSize = fs::file_size(run.dir / (name + ".out"));
  EXPECT_EQ(model.RunAnalysis(), 0);
  run.runLog = ReadFile(run.dir / (name + ".out")).substr(echoSize);
  return run;
}

// Sum of the Solution Loops column of the cumulative table.
int CumulativeLoops(const std::string& runLog) {
  const std::size_t at = runLog.find("Final Cumulative Profile Information");
  if (at == std::string::npos) return -1;
  int loops = 0;
  for (const std::string& line : Lines(runLog.substr(at))) {
    int level, n;
    if (std::sscanf(line.c_str(), "|   %d    |  %d", &level, &n) == 2) loops += n;
  }
  return loops;
}

ModelText TwoSeamPanel() {
  ModelText m;
  m.seams = 2;
  m.steps = 2;
  m.surfaceEffects = 1;
  // Step 1: a 10 x 10 panel in the upper seam; step 2: the same panel below.
  m.code = [](int t, int s, int x, int y) {
    const bool panel = x >= 6 && x <= 15 && y >= 6 && y <= 15;
    return panel && (s == 1 || t == 2) ? '1' : 'A';
  };
  return m;
}

TEST(RunDriver, TwoSeamRunLogFollowsThePassSchedule) {
  CModelDat model;
  RecordingProgress sink;
  const RunOutput run = RunModel("two_seam", TwoSeamPanel(), sink, model);

  const std::vector<std::string> actual = DriverLines(run.runLog);
  Schedule schedule(actual, 2, 1, 0, 0);
  ExpectSameLines(schedule.Expected(2), actual);

  // Both steps pass through all four levels: at least one pass per level.
  EXPECT_GE(schedule.passes, 2 * 4);
  // Every solve is counted once in the cumulative table.
  EXPECT_EQ(CumulativeLoops(run.runLog), schedule.solves);

  // Window texts: the run opens and closes as the user sees it.
  ASSERT_FALSE(sink.phases.empty());
  EXPECT_EQ(sink.phases.front(), "Initializing Data");
  EXPECT_EQ(sink.phases.back(), "Finished");
  EXPECT_GE(sink.seamClosed, 1);
  const auto has = [&](const std::string& t) {
    return std::find(sink.phases.begin(), sink.phases.end(), t) != sink.phases.end();
  };
  EXPECT_TRUE(has("Calculating Multi-Seam Stresses, Seam 2 -> 1"));
  EXPECT_TRUE(has("Calculating Mirror-Image Stresses, 1 -> 1"));
  EXPECT_TRUE(has("Calculating Surface Effect Stresses"));
  EXPECT_TRUE(has("Saving Old Disps for Seam 2"));
  EXPECT_FALSE(has("Calculating Seam 1 Displacements - LMS Pillar 0"));

  // One result file per seam, one block of nx * ny lines per step after the
  // three header lines.
  for (int s = 1; s <= 2; ++s) {
    const std::vector<std::string> lines =
        Lines(ReadFile(run.dir / ("two_seam.f" + std::to_string(s))));
    EXPECT_EQ(lines.size(), 3u + 2u * 20u * 20u) << "seam " << s;
    for (const std::string& line : lines) ASSERT_EQ(line.find("nan"), std::string::npos) << line;
  }
}

TEST(RunDriver, ALevelThatDoesNotSettleEndsTheRunWithM2) {
  // Find, in an unbounded run, the first level that needed three passes.
  CModelDat reference;
  RecordingProgress referenceSink;
  const RunOutput full = RunModel("unsettled_reference", TwoSeamPanel(), referenceSink, reference);
  int stuckStep = 0, stuckLevel = -1;
  {
    int step = 0, level = -1, passes = 0;
    for (const std::string& line : Lines(full.runLog)) {
      int st, l;
      if (std::sscanf(line.c_str(), "Saving Old Displacements for Step %d, Seam 1, Level %d", &st,
                      &l) != 2)
        continue;
      passes = (st == step && l == level) ? passes + 1 : 1;
      step = st;
      level = l;
      if (passes == 3) {
        stuckStep = st;
        stuckLevel = l;
        break;
      }
    }
  }
  ASSERT_GT(stuckStep, 0) << "the reference run never needed three passes at one level";

  RecordingMessages messages;
  CModelDat model;
  model.maxPassesPerLevel = 2;
  model.SetMessages(&messages);
  RecordingProgress sink;
  const fs::path dir = OpenInFolder("unsettled", TwoSeamPanel(), sink, model);
  messages.boxes.clear();
  EXPECT_EQ(ExitCodeOf([&] { (void)model.RunAnalysis(); }), 1) << "the run went on past the pass limit";
  char expected[120];
  std::snprintf(expected, sizeof expected,
                "Detail Level %i did not Settle in 2 Passes - Step %i - M2\n", stuckLevel,
                stuckStep);
  EXPECT_EQ(messages.boxes, (std::vector<std::string>{expected}));
  // The log ends with the same message as its last line, and it is closed.
  const std::string log = ReadFile(dir / "unsettled.out");
  const std::string tail = std::string(expected) + "\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST(RunDriver, SingleSeamWithoutSurfaceEffectsSolvesOnceAtEveryLevel) {
  ModelText m;
  m.seams = 1;
  m.steps = 1;
  m.code = [](int, int, int x, int y) { return x >= 8 && x <= 13 && y >= 4 ? '1' : 'A'; };
  CModelDat model;
  RecordingProgress sink;
  const RunOutput run = RunModel("one_seam", m, sink, model);

  const std::vector<std::string> actual = DriverLines(run.runLog);
  Schedule schedule(actual, 1, 0, 0, 0);
  ExpectSameLines(schedule.Expected(1), actual);
  EXPECT_EQ(run.runLog.find("Interseam"), std::string::npos);
  EXPECT_EQ(run.runLog.find("Mirror"), std::string::npos);
  // The first solve plus at least one pass at each of the four levels.
  EXPECT_GE(schedule.solves, 5);
  EXPECT_GE(schedule.passes, 4);
  // The levels shown step down one at a time to the finest.
  ASSERT_GE(sink.levels.size(), 4u);
  EXPECT_EQ(std::vector<int>(sink.levels.end() - 4, sink.levels.end()),
            (std::vector<int>{3, 2, 1, 0}));
}

TEST(RunDriver, NoStepsStillWritesTheRunTotals) {
  ModelText m;
  m.seams = 1;
  m.steps = 0;
  CModelDat model;
  RecordingProgress sink;
  const RunOutput run = RunModel("no_steps", m, sink, model);
  const std::vector<std::string> actual = DriverLines(run.runLog);
  ExpectSameLines({"Final Cumulative Profile Information for all Steps and Seams.",
                   "Total program running time was # secs"},
                  actual);
  EXPECT_TRUE(run.runLog.size() >= 2 && run.runLog.substr(run.runLog.size() - 2) == "\n\n");
  ASSERT_FALSE(sink.phases.empty());
  EXPECT_EQ(sink.phases.back(), "Finished");
}

// Room and pillar panel of softening coal: nine 4 x 4 element pillars on a
// 5-element pitch, each ringed by rooms, inside solid coal.
ModelText PillarPanel() {
  ModelText m;
  m.seams = 1;
  m.steps = 1;
  m.softeningCoal = true;
  m.safetyFactors = 1;
  m.lmsPillars = {{7, 7}, {12, 12}};
  m.code = [](int, int, int x, int y) {
    const bool inPanel = x >= 4 && x <= 19 && y >= 4 && y <= 19;
    const bool room = (x - 4) % 5 == 0 || (y - 4) % 5 == 0;
    return inPanel && room ? '1' : 'A';
  };
  return m;
}

TEST(RunDriver, LmsPillarsUseTheLmsWordingForEveryRun) {
  CModelDat model;
  RecordingProgress sink;
  const RunOutput run = RunModel("lms", PillarPanel(), sink, model);

  const std::vector<std::string> actual = DriverLines(run.runLog);
  Schedule schedule(actual, 1, 0, 2, 1);
  ExpectSameLines(schedule.Expected(1), actual);
  // Pillar 0 (the base case) is named too.
  EXPECT_NE(run.runLog.find("Entering SOR - Step 1, LMS Pillar 0, Seam 1, Level 3\n\n"),
            std::string::npos);
  EXPECT_NE(run.runLog.find("Entering SOR - Step 1, LMS Pillar 2, Seam 1, Level 0\n\n"),
            std::string::npos);
  EXPECT_NE(std::find(sink.phases.begin(), sink.phases.end(),
                      "Calculating Seam 1 Displacements - LMS Pillar 1"),
            sink.phases.end());
  EXPECT_NE(run.runLog.find("LOCAL MINE STIFFNESS CALCULATION FOR STEP   1"), std::string::npos);
}

TEST(RunDriver, StopAtAReportKeepsTheLogWrittenSoFar) {
  CModelDat model;
  RecordingProgress sink;
  sink.stopAfterPhase = "Calculating Seam 2 Displacements";  // first solve of seam 2
  const fs::path dir = OpenInFolder("stopped", TwoSeamPanel(), sink, model);
  const auto echoSize = fs::file_size(dir / "stopped.out");
  EXPECT_EQ(ExitCodeOf([&] { (void)model.RunAnalysis(); }), 130) << "the run did not stop";
  const std::string runLog = ReadFile(dir / "stopped.out").substr(echoSize);
  // The last line written is the opening line of the phase that was stopped.
  const std::vector<std::string> lines = DriverLines(runLog);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Entering SOR - Step 1, Seam 2, Level 3");
  EXPECT_FALSE(fs::exists(dir / "stopped.f1"));
}

TEST(RunDriver, MissingLogEndsTheRunWithM1) {
  RecordingMessages messages;
  CModelDat model;
  RecordingProgress sink;
  ModelText m;
  m.seams = 1;
  m.steps = 1;
  model.SetMessages(&messages);
  const fs::path dir = OpenInFolder("m1", m, sink, model);
  // The log's folder is replaced by a name that cannot hold files.
  model.outFileName = (dir / "no-such-folder" / "m1.out").string();
  messages.boxes.clear();
  EXPECT_EQ(ExitCodeOf([&] { (void)model.RunAnalysis(); }), 1) << "the run went on without its log";
  EXPECT_EQ(messages.boxes, (std::vector<std::string>{"Error in Opening Output File - M1\n"}));
}

}  // namespace
