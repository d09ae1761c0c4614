// The CSV export of a finished run: the rule that names its columns, and the
// tables of two shipped examples read back against the result and code files
// the run wrote, both parsed here on their own (not with the readers the
// export uses), with the element centres worked out by hand from the models.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "model/result_export.h"
#include "model/result_reader.h"
#include "model/run_info.h"
#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace kavrel::results {
namespace {

namespace fs = std::filesystem;
using testing_support::CopyExample;
using testing_support::FileLines;
using testing_support::ReadFile;
using testing_support::RunQuiet;
using testing_support::ScratchFolder;

// The fields of a line split at every comma (no field of these tables is
// quoted: the codes are letters and digits).
std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, ',')) fields.push_back(field);
  if (!line.empty() && line.back() == ',') fields.emplace_back();
  return fields;
}

double Number(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  EXPECT_NE(end, text.c_str()) << "'" << text << "' is not a number";
  return value;
}

// The data lines of a result file (after its three header lines) as numbers.
std::vector<std::vector<double>> DataLines(const fs::path& path) {
  std::vector<std::vector<double>> data;
  const std::vector<std::string> lines = FileLines(path);
  for (std::size_t k = 3; k < lines.size(); ++k) {
    std::vector<double> row;
    for (const std::string& field : Split(lines[k])) row.push_back(Number(field));
    data.push_back(std::move(row));
  }
  return data;
}

// The code of element (i, j) of seam s in the code file `lines`: seams one
// after the other, ny rows each, the first row y = ny, each row x = 1..nx.
char CodeAt(const std::vector<std::string>& lines, int s, int i, int j, int ny) {
  return lines[static_cast<std::size_t>((s - 1) * ny + (ny - j))][static_cast<std::size_t>(i - 1)];
}

// A run of the example `name` in the running test's folder and its facts.
RunInfo RunExample(const std::string& name) {
  const fs::path model = CopyExample(ScratchFolder(), name);
  EXPECT_EQ(RunQuiet(model), 0) << ReadFile(model.parent_path() / "console.txt");
  RunInfo info;
  std::string error;
  EXPECT_TRUE(LoadRunInfo(model.string(), info, error)) << error;
  return info;
}

// What a table should hold, element by element, for the checks below.
struct Expected {
  int nx = 40, ny = 40;
  double width = 0;              // output length unit
  std::vector<double> originX;   // per seam, output length unit
  std::vector<double> originY;
  int blocksPerStep = 1;
};

// Checks every data row of `table` against the result and code files of the
// run of `info`, for rows in the export's order (seam, then the file's
// blocks, then X outer, Y inner) over `seams` and every step. Values must be
// the very numbers of the result file; centres within `tolerance`.
void CheckTable(const RunInfo& info, const std::vector<std::string>& table,
                const Expected& e, const std::vector<int>& seams, double tolerance) {
  const int elements = e.nx * e.ny;
  const int blocks = info.stepCount * e.blocksPerStep;
  ASSERT_EQ(table.size(), 1 + seams.size() * blocks * elements);
  std::vector<std::vector<std::string>> codes;
  for (int n = 1; n <= info.stepCount; ++n) codes.push_back(FileLines(info.CodeFileName(n)));
  std::size_t r = 1;
  int mismatches = 0;
  std::string first;
  const auto mismatch = [&](const std::string& what) {
    if (mismatches++ == 0) first = "row " + std::to_string(r) + ": " + what + "\n" + table[r];
  };
  for (const int s : seams) {
    const std::vector<std::vector<double>> data = DataLines(info.ResultFileName(s));
    ASSERT_EQ(data.size(), static_cast<std::size_t>(blocks * elements));
    for (int b = 0; b < blocks; ++b) {
      const int step = b / e.blocksPerStep + 1;
      const int run = b % e.blocksPerStep;
      for (int i = 1; i <= e.nx; ++i)
        for (int j = 1; j <= e.ny; ++j, ++r) {
          const std::vector<std::string> f = Split(table[r]);
          const std::vector<double>& values =
              data[static_cast<std::size_t>(b * elements + (i - 1) * e.ny + (j - 1))];
          if (f.size() != 8 + values.size()) {
            mismatch("field count");
            continue;
          }
          if (f[0] != std::to_string(step) || f[1] != std::to_string(run) ||
              f[2] != std::to_string(s) || f[3] != std::to_string(i) || f[4] != std::to_string(j))
            mismatch("step, LMS run, seam or indices");
          const double x = e.originX[static_cast<std::size_t>(s - 1)] + (i - 0.5) * e.width;
          const double y = e.originY[static_cast<std::size_t>(s - 1)] + (j - 0.5) * e.width;
          if (std::fabs(Number(f[5]) - x) > tolerance || std::fabs(Number(f[6]) - y) > tolerance)
            mismatch("centre, expected " + std::to_string(x) + ", " + std::to_string(y));
          const char code = CodeAt(codes[static_cast<std::size_t>(step - 1)], s, i, j, e.ny);
          if (f[7] != std::string(1, code)) mismatch("code");
          for (std::size_t c = 0; c < values.size(); ++c)
            if (Number(f[8 + c]) != values[c]) mismatch("column " + std::to_string(c));
        }
    }
  }
  EXPECT_EQ(mismatches, 0) << first;
}

TEST(ExportColumnName, NameWordsThenTheUnitMadeSafe) {
  const struct {
    Column column;
    const char* name;
  } cases[] = {
      {{"Seam Convergence", "m"}, "convergence_m"},
      {{"Total Vertical Stress", "Pa"}, "total_vertical_stress_Pa"},
      {{"Multiple Seam Stress", "MPa"}, "multiple_seam_stress_MPa"},
      {{"Stored Elastic Energy", "in-lbs"}, "stored_elastic_energy_in_lbs"},
      {{"Total Input Energy", "MJoules"}, "total_input_energy_MJoules"},
      {{"Remote Displacement", "ft"}, "remote_displacement_ft"},
      // Ratios carry no unit.
      {{"Pillar Stress SF", "Stress Safety Factor"}, "pillar_stress_sf"},
      {{"Element Strain SF", "Strain Safety Factor"}, "element_strain_sf"},
      {{"X Strain", "Strain"}, "x_strain"},
      {{"X-Slope", "Slope"}, "x_slope"},
      {{"Off-seam Displacement", "ft"}, "off_seam_displacement_ft"},
      {{"Odd", ""}, "odd"},
      // A lone "Seam" is the whole name; odd characters become one "_".
      {{"Seam", "m"}, "seam_m"},
      {{"  Weird   name ", " kN/m^2 "}, "weird_name_kN_m_2"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExportColumnName(c.column), c.name) << c.column.name << " / " << c.column.unit;
}

TEST(ExportColumnName, HeaderStartsWithTheElementColumnsAndNeverRepeatsAName) {
  EXPECT_EQ(ExportHeader({{"Seam Convergence", "ft"}, {"Convergence", "ft"}, {"Step", ""}}, "ft"),
            (std::vector<std::string>{"step", "lms_run", "seam", "i", "j", "x_ft", "y_ft", "code",
                                      "convergence_ft", "convergence_ft_2", "step_2"}));
}

TEST(ResultExport, ReadResultBlocksHandsOverEveryCompleteBlockInOrder) {
  const fs::path dir = ScratchFolder();
  // Two steps of one LMS pillar (two blocks a step), 1 x 2 elements, one
  // column; the file ends inside the fourth block.
  testing_support::WriteFile(dir / "m.f1",
                             "  4, 2, 120, 1, 2, 0, 0\n  1,Seam Convergence\n  1, in\n"
                             "1\n2\n3\n4\n5\n6\n7\n");
  std::vector<std::pair<int, int>> seen;  // (step, LMS run) of blocks with values
  std::vector<double> values;
  ResultFile file;
  std::string error;
  ASSERT_TRUE(ReadResultBlocks(
      (dir / "m.f1").string(), 1, [](int, int run) { return run == 1; },
      [&](ResultBlock& block) {
        if (block.values.empty()) return;
        seen.emplace_back(block.step, block.lmsRun);
        values.insert(values.end(), block.values[0].begin(), block.values[0].end());
      },
      file, error))
      << error;
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 1}}));
  EXPECT_EQ(values, (std::vector<double>{3, 4}));
  EXPECT_TRUE(file.blocks.empty());
  EXPECT_FALSE(file.complete);
  EXPECT_EQ(file.layout.ny, 2);
}

// two_seam.inp: unit system 2 (metres), 40 x 40 elements of 5 m, seam 1 at
// (10, 0), seam 2 at (0, 0), three steps, no LMS pillars.
TEST(ResultExport, TwoSeamTableHoldsWhatTheRunWrote) {
  const RunInfo info = RunExample("two_seam.inp");
  ExportOutcome outcome;
  ASSERT_TRUE(ExportResults(info, {}, stdout, outcome)) << outcome.error;
  EXPECT_EQ(outcome.written, DefaultExportPath(info));
  EXPECT_EQ(fs::path(outcome.written),
            fs::path(info.modelPath).parent_path() / "two_seam.export.csv");
  EXPECT_TRUE(outcome.warnings.empty());
  EXPECT_EQ(outcome.rows, 2 * 3 * 1600);

  const std::vector<std::string> table = FileLines(outcome.written);
  ASSERT_FALSE(table.empty());
  EXPECT_EQ(table[0],
            "step,lms_run,seam,i,j,x_m,y_m,code,convergence_m,total_vertical_stress_Pa,"
            "overburden_stress_Pa,surface_effect_stress_Pa,multiple_seam_stress_Pa,"
            "element_strain_sf,pillar_stress_sf,pillar_strain_sf");
  Expected e;
  e.width = 5;
  e.originX = {10, 0};
  e.originY = {0, 0};
  // Centres are printed to twelve significant figures: 1e-9 m is far below
  // that for coordinates under 250 m, and far above the double's rounding.
  CheckTable(info, table, e, {1, 2}, 1e-9);

  // The same table on a stream.
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  ExportRequest toStream;
  toStream.output = "-";
  ASSERT_TRUE(ExportResults(info, toStream, stream, outcome)) << outcome.error;
  EXPECT_EQ(outcome.written, "-");
  EXPECT_EQ(testing_support::ReadStream(stream), ReadFile(DefaultExportPath(info)));
  std::fclose(stream);
}

// every_option.inp: unit system 1 (lengths reported in feet, 120 in = 10 ft
// elements), both seams at (0, 0), two steps of two LMS pillars (three
// blocks a step), every optional column.
TEST(ResultExport, FeetAndLmsRunsOfEveryOption) {
  const RunInfo info = RunExample("every_option.inp");
  ExportOutcome outcome;
  ASSERT_TRUE(ExportResults(info, {}, stdout, outcome)) << outcome.error;
  const std::vector<std::string> table = FileLines(outcome.written);
  ASSERT_FALSE(table.empty());
  EXPECT_EQ(table[0],
            "step,lms_run,seam,i,j,x_ft,y_ft,code,convergence_ft,total_vertical_stress_psi,"
            "overburden_stress_psi,surface_effect_stress_psi,multiple_seam_stress_psi,"
            "element_strain_sf,pillar_stress_sf,pillar_strain_sf,remote_displacement_ft,x_strain,"
            "y_strain,stored_elastic_energy_ft_lbs,dissipated_energy_ft_lbs,"
            "total_input_energy_ft_lbs,stored_energy_released_ft_lbs,"
            "kinetic_energy_released_ft_lbs,total_energy_released_ft_lbs,roof_x_stress_psi,"
            "roof_y_stress_psi,maximum_roof_compression_psi,maximum_roof_tension_psi,"
            "maximum_roof_stress_psi");
  Expected e;
  e.width = 10;
  e.originX = {0, 0};
  e.originY = {0, 0};
  e.blocksPerStep = 3;
  CheckTable(info, table, e, {1, 2}, 1e-9);

  // Seam 2 at step 2 alone: its three LMS runs, the very rows of the whole
  // table (seam 2 starts after seam 1's six blocks, step 2 after its first
  // three).
  ExportRequest some;
  some.seams = {2};
  some.steps = {2};
  some.output = (fs::path(info.modelPath).parent_path() / "some.csv").string();
  ASSERT_TRUE(ExportResults(info, some, stdout, outcome)) << outcome.error;
  const std::vector<std::string> part = FileLines(some.output);
  ASSERT_EQ(part.size(), 1 + 3 * 1600u);
  EXPECT_EQ(part[0], table[0]);
  const std::size_t from = 1 + (6 + 3) * 1600;
  EXPECT_TRUE(std::equal(part.begin() + 1, part.end(), table.begin() + from));
}

}  // namespace
}  // namespace kavrel::results
