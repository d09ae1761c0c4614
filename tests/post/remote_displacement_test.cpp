// Checks of the remote displacement sum and the slopes and strains derived
// from it: the fast separable sum against the literal double sum, single
// elements against the Gaussian written out by hand, the sign rules and edge
// copies of the strains, and the inch-to-metre conversion.
#include "post/remote_displacement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "numeric/indexed_arrays.h"
#include "post/remote_reference.h"
#include "support/recording_sinks.h"

namespace kavrel {
namespace {

constexpr double kPi = 3.14159265358979323846;

using testing_support::RecordingMessages;
using testing_support::RecordingProgress;

// The reports of a sum, to sinks that a test reads or ignores.
struct Reports {
  RecordingProgress progress;
  RecordingMessages messages;
  RemoteReports Get() { return RemoteReports{progress, messages, 0}; }
};

// Adds into `target` as a run does, reporting to `reports`.
void Sum(const DMatrix& source, const GridPlacement& from, const GridPlacement& to, double dz,
         int negate, double plateFactor, DMatrix& target, Reports& reports) {
  SumRemoteDisplacement(source, from, to, dz, negate, plateFactor, reports.Get(), target);
}
void Sum(const DMatrix& source, const GridPlacement& from, const GridPlacement& to, double dz,
         int negate, double plateFactor, DMatrix& target) {
  Reports ignored;
  Sum(source, from, to, dz, negate, plateFactor, target, ignored);
}

double MaxAbs(const DMatrix& m, int nx, int ny) {
  double v = 0;
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) v = std::max(v, std::fabs(m[i][j]));
  return v;
}

TEST(RemoteDisplacement, SeparableSumMatchesLiteralSumOnUnlikeGrids) {
  // Source and target differ in counts, widths and origins; the source has
  // random convergences of both signs, the target already holds values that
  // the sum must add to. The image flag is on.
  const double plateFactor = 17.320508;
  const int sNx = 23, sNy = 17, tNx = 19, tNy = 29;
  const double sW = 10, sX0 = -35, sY0 = 12, tW = 7.5, tX0 = 3, tY0 = -40, dz = 135;

  std::mt19937 rng(20240611);
  std::uniform_real_distribution<double> conv(-0.5, 2.0);
  DMatrix source(0, sNx + 1, 0, sNy + 1);
  DMatrix negated(1, sNx, 1, sNy);
  for (int i = 0; i <= sNx + 1; ++i)
    for (int j = 0; j <= sNy + 1; ++j) source[i][j] = conv(rng);
  for (int i = 1; i <= sNx; ++i)
    for (int j = 1; j <= sNy; ++j) negated[i][j] = -source[i][j];
  DMatrix before(0, sNx + 1, 0, sNy + 1);
  for (int i = 0; i <= sNx + 1; ++i)
    for (int j = 0; j <= sNy + 1; ++j) before[i][j] = source[i][j];

  DMatrix fast(1, tNx, 1, tNy), literal(1, tNx, 1, tNy);
  for (int i = 1; i <= tNx; ++i)
    for (int j = 1; j <= tNy; ++j) fast[i][j] = literal[i][j] = 0.01 * (i - j);

  Sum(source, {sNx, sNy, sW, sX0, sY0}, {tNx, tNy, tW, tX0, tY0}, dz, 1, plateFactor, fast);
  AddRemoteDisplacementDense(negated, sNx, sNy, sW, sX0, sY0, literal, tNx, tNy, tW, tX0, tY0,
                             RemoteGaussianFor(sW, plateFactor, dz));

  const double scale = MaxAbs(literal, tNx, tNy);
  ASSERT_GT(scale, 1e-3);
  double worst = 0;
  for (int i = 1; i <= tNx; ++i)
    for (int j = 1; j <= tNy; ++j) worst = std::max(worst, std::fabs(fast[i][j] - literal[i][j]));
  EXPECT_LT(worst, 1e-12 * scale);

  // The source, ghost border included, is exactly as it was.
  for (int i = 0; i <= sNx + 1; ++i)
    for (int j = 0; j <= sNy + 1; ++j) ASSERT_EQ(source[i][j], before[i][j]);
}

TEST(RemoteDisplacement, SingleElementFollowsTheGaussianOfTheOverburden) {
  // One source element of width 10 with convergence 2, plate length 5, 100
  // below a 1 x 3 target row: coefficient 10^2 / (8 pi 5 (-100)), spread
  // 4 * 5 * 100 = 2000; a target row of three 30-wide blocks whose centres lie
  // 30, 0 and 30 away.
  DMatrix source(1, 1, 1, 1);
  source[1][1] = 2;
  DMatrix target(1, 1, 1, 3);
  target.Fill(0);
  Sum(source, {1, 1, 10, 0, 0}, {1, 3, 30, -10, -40}, -100, 0, 5, target);
  // Source centre (5, 5); target centres (5, -25), (5, 5), (5, 35).
  const double a = 100.0 / (8 * kPi * 5 * -100.0);
  EXPECT_NEAR(target[1][2], 2 * a, 1e-15);
  EXPECT_NEAR(target[1][1], 2 * a * std::exp(-900.0 / 2000.0), 1e-15);
  EXPECT_NEAR(target[1][3], 2 * a * std::exp(-900.0 / 2000.0), 1e-15);
  EXPECT_LT(target[1][2], 0.0);  // source below the target: dz < 0

  // The image of the same source (negate 1) gives the exact negative.
  DMatrix image(1, 1, 1, 3);
  image.Fill(0);
  Sum(source, {1, 1, 10, 0, 0}, {1, 3, 30, -10, -40}, -100, 1, 5, image);
  for (int j = 1; j <= 3; ++j) EXPECT_EQ(image[1][j], -target[1][j]);
  EXPECT_EQ(source[1][1], 2.0);
}

TEST(RemoteDisplacement, OneSeamGetsDisplacementFromItsOwnImageOnly) {
  // A single seam 300 below the surface: there is no other seam, so only the
  // mirror pass acts, at distance -seamZ - seamZ = 600, with reversed sign.
  const int n = 10;
  DMatrix convergence(0, n + 1, 0, n + 1);
  convergence.Fill(0);
  for (int i = 4; i <= 7; ++i)
    for (int j = 4; j <= 7; ++j) convergence[i][j] = 1.5;  // a closing panel
  DMatrix displacement(1, n, 1, n);
  displacement.Fill(0);
  const double seamZ = -300;
  Sum(convergence, {n, n, 20, 0, 0}, {n, n, 20, 0, 0}, -seamZ - seamZ, 1, 20, displacement);
  // Every element moves; the panel centre most, toward the opening.
  EXPECT_LT(displacement[5][5], 0.0);
  EXPECT_LT(displacement[1][1], 0.0);
  EXPECT_GT(std::fabs(displacement[5][5]), std::fabs(displacement[1][1]));
  // Centre value by the literal sum of the 16 closing elements.
  const double a = 400.0 / (8 * kPi * 20 * 600);
  double expected = 0;
  for (int i = 4; i <= 7; ++i)
    for (int j = 4; j <= 7; ++j) {
      const double dx = (5 - i) * 20.0, dy = (5 - j) * 20.0;
      expected -= 1.5 * a * std::exp(-(dx * dx + dy * dy) / (4 * 20 * 600.0));
    }
  EXPECT_NEAR(displacement[5][5], expected, 1e-14);
}

TEST(RemoteDisplacement, DistantGridStillReceivesTheDecayingTail) {
  // A target grid wholly beside the source receives small but non-zero
  // values that fall off away from the source.
  DMatrix source(1, 5, 1, 5);
  source.Fill(1);
  DMatrix target(1, 3, 1, 3);
  target.Fill(0);
  Sum(source, {5, 5, 10, 0, 0}, {3, 3, 10, 400, 0}, 200, 0, 10, target);
  EXPECT_GT(target[1][2], 0.0);
  EXPECT_GT(target[1][2], target[2][2]);
  EXPECT_GT(target[2][2], target[3][2]);
  EXPECT_LT(target[1][2], 1e-3);
}

TEST(RemoteDisplacement, ReportsEveryRowAndATenthRowLine) {
  Reports reports;
  const RecordingProgress& progress = reports.progress;
  DMatrix source(1, 20, 1, 10);
  source.Fill(0.5);
  DMatrix target(1, 20, 1, 10);
  target.Fill(0);
  Sum(source, {20, 10, 10, 0, 0}, {20, 10, 10, 0, 0}, 50, 0, 10, target, reports);
  ASSERT_EQ(progress.gridlines.size(), 20u);
  EXPECT_EQ(progress.gridlines.front().first, 1);
  EXPECT_EQ(progress.gridlines.front().second, 5);
  EXPECT_EQ(progress.gridlines[2].second, 15);  // 300 / 20
  EXPECT_EQ(progress.gridlines.back().second, 100);
  EXPECT_EQ(progress.elapsedCalls, 20);
  EXPECT_EQ(progress.projectionClosed, 1);
  EXPECT_EQ(reports.messages.console,
            "Calculating Remote Displacement for Row 10\n"
            "Calculating Remote Displacement for Row 20\n"
            "\n");
}

TEST(RemoteDisplacement, CoplanarGridsAddNothing) {
  // Zero vertical distance has no finite Gaussian: the target is left alone
  // instead of being filled with infinities.
  Reports reports;
  DMatrix source(1, 2, 1, 2);
  source.Fill(1);
  DMatrix target(1, 2, 1, 2);
  target.Fill(3);
  Sum(source, {2, 2, 10, 0, 0}, {2, 2, 10, 0, 0}, 0.0, 0, 10, target, reports);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_EQ(target[i][j], 3.0);
  EXPECT_NE(reports.messages.console.find("skipped"), std::string::npos);
}

// ---- strains -------------------------------------------------------------------

struct StrainGrids {
  StrainGrids(int nx, int ny)
      : d(1, nx, 1, ny), xSlope(1, nx, 1, ny), ySlope(1, nx, 1, ny), xStrain(1, nx, 1, ny),
        yStrain(1, nx, 1, ny) {}
  DMatrix d, xSlope, ySlope, xStrain, yStrain;
};

TEST(RemoteStrains, ZeroDisplacementGivesZeroSlopesAndStrains) {
  // What a one-seam model without surface effects holds: nothing moves.
  const int units = 0;
  StrainGrids g(10, 10);
  g.d.Fill(0);
  g.xStrain.Fill(9);
  g.yStrain.Fill(9);
  ComputeRemoteStrainsInUnits(units, 10, 10, g.d, 25, g.xSlope, g.ySlope, g.xStrain, g.yStrain);
  for (int i = 1; i <= 10; ++i)
    for (int j = 1; j <= 10; ++j) {
      EXPECT_EQ(g.xSlope[i][j], 0.0);
      EXPECT_EQ(g.ySlope[i][j], 0.0);
      EXPECT_EQ(g.xStrain[i][j], 0.0);
      EXPECT_EQ(g.yStrain[i][j], 0.0);
    }
}

TEST(RemoteStrains, ParabolicTroughAlongXFollowsTheSignRules) {
  // Metric model (no conversion): D = 0.001 i^2 - 0.02 along X, constant along
  // Y. Slope at row i + 1 is 0.001 (2i + 1) / 5; curvature 0.002 / 25 everywhere
  // (positive). D is negative for i <= 4 and positive from i = 5, so the X strain
  // is +sqrt(0.024 * 0.00008) on rows 2..4 and -sqrt(...) on rows 5..7.
  const int units = 2;
  const int nx = 8, ny = 4;
  StrainGrids g(nx, ny);
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) g.d[i][j] = 0.001 * i * i - 0.02;
  ComputeRemoteStrainsInUnits(units, nx, ny, g.d, 5, g.xSlope, g.ySlope, g.xStrain, g.yStrain);

  const double magnitude = std::sqrt(0.024 * 0.002 / 25);
  for (int j = 1; j <= ny; ++j) {
    EXPECT_NEAR(g.xSlope[3][j], 0.001 * 5 / 5, 1e-15);
    EXPECT_EQ(g.xSlope[1][j], g.xSlope[2][j]);
    for (int i = 2; i <= 4; ++i) EXPECT_NEAR(g.xStrain[i][j], magnitude, 1e-12) << i;
    for (int i = 5; i <= 7; ++i) EXPECT_NEAR(g.xStrain[i][j], -magnitude, 1e-12) << i;
    EXPECT_EQ(g.xStrain[1][j], g.xStrain[2][j]);
    EXPECT_EQ(g.xStrain[nx][j], g.xStrain[nx - 1][j]);
  }
  // Nothing varies along Y: zero slope, zero curvature, zero strain.
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) {
      EXPECT_EQ(g.ySlope[i][j], 0.0);
      EXPECT_EQ(g.yStrain[i][j], 0.0);
    }
}

TEST(RemoteStrains, DomeAlongYAndZeroDisplacementElement) {
  // D = -(j - 3)^2 along Y: negative curvature; D < 0 away from j = 3 gives
  // strain -sqrt(0.024 * 2); at j = 3 the displacement is 0 and so is the strain.
  const int units = 3;
  const int nx = 3, ny = 6;
  StrainGrids g(nx, ny);
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) g.d[i][j] = -static_cast<double>((j - 3) * (j - 3));
  ComputeRemoteStrainsInUnits(units, nx, ny, g.d, 1, g.xSlope, g.ySlope, g.xStrain, g.yStrain);
  const double magnitude = std::sqrt(0.024 * 2);
  for (int i = 1; i <= nx; ++i) {
    EXPECT_EQ(g.ySlope[i][1], g.ySlope[i][2]);
    EXPECT_EQ(g.ySlope[i][2], 3.0);  // -(1) - -(4)
    EXPECT_NEAR(g.yStrain[i][2], -magnitude, 1e-15);
    EXPECT_EQ(g.yStrain[i][3], 0.0);
    EXPECT_NEAR(g.yStrain[i][4], -magnitude, 1e-15);
    EXPECT_NEAR(g.yStrain[i][5], -magnitude, 1e-15);
    EXPECT_EQ(g.yStrain[i][1], g.yStrain[i][2]);
    EXPECT_EQ(g.yStrain[i][ny], g.yStrain[i][ny - 1]);
  }
}

TEST(RemoteStrains, InchModelsWorkInMetresAndKeepTheirDisplacement) {
  // Unit systems 0 and 1 hold inches: D = 0.5 i^2 inches with a 40 inch
  // width gives the slope 0.0254 * 0.5 (2i + 1) / (40 * 0.0254f) and the
  // curvature 0.0254 / (40 * 0.0254f)^2; D itself is unchanged afterwards.
  for (int units : {0, 1}) {
    const int nx = 5, ny = 3;
    StrainGrids g(nx, ny);
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) g.d[i][j] = 0.5 * i * i + 0.1 * j / 3.0;
    DMatrix copy(1, nx, 1, ny);
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) copy[i][j] = g.d[i][j];
    ComputeRemoteStrainsInUnits(units, nx, ny, g.d, 40, g.xSlope, g.ySlope, g.xStrain, g.yStrain);
    const double wd = 40 * 0.02539999969303608;
    EXPECT_NEAR(g.xSlope[3][1], 0.0254 * 0.5 * 5 / wd, 1e-14);
    const double curvature = 0.0254 / (wd * wd);
    EXPECT_NEAR(g.xStrain[3][2], -std::sqrt(0.024 * curvature), 1e-12);
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) EXPECT_EQ(g.d[i][j], copy[i][j]) << units;
  }
}

TEST(RemoteStrains, GridsTooSmallForACurvatureGetZeroStrain) {
  // One or two blocks along an axis: no interior element to take a curvature
  // from, so the strains are 0 (and a single block has zero slope).
  const int units = 2;
  StrainGrids g(2, 1);
  g.d[1][1] = 1;
  g.d[2][1] = 3;
  ComputeRemoteStrainsInUnits(units, 2, 1, g.d, 2, g.xSlope, g.ySlope, g.xStrain, g.yStrain);
  EXPECT_EQ(g.xSlope[1][1], 1.0);
  EXPECT_EQ(g.xSlope[2][1], 1.0);
  EXPECT_EQ(g.ySlope[1][1], 0.0);
  EXPECT_EQ(g.xStrain[1][1], 0.0);
  EXPECT_EQ(g.xStrain[2][1], 0.0);
  EXPECT_EQ(g.yStrain[2][1], 0.0);
}

}  // namespace
}  // namespace kavrel
