// Checks of the roof bending stresses: bending from the second differences of
// the convergence (border cells included), the membrane term of the remote
// strains, and the extremes of each element.
#include "post/roof_stresses.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/seam_grids.h"

namespace kavrel {
namespace {

using testing_support::ResultGrid;
using testing_support::SeamGrids;

// One seam of elements 10 wide under a roof layer 20 thick of modulus 1000
// (factor t E / (4 w^2) = 50), with the five roof grids holding stale values
// and, optionally, remote strains.
struct Roof : SeamGrids {
  DMatrix x, y, compression, tension, governing, xStrain, yStrain;
  bool strains;

  Roof(int rows, int columns, bool withStrains)
      : SeamGrids(std::vector<std::string>(rows, std::string(columns, 'A')), 60, 10),
        x(ResultGrid(nx, ny, 99)), y(ResultGrid(nx, ny, 99)), compression(ResultGrid(nx, ny, 99)),
        tension(ResultGrid(nx, ny, 99)), governing(ResultGrid(nx, ny, 99)),
        xStrain(ResultGrid(nx, ny, 0)), yStrain(ResultGrid(nx, ny, 0)), strains(withStrains) {}

  void Compute() {
    const double* const* ex = strains ? static_cast<double**>(xStrain) : nullptr;
    const double* const* ey = strains ? static_cast<double**>(yStrain) : nullptr;
    ComputeRoofStresses(View(), 20, 1000, ex, ey, {x, y, compression, tension, governing});
  }
};

TEST(RoofStresses, UniformConvergenceBendsNothing) {
  Roof r(4, 5, false);
  r.convergence.Fill(0.37);  // border cells too, as a symmetric solve leaves them
  r.Compute();
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 5; ++j) {
      EXPECT_EQ(r.x[i][j], 0.0);
      EXPECT_EQ(r.y[i][j], 0.0);
      EXPECT_EQ(r.compression[i][j], 0.0);
      EXPECT_EQ(r.tension[i][j], 0.0);
      EXPECT_EQ(r.governing[i][j], 0.0);
    }
}

TEST(RoofStresses, CurvatureTimesThicknessAndModulus) {
  // C = 0.01 i^2 has second difference 0.02 along X and none along Y; the
  // factor is t E / (4 w^2) = 20 * 1000 / 400 = 50, so X stress 1 everywhere,
  // the edge rows taking their outer neighbour from the border cells.
  Roof r(3, 2, false);
  for (int i = 0; i <= 4; ++i)
    for (int j = 0; j <= 3; ++j) r.convergence[i][j] = 0.01 * i * i;
  r.Compute();
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 2; ++j) {
      EXPECT_NEAR(r.x[i][j], 1.0, 1e-12);
      EXPECT_EQ(r.y[i][j], 0.0);
      EXPECT_NEAR(r.compression[i][j], 1.0, 1e-12);
      EXPECT_EQ(r.tension[i][j], 0.0);
      EXPECT_NEAR(r.governing[i][j], 1.0, 1e-12);
    }

  // Zero border columns (fixed edges) put a kink at the Y edges: element
  // (2, 1) sees 0 - 2 * 0.04 + 0.04 along Y, element (2, 2) 0.04 - 2 * 0.04 + 0.
  for (int i = 0; i <= 4; ++i) r.convergence[i][0] = r.convergence[i][3] = 0;
  r.Compute();
  EXPECT_NEAR(r.y[2][1], (0 - 2 * 0.04 + 0.04) * 50, 1e-12);
  EXPECT_NEAR(r.y[2][2], (0.04 - 2 * 0.04 + 0) * 50, 1e-12);
}

TEST(RoofStresses, RemoteStrainsAddTheirMembraneStress) {
  Roof r(2, 2, true);
  r.convergence.Fill(1.0);
  r.xStrain.Fill(0.002);   // 2 at E = 1000
  r.yStrain.Fill(-0.001);  // -1
  r.Compute();
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) {
      EXPECT_DOUBLE_EQ(r.x[i][j], 2.0);
      EXPECT_DOUBLE_EQ(r.y[i][j], -1.0);
      EXPECT_DOUBLE_EQ(r.governing[i][j], 2.0);
    }
}

TEST(RoofStresses, ExtremesOfOneElement) {
  const RoofStressExtremes mixed = RoofStressExtremesOf(5, -7);
  EXPECT_EQ(mixed.compression, 5.0);
  EXPECT_EQ(mixed.tension, -7.0);
  EXPECT_EQ(mixed.governing, -7.0);

  const RoofStressExtremes equal = RoofStressExtremesOf(3, 3);
  EXPECT_EQ(equal.compression, 3.0);
  EXPECT_EQ(equal.tension, 3.0);
  EXPECT_EQ(equal.governing, 3.0);

  // Equal magnitudes: the tension value governs.
  EXPECT_EQ(RoofStressExtremesOf(-4, 4).governing, -4.0);
  EXPECT_EQ(RoofStressExtremesOf(8, -2).governing, 8.0);
  EXPECT_EQ(RoofStressExtremesOf(0, 0).governing, 0.0);
}

TEST(RoofStresses, ElementWithXFiveAndYMinusSevenThroughTheSeam) {
  // Bending only along each axis at element (2, 2): along X a second
  // difference of 0.1 (X stress 5), along Y of -0.14 (Y stress -7).
  Roof r(3, 3, false);
  r.convergence[2][2] = 0.5;
  r.convergence[1][2] = r.convergence[3][2] = 0.55;  // 0.55 - 1.0 + 0.55 = 0.1
  r.convergence[2][1] = r.convergence[2][3] = 0.43;  // 0.43 - 1.0 + 0.43 = -0.14
  r.Compute();
  EXPECT_NEAR(r.x[2][2], 5.0, 1e-12);
  EXPECT_NEAR(r.y[2][2], -7.0, 1e-12);
  EXPECT_NEAR(r.compression[2][2], 5.0, 1e-12);
  EXPECT_NEAR(r.tension[2][2], -7.0, 1e-12);
  EXPECT_NEAR(r.governing[2][2], -7.0, 1e-12);
}

}  // namespace
}  // namespace kavrel
