// The shipped examples must look like a mine, as examples/README.md says
// they do: little of the solid coal past its peak, yield only at the ribs,
// development pillars near their tributary-area stress, abutments that decay
// over tens of metres rather than within one element, and gob that takes
// load as the caved area widens. Each example is run whole and its result,
// code and summary files are read back; the bounds are the README's
// statements, the reference values (virgin stress, tributary-area stress)
// are computed here from the model's own figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "model/result_reader.h"
#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using kavrel::results::ReadCodeFile;
using kavrel::results::ReadResultFile;
using kavrel::results::ResultFile;
using kavrel::results::SeamCodes;
using kavrel::testing_support::CopyExample;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::RunQuiet;
using kavrel::testing_support::ScratchFolder;

// One seam of a finished run at one step, as mined (LMS run 0).
struct SeamStep {
  ResultFile file;
  int block = -1;
  SeamCodes codes;
  int convergence = -1, stress = -1;

  double Stress(int i, int j) const { return file.At(block, stress, i, j); }
  double Convergence(int i, int j) const { return file.At(block, convergence, i, j); }
  char Code(int i, int j) const { return codes.At(i, j); }
};

// Reads seam `seam` of `model` (`seams` seams, `lms` LMS pillars) at `step`
// from the run in `dir`.
SeamStep Read(const fs::path& dir, const std::string& model, int seams, int lms, int seam,
              int step) {
  SeamStep s;
  std::string error;
  EXPECT_TRUE(ReadResultFile((dir / (model + ".f" + std::to_string(seam))).string(), lms, {},
                             s.file, error))
      << error;
  for (std::size_t b = 0; b < s.file.blocks.size(); ++b)
    if (s.file.blocks[b].step == step && s.file.blocks[b].lmsRun == 0) s.block = static_cast<int>(b);
  EXPECT_GE(s.block, 0) << model << " step " << step;
  std::vector<SeamCodes> codes;
  EXPECT_TRUE(ReadCodeFile((dir / (model + "_Step" + std::to_string(step) + ".chr")).string(),
                           seams, s.file.layout.nx, s.file.layout.ny, codes, error))
      << error;
  if (codes.size() >= static_cast<std::size_t>(seam)) s.codes = codes[seam - 1];
  s.convergence = s.file.layout.FindColumn("convergence");
  s.stress = s.file.layout.FindColumn("totalverticalstress");
  return s;
}

// Edge-connected regions of the elements whose code is in `coal`, largest
// first: the first is the solid ground, the others are pillars.
std::vector<std::vector<std::pair<int, int>>> CoalRegions(const SeamCodes& c,
                                                         const std::string& coal) {
  std::vector<std::vector<std::pair<int, int>>> regions;
  std::vector<char> seen(c.codes.size(), 0);
  for (int i = 1; i <= c.nx; ++i)
    for (int j = 1; j <= c.ny; ++j) {
      if (seen[(i - 1) * c.ny + (j - 1)] || coal.find(c.At(i, j)) == std::string::npos) continue;
      std::vector<std::pair<int, int>> region, open{{i, j}};
      seen[(i - 1) * c.ny + (j - 1)] = 1;
      while (!open.empty()) {
        const auto [x, y] = open.back();
        open.pop_back();
        region.emplace_back(x, y);
        for (const auto& [u, v] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
          if (u < 1 || v < 1 || u > c.nx || v > c.ny) continue;
          char& mark = seen[(u - 1) * c.ny + (v - 1)];
          if (mark || coal.find(c.At(u, v)) == std::string::npos) continue;
          mark = 1;
          open.emplace_back(u, v);
        }
      }
      regions.push_back(region);
    }
  std::stable_sort(regions.begin(), regions.end(),
                   [](const auto& a, const auto& b) { return a.size() > b.size(); });
  return regions;
}

// Largest stress of the elements whose code is `gob`.
double MaxGobStress(const SeamStep& s, char gob) {
  double most = 0;
  for (int i = 1; i <= s.codes.nx; ++i)
    for (int j = 1; j <= s.codes.ny; ++j)
      if (s.Code(i, j) == gob) most = std::max(most, s.Stress(i, j));
  return most;
}

// The yielded share of every step, seam and LMS run 0 in MODEL.summary.csv.
std::vector<double> YieldedShares(const fs::path& csvPath) {
  std::istringstream in(ReadFile(csvPath));
  std::string line;
  std::getline(in, line);
  std::vector<std::string> header;
  {
    std::istringstream cells(line);
    for (std::string f; std::getline(cells, f, ',');) header.push_back(f);
  }
  const auto column = [&](const std::string& name) {
    return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
  };
  const std::size_t share = column("yielded_coal_share"), run = column("lms_run");
  EXPECT_LT(share, header.size());
  std::vector<double> shares;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::istringstream cells(line);
    for (std::string v; std::getline(cells, v, ',');) f.push_back(v);
    if (f.size() > share && f.at(run) == "0") shares.push_back(std::stod(f[share]));
  }
  return shares;
}

TEST(Examples, LittleOfTheCoalIsPastItsPeakInAnyStep) {
  // No example may show the collapse of solid coal that a rock and coal set
  // which do not fit together gives: at most 10 % of any seam's coal past
  // its peak strain in any step.
  const std::map<std::string, std::vector<std::string>> examples = {
      {"panel", {"panel.inp"}},
      {"two_seam", {"two_seam.inp"}},
      {"hill", {"hill.inp", "hill.top"}},
      {"every_option", {"every_option.inp"}}};
  for (const auto& [model, files] : examples) {
    const fs::path dir = ScratchFolder(model);
    for (const auto& name : files) CopyExample(dir, name);
    ASSERT_EQ(RunQuiet(dir / (model + ".inp")), 0) << ReadFile(dir / "console.txt");
    const std::vector<double> shares = YieldedShares(dir / (model + ".summary.csv"));
    EXPECT_FALSE(shares.empty()) << model;
    for (const double share : shares) EXPECT_LE(share, 0.10) << model;
  }
}

TEST(Examples, PanelPillarsCarryTheirTributaryAreaAndTheGobTakesLoad) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "panel.inp");
  ASSERT_EQ(RunQuiet(dir / "panel.inp"), 0) << ReadFile(dir / "console.txt");
  // 4800 in of cover at 0.0916667 psi/in; 60 ft pillars on 80 ft centres.
  const double virgin = 4800 * 0.0916667;
  const double tributary = virgin * (80.0 / 60.0) * (80.0 / 60.0);  // 782.2 psi

  // Development: 18 pillars of 6 x 6 elements, each carrying 85 % to 100 %
  // of the tributary-area stress (the solid barriers carry the rest).
  const SeamStep dev = Read(dir, "panel", 1, 0, 1, 1);
  const auto regions = CoalRegions(dev.codes, "A");
  ASSERT_EQ(regions.size(), 19u);
  for (std::size_t p = 1; p < regions.size(); ++p) {
    ASSERT_EQ(regions[p].size(), 36u);
    double sum = 0;
    for (const auto& [i, j] : regions[p]) sum += dev.Stress(i, j);
    const double mean = sum / 36;
    EXPECT_GT(mean, 0.85 * tributary) << "pillar at " << regions[p][0].first;
    EXPECT_LE(mean, 1.0 * tributary) << "pillar at " << regions[p][0].first;
  }

  // Retreat: the gob (B) takes more load as the caved area widens, and
  // stays below the virgin stress.
  const double gob2 = MaxGobStress(Read(dir, "panel", 1, 0, 1, 2), 'B');
  const double gob3 = MaxGobStress(Read(dir, "panel", 1, 0, 1, 3), 'B');
  EXPECT_GT(gob2, 0.05 * virgin);
  EXPECT_GT(gob3, 1.5 * gob2);
  EXPECT_LT(gob3, virgin);
}

TEST(Examples, TwoSeamLongwallYieldsAtItsRibsAndItsAbutmentDecaysOverTensOfMetres) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "two_seam.inp");
  ASSERT_EQ(RunQuiet(dir / "two_seam.inp"), 0) << ReadFile(dir / "console.txt");
  const double virgin = 280 * 25000.0;  // Pa, upper seam
  const double width = 5;               // m
  const SeamStep s = Read(dir, "two_seam", 2, 0, 1, 2);
  ASSERT_EQ(s.file.layout.nx, 40);

  // Coal A yields at 0.8 % of the 1.6 m seam; every yielded element lies
  // within two elements (10 m) of a mined-out or caved element.
  int yielded = 0;
  for (int i = 1; i <= 40; ++i)
    for (int j = 1; j <= 40; ++j) {
      if (s.Code(i, j) != 'A' || s.Convergence(i, j) < 0.008 * 1.6) continue;
      ++yielded;
      bool nearMined = false;
      for (int u = std::max(1, i - 2); u <= std::min(40, i + 2); ++u)
        for (int v = std::max(1, j - 2); v <= std::min(40, j + 2); ++v)
          nearMined = nearMined || s.Code(u, v) == '1' || s.Code(u, v) == 'C';
      EXPECT_TRUE(nearMined) << "yielded coal at (" << i << ", " << j << ")";
    }
  EXPECT_GT(yielded, 0);  // the ribs do yield

  // Across the panel at Y index 20, from each rib (the coal next to the gate
  // entries, X indices 9 and 32) into the solid: the excess stress over
  // the virgin stress peaks above one virgin stress within 10 m of the rib,
  // still holds 30 % of that peak 10 to 15 m in, and falls under 20 % of it
  // 30 to 35 m in.
  ASSERT_EQ(s.Code(10, 20), '1');
  ASSERT_EQ(s.Code(31, 20), '1');
  for (const int rib : {9, 32}) {
    const int out = rib == 9 ? -1 : 1;  // away from the panel
    const auto excess = [&](int k) { return s.Stress(rib + out * k, 20) - virgin; };
    const double peak = std::max(excess(0), excess(1));
    EXPECT_GT(peak, virgin) << "rib " << rib;
    EXPECT_GT(excess(static_cast<int>(10 / width)), 0.3 * peak) << "rib " << rib;
    EXPECT_LT(excess(static_cast<int>(30 / width)), 0.2 * peak) << "rib " << rib;
  }

  // The goaf's gob (C) carries more as the face retreats, under the
  // virgin stress.
  const double gob1 = MaxGobStress(Read(dir, "two_seam", 2, 0, 1, 1), 'C');
  const double gob2 = MaxGobStress(s, 'C');
  EXPECT_GT(gob2, 1.5 * gob1);
  EXPECT_GT(gob2, 0.1 * virgin);
  EXPECT_LT(gob2, virgin);
}

TEST(Examples, EveryOptionYieldsOnlyBesideItsGoafAndItsGobTakesLoad) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "every_option.inp");
  ASSERT_EQ(RunQuiet(dir / "every_option.inp"), 0) << ReadFile(dir / "console.txt");
  // Seam 1: 7200 in of cover at 0.0916667 psi/in; 5.5 ft thick, its coal A
  // peaks at 0.8 % strain (lengths in the result files are in feet).
  const double virgin = 7200 * 0.0916667;  // 660 psi
  const SeamStep s = Read(dir, "every_option", 2, 2, 1, 2);
  ASSERT_EQ(s.file.layout.nx, 40);

  // Step 2: every yielded element of coal A lies within two elements of the
  // caved block's gob D (the goaf-edge pillars and the ribs of the margins).
  int yielded = 0;
  for (int i = 1; i <= 40; ++i)
    for (int j = 1; j <= 40; ++j) {
      if (s.Code(i, j) != 'A' || s.Convergence(i, j) < 0.008 * 5.5) continue;
      ++yielded;
      bool nearGoaf = false;
      for (int u = std::max(1, i - 2); u <= std::min(40, i + 2); ++u)
        for (int v = std::max(1, j - 2); v <= std::min(40, j + 2); ++v)
          nearGoaf = nearGoaf || s.Code(u, v) == 'D';
      EXPECT_TRUE(nearGoaf) << "yielded coal at (" << i << ", " << j << ")";
    }
  EXPECT_GT(yielded, 0);

  // The gob takes load as the goaf closes, without reaching the virgin stress
  // in a goaf 140 ft wide under 600 ft of cover.
  const double gob = MaxGobStress(s, 'D');
  EXPECT_GT(gob, 0.3 * virgin);
  EXPECT_LT(gob, virgin);
}

}  // namespace
