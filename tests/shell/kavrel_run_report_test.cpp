// What `kavrel run` tells beyond its result files: the step summary (its CSV
// checked against hand values and against counts made from the result files,
// its table, its warnings) and the exit status and messages of runs that
// cannot write what they must or do not finish.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/step_summary.h"
#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using kavrel::testing_support::CopyExample;
using kavrel::testing_support::KavrelResult;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::RunKavrel;
using kavrel::testing_support::ScratchFolder;
using kavrel::testing_support::WriteFile;

// One 20 x 20 seam of 240 in elements, 72 in thick, 12000 in deep under a
// gradient of 0.0916667 psi/in, symmetric on every edge, never mined: the
// seam closes uniformly until its coal carries the virgin stress.
// `material` is the material line; `steps` steps of the same codes.
std::string UniformSeam(const std::string& material, int steps = 2) {
  std::ostringstream o;
  o << "Uniform seam\n0.25,3000000,600,1,0,0\n1,0,0\n" << material << "\n"
    << "240,20,20,0.0916667\n0,0,-12000,72\n"
    << "1.5,0.00001,100000,1," << steps << ",0,0,0,0,0,0,0,0,0\n1,1,1,1\n";
  for (int t = 0; t < steps; ++t)
    for (int y = 0; y < 20; ++y) o << std::string(20, 'A') << "\n";
  return o.str();
}

// The CSV as rows of fields, header first.
std::vector<std::vector<std::string>> Csv(const fs::path& path) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(ReadFile(path));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream cells(line);
    while (std::getline(cells, field, ',')) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    rows.push_back(fields);
  }
  return rows;
}

std::string Field(const std::vector<std::vector<std::string>>& csv, std::size_t row,
                  const std::string& column) {
  for (std::size_t c = 0; c < csv[0].size(); ++c)
    if (csv[0][c] == column) return csv.at(row).at(c);
  ADD_FAILURE() << "no column " << column;
  return {};
}

TEST(StepSummary, UniformElasticSeamClosesBySigmaTOverE) {
  const fs::path dir = ScratchFolder();
  WriteFile(dir / "uniform.inp", UniformSeam("1,200000,80000,0,0,0"));
  const KavrelResult r = RunKavrel(dir, "run uniform.inp");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "The Input File was Successfully Read\n");  // no warning
  const auto csv = Csv(dir / "uniform.summary.csv");
  ASSERT_EQ(csv.size(), 3u);  // header, steps 1 and 2
  EXPECT_EQ(csv[0][3], "max_convergence_in");
  // sigma = 12000 in x 0.0916667 psi/in; u = sigma t / E with t = 72 in and
  // E = 200000 psi: 0.396 in, within the solver's 1e-5 in.
  const double sigma = 12000 * 0.0916667;
  EXPECT_NEAR(std::stod(Field(csv, 2, "max_convergence_in")), sigma * 72 / 200000, 2e-5);
  EXPECT_NEAR(std::stod(Field(csv, 2, "mean_coal_stress_psi")), sigma, 0.05);
  EXPECT_EQ(Field(csv, 2, "coal_elements"), "400");
  EXPECT_EQ(Field(csv, 2, "yielded_coal_elements"), "0");
  EXPECT_EQ(Field(csv, 2, "mined_out_area_in2"), "0");
  EXPECT_EQ(Field(csv, 2, "pillars"), "1");
  EXPECT_EQ(Field(csv, 2, "min_pillar_stress_sf"), "");  // not asked for
  // The table on standard output names the file; --quiet prints none.
  EXPECT_NE(r.out.find("Step summary (every figure in uniform.summary.csv):\n"), std::string::npos);
  const KavrelResult quiet = RunKavrel(dir, "run --quiet uniform.inp");
  EXPECT_EQ(quiet.out, "");
}

TEST(StepSummary, PanelYieldAndMinedAreaMatchTheResultAndCodeFiles) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "panel.inp");
  ASSERT_EQ(RunKavrel(dir, "run --quiet panel.inp").status, 0);
  const auto csv = Csv(dir / "panel.summary.csv");
  ASSERT_EQ(csv.size(), 4u);
  // Coal A yields at 0.8 % strain of the 72 in seam; elements are 120 in.
  std::istringstream results(ReadFile(dir / "panel.f1"));
  std::string line;
  for (int k = 0; k < 3; ++k) std::getline(results, line);
  for (int step = 1; step <= 3; ++step) {
    const std::string codes = ReadFile(dir / ("panel_Step" + std::to_string(step) + ".chr"));
    // Code file rows run from y = 40 down to 1, x = 1..60; result lines run
    // x outer, y inner.
    int coal = 0, yielded = 0, mined = 0;
    for (int x = 1; x <= 60; ++x)
      for (int y = 1; y <= 40; ++y) {
        std::getline(results, line);
        const char c = codes[static_cast<std::size_t>((40 - y) * 61 + (x - 1))];
        mined += c == '1';
        if (c != 'A') continue;
        ++coal;
        yielded += std::stod(line.substr(0, line.find(','))) / 72 >= 0.008;
      }
    EXPECT_EQ(Field(csv, step, "coal_elements"), std::to_string(coal)) << step;
    EXPECT_EQ(Field(csv, step, "yielded_coal_elements"), std::to_string(yielded)) << step;
    EXPECT_EQ(std::stod(Field(csv, step, "mined_out_area_in2")), mined * 120.0 * 120.0) << step;
    EXPECT_FALSE(Field(csv, step, "min_pillar_stress_sf").empty()) << step;
  }
}

TEST(StepSummary, WarnsWhenMostCoalYieldsInTheFirstStepOrASolveNearsItsLimit) {
  const fs::path dir = ScratchFolder();
  // Elastic-plastic coal with its peak at 0.01 % strain and a stiff plastic
  // branch: the uniform seam settles at 0.31 % strain, all of it past peak.
  WriteFile(dir / "weak.inp", UniformSeam("3,500,0.0001,200000,0.3"));
  const KavrelResult r = RunKavrel(dir, "run --quiet weak.inp");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "warning: step 1, seam 1: 100% of the coal is at or past its peak strain in the "
            "first step; check the coal strengths against the rock mass properties\n");

  kavrel::StepSummaryRow row;
  row.step = 2;
  row.lmsRun = 1;
  row.seam = 3;
  row.largestSolve = 1001;
  EXPECT_EQ(kavrel::SuspectResults({row}, 2000),
            std::vector<std::string>{"step 2, LMS run 1, seam 3: one SOR solve took 1001 of the "
                                     "2000 sweeps allowed; the seam may be close to not "
                                     "converging"});
  row.largestSolve = 1000;
  EXPECT_TRUE(kavrel::SuspectResults({row}, 2000).empty());
}

TEST(RunFailures, FilesThatCannotBeWrittenEndTheRunWithStatusOne) {
  const fs::path dir = ScratchFolder();

  WriteFile(dir / "small.inp", UniformSeam("1,200000,80000,0,0,0"));
  // A folder where the result file should go.
  fs::create_directory(dir / "small.f1");
  KavrelResult r = RunKavrel(dir, "run --quiet small.inp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error in Opening Output File - PES1\nkavrel: ./small.f1: Is a directory\n");
  fs::remove(dir / "small.f1");

  // The summary cannot be written: the run stops after writing step 1 of
  // the result file, and says that file is incomplete.
  fs::create_directory(dir / "small.summary.csv");
  r = RunKavrel(dir, "run --quiet small.inp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Error in Writing the Step Summary File - PSS1\n"
            "kavrel: ./small.summary.csv: Is a directory\n"
            "kavrel: ./small.f1: incomplete: holds 1 of the 2 blocks it announces\n");
}

}  // namespace
