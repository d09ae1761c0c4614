// Influence kernel: the separable passes against the direct double sum on
// random sources (same grid, coarse sources, offsets, mirror images, windows
// cut by the grid edges), and the kernel's geometric properties.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "model/model_dat.h"
#include "numeric/indexed_arrays.h"
#include "solver/influence_kernel.h"
#include "solver/influence_reference.h"
#include "solver/solver_test_support.h"
#include "support/threads_on_hand.h"

namespace kavrel {
namespace {

using testing_support::LiteralAddInfluence;
using testing_support::RecordingProgress;
using testing_support::ThreadsOnHand;

constexpr double kE = 3.0e6;
constexpr double kLambda = 30.0;

struct Grid {
  DMatrix m;
  InfluenceGrid g;
  Grid(int nx, int ny, double w, double x0, double y0) : m(1, nx, 1, ny) {
    m.Fill(0.0);
    g = InfluenceGrid{m, nx, ny, w, x0, y0};
  }
};

struct KernelCase {
  const char* name;
  int nxS, nyS;
  double wS, xS, yS;
  int nxT, nyT;
  double wT, xT, yT;
  double h;
  int mirror;
};

TEST(InfluenceKernel, SeparablePassesMatchTheDirectSum) {
  const KernelCase cases[] = {
      {"same grid", 40, 50, 10, 0, 0, 40, 50, 10, 0, 0, 60, 0},
      {"same grid, image", 40, 50, 10, 0, 0, 40, 50, 10, 0, 0, -130, 1},
      {"coarse q=10", 6, 5, 100, 0, 0, 60, 50, 10, 0, 0, 45, 0},
      {"coarse q=10, image", 6, 5, 100, 0, 0, 60, 50, 10, 0, 0, 300, 1},
      {"q=2 offset", 20, 25, 20, 37.5, -55, 40, 50, 10, 0, 0, 72, 0},
      {"q=5 offset, cut by edges", 12, 10, 50, 250, 180, 60, 50, 10, 0, 0, 90, 0},
      {"q=1 partly outside", 30, 30, 10, -150, 260, 40, 40, 10, 0, 0, 33, 1},
      {"target offset", 30, 20, 10, 0, 0, 25, 35, 10, 123.4, -77.7, 51, 0},
      {"window wider than grid", 10, 12, 10, 0, 0, 10, 12, 10, 0, 0, 500, 0},
  };
  std::mt19937 rng(2024);
  std::uniform_real_distribution<double> value(-0.5, 2.0);
  for (const KernelCase& c : cases) {
    Grid source(c.nxS, c.nyS, c.wS, c.xS, c.yS);
    for (int i = 1; i <= c.nxS; ++i)
      for (int j = 1; j <= c.nyS; ++j) source.m[i][j] = value(rng);
    source.m[1][2] = 0.0;  // a zero source element is skipped
    Grid fast(c.nxT, c.nyT, c.wT, c.xT, c.yT), literal(c.nxT, c.nyT, c.wT, c.xT, c.yT);
    AddInfluenceSeparable(source.g, c.h, c.mirror, kE, kLambda, fast.g);
    LiteralAddInfluence(source.m, c.nxS, c.nyS, c.wS, c.xS, c.yS, literal.m, c.nxT, c.nyT, c.wT,
                        c.xT, c.yT, c.h, c.mirror, kE, kLambda);
    double largest = 0, difference = 0;
    for (int k = 1; k <= c.nxT; ++k)
      for (int l = 1; l <= c.nyT; ++l) {
        largest = std::max(largest, std::fabs(literal.m[k][l]));
        difference = std::max(difference, std::fabs(fast.m[k][l] - literal.m[k][l]));
      }
    EXPECT_GT(largest, 0.0) << c.name;
    EXPECT_LT(difference, 1e-12 * largest) << c.name;
  }
}

TEST(InfluenceKernel, WindowRoundingReachesOneMoreRowBelow) {
  // Same grid, A = 10: source row 20 reaches rows 9..30.
  const IndexRange r = InfluenceWindow(20.0, 10.0, 100);
  EXPECT_EQ(r.first, 9);
  EXPECT_EQ(r.last, 30);
  // Clipped and empty ranges stay inside [0..n+1].
  EXPECT_EQ(InfluenceWindow(3.0, 10.0, 100).first, 1);
  EXPECT_EQ(InfluenceWindow(98.0, 10.0, 100).last, 100);
  const IndexRange below = InfluenceWindow(-30.0, 10.0, 100);
  EXPECT_EQ(below.first, 1);
  EXPECT_EQ(below.last, 0);
  const IndexRange above = InfluenceWindow(140.0, 10.0, 100);
  EXPECT_EQ(above.first, 101);
  EXPECT_EQ(above.last, 100);
  const IndexRange far = InfluenceWindow(1e30, 10.0, 100);
  EXPECT_GT(far.first, far.last);

  // The kernel itself: one source element at (20, 20), |h| = 2.5 on unit
  // elements gives A = 10, so the stress lands on rows and columns 9..30.
  Grid source(40, 40, 1.0, 0, 0), target(40, 40, 1.0, 0, 0);
  source.m[20][20] = 1.0;
  AddInfluenceSeparable(source.g, 2.5, 0, kE, kLambda, target.g);
  for (int k = 1; k <= 40; ++k)
    for (int l = 1; l <= 40; ++l) {
      const bool inside = k >= 9 && k <= 30 && l >= 9 && l <= 30;
      if (inside) EXPECT_NE(target.m[k][l], 0.0) << k << "," << l;
      else EXPECT_EQ(target.m[k][l], 0.0) << k << "," << l;
    }
}

TEST(InfluenceKernel, ImageSourceGivesTheExactNegativeAndLeavesTheSourceAlone) {
  Grid source(20, 30, 10, 5, -5);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> value(0.0, 1.0);
  for (int i = 1; i <= 20; ++i)
    for (int j = 1; j <= 30; ++j) source.m[i][j] = value(rng);
  const double kept = source.m[7][9];
  Grid plain(25, 25, 10, 0, 0), image(25, 25, 10, 0, 0);
  AddInfluenceSeparable(source.g, 80, 0, kE, kLambda, plain.g);
  AddInfluenceSeparable(source.g, 80, 1, kE, kLambda, image.g);
  for (int k = 1; k <= 25; ++k)
    for (int l = 1; l <= 25; ++l) EXPECT_EQ(image.m[k][l], -plain.m[k][l]);
  EXPECT_EQ(source.m[7][9], kept);
}

TEST(InfluenceKernel, SignOfTheDistanceDoesNotMatter) {
  Grid source(15, 15, 10, 0, 0), up(15, 15, 10, 0, 0), down(15, 15, 10, 0, 0);
  for (int i = 1; i <= 15; ++i)
    for (int j = 1; j <= 15; ++j) source.m[i][j] = 0.01 * i - 0.003 * j;
  AddInfluenceSeparable(source.g, 42, 0, kE, kLambda, up.g);
  AddInfluenceSeparable(source.g, -42, 0, kE, kLambda, down.g);
  for (int k = 1; k <= 15; ++k)
    for (int l = 1; l <= 15; ++l) EXPECT_EQ(up.m[k][l], down.m[k][l]);
}

TEST(InfluenceKernel, PointValuesAtRhoZeroAndRhoOne) {
  // lambda = 1, |h| = 1: D = 4, so a target centre 2 away has rho = 1.
  const double E = 1000.0, lambda = 1.0, h = 1.0;
  Grid source(9, 9, 1.0, 0, 0), target(9, 9, 1.0, 0, 0);
  source.m[5][5] = 0.3;
  target.m[5][5] = 7.0;  // added to, never cleared
  AddInfluenceSeparable(source.g, h, 0, E, lambda, target.g);
  const double r = E / (lambda * 25.132741228718345 * h * h) * (1.0 * 1.0);
  EXPECT_DOUBLE_EQ(target.m[5][5], 7.0 - 0.3 * r);   // directly below: -u r
  EXPECT_NEAR(target.m[7][5], 0.0, 1e-15 * r);         // rho = 1: nothing
  EXPECT_NEAR(target.m[5][3], 0.0, 1e-15 * r);
  EXPECT_GT(target.m[8][5], 0.0);                      // rho > 1 loads the plane
  EXPECT_LT(target.m[6][5], 0.0);                      // rho < 1 relieves it
}

TEST(InfluenceKernel, SourceOutsideTheWindowAddsNothing) {
  Grid source(10, 10, 10, 5000, 5000), target(20, 20, 10, 0, 0);
  source.m.Fill(1.0);
  AddInfluenceSeparable(source.g, 20, 0, kE, kLambda, target.g);
  Grid coplanar(20, 20, 10, 0, 0);
  Grid near(10, 10, 10, 0, 0);
  near.m.Fill(1.0);
  AddInfluenceSeparable(near.g, 0.0, 0, kE, kLambda, coplanar.g);  // equal depths: no influence
  for (int k = 1; k <= 20; ++k)
    for (int l = 1; l <= 20; ++l) {
      EXPECT_EQ(target.m[k][l], 0.0);
      EXPECT_EQ(coplanar.m[k][l], 0.0);
    }
}

TEST(InfluenceKernel, ModelOperationReportsEverySourceRow) {
  CModelDat m;
  RecordingProgress progress;
  m.SetProgress(&progress);
  m.elasticModulus = kE;
  m.layerPlateFactor = kLambda;
  Grid source(8, 6, 20, 0, 0), viaModel(16, 12, 10, 0, 0), direct(16, 12, 10, 0, 0);
  source.m.Fill(0.25);
  m.AddInfluence(source.m, 8, 6, 20, 0, 0, viaModel.m, 16, 12, 10, 0, 0, 35, 1);
  AddInfluenceSeparable(source.g, 35, 1, kE, kLambda, direct.g);
  for (int k = 1; k <= 16; ++k)
    for (int l = 1; l <= 12; ++l) EXPECT_EQ(viaModel.m[k][l], direct.m[k][l]);
  EXPECT_EQ(progress.projectionOpened, 1);
  EXPECT_EQ(progress.projectionClosed, 1);
  ASSERT_EQ(progress.gridlines.size(), 8u);
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(progress.gridlines[i - 1].first, i);
    EXPECT_EQ(progress.gridlines[i - 1].second, 100 * i / 8);
  }
  EXPECT_EQ(progress.elapsedCalls, 8);
}

// Split over borrowed threads by target columns, the sum keeps every bit of
// the one-thread sum: each target value takes its terms in the same order,
// a -0 target turns +0 where the whole sum adds to it, and the progress is
// the same row after row. Ranges a short lend leaves are summed at home.
TEST(InfluenceKernel, ColumnRangesOnBorrowedThreadsGiveTheBitsOfOneThread) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> value(-0.5, 2.0);
  Grid source(30, 60, 20, -40, 15);
  for (int i = 1; i <= 30; ++i)
    for (int j = 1; j <= 60; ++j) source.m[i][j] = j % 7 == 0 ? 0.0 : value(rng);
  for (int j = 1; j <= 60; ++j) source.m[4][j] = 0.0;  // a row that adds nothing
  for (const int spare : {1, 2, 3})
    for (const int gives : {spare, 1, 0}) {
      Grid one(70, 280, 5, 0, 0), split(70, 280, 5, 0, 0);
      one.m.Fill(-0.0);
      split.m.Fill(-0.0);
      RecordingProgress oneProgress, splitProgress;
      AddInfluenceSeparable(source.g, 25, 0, kE, kLambda, one.g, &oneProgress, 0);
      {
        ThreadsOnHand lender(spare, gives);
        AddInfluenceSeparable(source.g, 25, 0, kE, kLambda, split.g, &splitProgress, 0, &lender);
        EXPECT_EQ(lender.lends_, 1);
      }
      for (int k = 1; k <= 70; ++k)
        for (int l = 1; l <= 280; ++l)
          ASSERT_EQ(std::signbit(one.m[k][l]), std::signbit(split.m[k][l])) << k << "," << l;
      for (int k = 1; k <= 70; ++k)
        for (int l = 1; l <= 280; ++l) ASSERT_EQ(one.m[k][l], split.m[k][l]) << k << "," << l;
      EXPECT_EQ(oneProgress.gridlines, splitProgress.gridlines);
      EXPECT_EQ(splitProgress.projectionClosed, 1);
    }
}

}  // namespace
}  // namespace kavrel
