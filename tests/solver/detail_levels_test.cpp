// Coarsening of a seam to a detail level.
#include <gtest/gtest.h>

#include "numeric/indexed_arrays.h"
#include "solver/detail_levels.h"

namespace kavrel {
namespace {

// The pass thresholds are checked through the driver's log schedule; the
// coarsening factors appear in no log line, so they are checked here.
TEST(DetailLevels, CoarseningFactorsFromFullResolutionToTenByTen) {
  EXPECT_EQ(kLevelFactor[0], 1);
  EXPECT_EQ(kLevelFactor[1], 2);
  EXPECT_EQ(kLevelFactor[2], 5);
  EXPECT_EQ(kLevelFactor[3], 10);
}

TEST(DetailLevels, FactorOneCopiesTheSeamAndIgnoresTheGhostBorder) {
  DMatrix fine(0, 21, 0, 31), coarse(1, 20, 1, 30);
  fine.Fill(1.0e6);  // ghost cells must not leak in
  coarse.Fill(-1.0);
  for (int i = 1; i <= 20; ++i)
    for (int j = 1; j <= 30; ++j) fine[i][j] = 0.001 * i + 0.37 * j;
  AverageToLevel(fine, 20, 30, coarse, 20, 30, 1);
  for (int i = 1; i <= 20; ++i)
    for (int j = 1; j <= 30; ++j) EXPECT_EQ(coarse[i][j], fine[i][j]);
}

TEST(DetailLevels, BlocksAverageTheirFineElements) {
  const int nx = 20, ny = 10;
  DMatrix fine(0, nx + 1, 0, ny + 1), coarse(1, nx, 1, ny);
  fine.Fill(99.0);
  coarse.Fill(-7.0);
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) fine[i][j] = i * 100 + j;
  for (int f : {2, 5, 10}) {
    AverageToLevel(fine, nx, ny, coarse, nx / f, ny / f, f);
    for (int I = 1; I <= nx / f; ++I)
      for (int J = 1; J <= ny / f; ++J) {
        // Mean of i*100 + j over the block: centre row and column.
        const double expected = ((I - 1) * f + (f + 1) / 2.0) * 100 + ((J - 1) * f + (f + 1) / 2.0);
        EXPECT_NEAR(coarse[I][J], expected, 1e-9) << f << ":" << I << "," << J;
      }
  }
  // Element (11, 3) of a factor-5 level falls into block (3, 1).
  DMatrix spike(0, nx + 1, 0, ny + 1);
  spike.Fill(0.0);
  spike[11][3] = 25.0;
  AverageToLevel(spike, nx, ny, coarse, nx / 5, ny / 5, 5);
  EXPECT_EQ(coarse[3][1], 1.0);
  EXPECT_EQ(coarse[2][1], 0.0);
  EXPECT_EQ(coarse[3][2], 0.0);
}

}  // namespace
}  // namespace kavrel
