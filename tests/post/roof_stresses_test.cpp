// Checks of the roof bending stresses: bending from the second differences of
// the convergence (border cells included), the membrane term of the remote
// strains, and the extremes of each element.
#include "post/roof_stresses.h"

#include <gtest/gtest.h>

#include "model/model_dat.h"

namespace kavrel {
namespace {

// A one-seam model with the roof cubes (and optionally the strain cubes).
void Prepare(CModelDat& m, int nx, int ny, bool strains) {
  m.seamCount = 1;
  m.nx = nx;
  m.ny = ny;
  m.elementWidth = 10;
  m.layerThickness = 20;
  m.elasticModulus = 1000;
  m.remoteStrains = strains ? 1 : 0;
  m.convergence.Allocate(1, 1, 0, nx + 1, 0, ny + 1);
  for (DCube* c : {&m.roofStressX, &m.roofStressY, &m.maxRoofCompression, &m.maxRoofTension,
                   &m.maxRoofStress}) {
    c->Allocate(1, 1, 1, nx, 1, ny);
    c->Fill(99);
  }
  if (strains) {
    m.remoteXStrain.Allocate(1, 1, 1, nx, 1, ny);
    m.remoteYStrain.Allocate(1, 1, 1, nx, 1, ny);
  }
}

TEST(RoofStresses, UniformConvergenceBendsNothing) {
  CModelDat m;
  Prepare(m, 4, 5, false);
  m.convergence.Fill(0.37);  // border cells too, as a symmetric solve leaves them
  m.RoofStresses(1);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 5; ++j) {
      EXPECT_EQ(m.roofStressX[1][i][j], 0.0);
      EXPECT_EQ(m.roofStressY[1][i][j], 0.0);
      EXPECT_EQ(m.maxRoofCompression[1][i][j], 0.0);
      EXPECT_EQ(m.maxRoofTension[1][i][j], 0.0);
      EXPECT_EQ(m.maxRoofStress[1][i][j], 0.0);
    }
}

TEST(RoofStresses, CurvatureTimesThicknessAndModulus) {
  // C = 0.01 i^2 has second difference 0.02 along X and none along Y; the
  // factor is t E / (4 w^2) = 20 * 1000 / 400 = 50, so X stress 1 everywhere,
  // the edge rows taking their outer neighbour from the border cells.
  CModelDat m;
  Prepare(m, 3, 2, false);
  for (int i = 0; i <= 4; ++i)
    for (int j = 0; j <= 3; ++j) m.convergence[1][i][j] = 0.01 * i * i;
  m.RoofStresses(1);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 2; ++j) {
      EXPECT_NEAR(m.roofStressX[1][i][j], 1.0, 1e-12);
      EXPECT_EQ(m.roofStressY[1][i][j], 0.0);
      EXPECT_NEAR(m.maxRoofCompression[1][i][j], 1.0, 1e-12);
      EXPECT_EQ(m.maxRoofTension[1][i][j], 0.0);
      EXPECT_NEAR(m.maxRoofStress[1][i][j], 1.0, 1e-12);
    }

  // Zero border columns (fixed edges) put a kink at the Y edges: element
  // (2, 1) sees 0 - 2 * 0.04 + 0.04 along Y, element (2, 2) 0.04 - 2 * 0.04 + 0.
  for (int i = 0; i <= 4; ++i) m.convergence[1][i][0] = m.convergence[1][i][3] = 0;
  m.RoofStresses(1);
  EXPECT_NEAR(m.roofStressY[1][2][1], (0 - 2 * 0.04 + 0.04) * 50, 1e-12);
  EXPECT_NEAR(m.roofStressY[1][2][2], (0.04 - 2 * 0.04 + 0) * 50, 1e-12);
}

TEST(RoofStresses, RemoteStrainsAddTheirMembraneStress) {
  CModelDat m;
  Prepare(m, 2, 2, true);
  m.convergence.Fill(1.0);
  m.remoteXStrain.Fill(0.002);   // 2 at E = 1000
  m.remoteYStrain.Fill(-0.001);  // -1
  m.RoofStresses(1);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) {
      EXPECT_DOUBLE_EQ(m.roofStressX[1][i][j], 2.0);
      EXPECT_DOUBLE_EQ(m.roofStressY[1][i][j], -1.0);
      EXPECT_DOUBLE_EQ(m.maxRoofStress[1][i][j], 2.0);
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

TEST(RoofStresses, ElementWithXFiveAndYMinusSevenThroughTheModel) {
  // Bending only along each axis at element (2, 2): along X a second
  // difference of 0.1 (X stress 5), along Y of -0.14 (Y stress -7).
  CModelDat m;
  Prepare(m, 3, 3, false);
  m.convergence.Fill(0);
  m.convergence[1][2][2] = 0.5;
  m.convergence[1][1][2] = m.convergence[1][3][2] = 0.55;  // 0.55 - 1.0 + 0.55 = 0.1
  m.convergence[1][2][1] = m.convergence[1][2][3] = 0.43;  // 0.43 - 1.0 + 0.43 = -0.14
  m.RoofStresses(1);
  EXPECT_NEAR(m.roofStressX[1][2][2], 5.0, 1e-12);
  EXPECT_NEAR(m.roofStressY[1][2][2], -7.0, 1e-12);
  EXPECT_NEAR(m.maxRoofCompression[1][2][2], 5.0, 1e-12);
  EXPECT_NEAR(m.maxRoofTension[1][2][2], -7.0, 1e-12);
  EXPECT_NEAR(m.maxRoofStress[1][2][2], -7.0, 1e-12);
}

}  // namespace
}  // namespace kavrel
