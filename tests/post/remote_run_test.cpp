// End-to-end checks of the remote displacements through `kavrel run` on the
// one-seam hill example: without surface effects nothing moves the seam
// remotely; with them its own image does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;

using kavrel::testing_support::CopyExample;
using kavrel::testing_support::ExamplePath;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::RunQuiet;
using kavrel::testing_support::ScratchFolder;
using kavrel::testing_support::WriteFile;

struct Results {
  std::vector<std::string> titles;         // column titles, blanks trimmed
  std::vector<std::vector<double>> rows;  // one per element and step
  std::size_t Column(const std::string& title) const {
    for (std::size_t k = 0; k < titles.size(); ++k)
      if (titles[k] == title) return k;
    ADD_FAILURE() << "no column " << title;
    return 0;
  }
};

// Copies the hill example into a fresh folder with the surface-effects flag
// of the control line set as asked, runs it, and returns the seam's result
// file.
Results RunHill(const std::string& name, int surfaceEffects) {
  const fs::path dir = ScratchFolder(name);
  CopyExample(dir, "hill.top");
  std::string input = ReadFile(ExamplePath("hill.inp"));
  const std::string control = "1.5,0.00002,2000,1,2,1,0,1,1,1,0,0,1,0\n";
  const std::size_t at = input.find(control);
  EXPECT_NE(at, std::string::npos);
  if (at == std::string::npos) return {};
  input.replace(at, control.size(),
                "1.5,0.00002,2000,1,2," + std::to_string(surfaceEffects) + ",0,1,1,1,0,0,1,0\n");
  WriteFile(dir / "hill.inp", input);
  EXPECT_EQ(RunQuiet(dir / "hill.inp"), 0) << ReadFile(dir / "console.txt");

  Results results;
  std::istringstream in(ReadFile(dir / "hill.f1"));
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (lineNo == 2) {
      // The title line: the column count, then one title per column.
      std::istringstream cells(line);
      std::string cell;
      std::getline(cells, cell, ',');
      while (std::getline(cells, cell, ',')) {
        while (!cell.empty() && cell.back() == ' ') cell.pop_back();
        results.titles.push_back(cell);
      }
    }
    if (lineNo <= 3) continue;  // counts, titles, units
    std::vector<double> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(std::stod(cell));
    results.rows.push_back(fields);
  }
  return results;
}

TEST(RemoteRun, OneSeamWithoutSurfaceEffectsHasNoRemoteMovement) {
  const Results results = RunHill("OneSeamWithoutSurfaceEffects", 0);
  const auto& rows = results.rows;
  ASSERT_EQ(rows.size(), 2u * 1600);  // two steps of 40 x 40 elements
  const std::size_t kRemoteDisplacement = results.Column("Remote Displacement");
  const std::size_t kXStrain = results.Column("X Strain");
  const std::size_t kYStrain = results.Column("Y Strain");
  for (const auto& r : rows) {
    ASSERT_GT(r.size(), kYStrain);
    EXPECT_EQ(r[kRemoteDisplacement], 0.0);
    EXPECT_EQ(r[kXStrain], 0.0);
    EXPECT_EQ(r[kYStrain], 0.0);
  }
}

TEST(RemoteRun, OneSeamWithSurfaceEffectsMovesWithItsOwnImage) {
  const Results results = RunHill("OneSeamWithSurfaceEffects", 1);
  const auto& rows = results.rows;
  ASSERT_EQ(rows.size(), 2u * 1600);
  const std::size_t kRemoteDisplacement = results.Column("Remote Displacement");
  // Step 2, element (20, 20), in the middle of the extracted panel: the
  // image of the closing panel moves the seam horizon down.
  const auto& centre = rows[1600 + 19 * 40 + 19];
  EXPECT_LT(centre[kRemoteDisplacement], 0.0);
  int moving = 0;
  for (const auto& r : rows) moving += r[kRemoteDisplacement] != 0.0;
  EXPECT_EQ(moving, 2 * 1600);
}

}  // namespace
