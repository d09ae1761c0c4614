// Engineering checks of the element and pillar safety factors and of the
// pillar stiffness, against values worked by hand from the material curves.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "post/safety_factors.h"
#include "support/fatal_exits.h"
#include "support/recording_sinks.h"
#include "support/seam_grids.h"
#include "support/seam_pillars.h"

namespace kavrel {
namespace {

using testing_support::ExitCodeOf;
using testing_support::RecordingMessages;
using testing_support::ResultGrid;
using testing_support::SeamGrids;
using testing_support::SeamPillars;
using testing_support::TestMaterials;

constexpr double kThickness = 60.0;  // inches

//   A  elastic-plastic coal, peak 1000 psi at 0.01, plastic modulus 0
//   B  elastic-plastic coal, peak 1200 psi at 0.01, plastic modulus 50000 psi
//   C  strain-softening coal, peak 1000 psi at 0.01, residual 200 psi at 0.05
//   D  linear elastic coal, 300000 psi;   I  linear elastic coal, 600000 psi
//   E, F, G  gob of types 4, 5, 6;        H  a code with no material defined
TestMaterials Materials() {
  TestMaterials m;
  m.count = 9;
  m.Set(0, 3, {1000, 0.01, 0, 0.25, 0})
      .Set(1, 3, {1200, 0.01, 50000, 0.25, 0})
      .Set(2, 2, {1000, 0.01, 200, 0.05, 0.25})
      .Set(3, 1, {300000, 120000, 0, 0, 0})
      .Set(4, 4, {500, 0.2, 3000, 1.5, 0.25})
      .Set(5, 5, {100, 2000, 1000, 1.5, 0.25})
      .Set(6, 6, {1000, 400, 1.5, 0, 0})
      .Set(8, 1, {600000, 240000, 0, 0, 0});
  return m;
}

// One seam of the materials above, zero convergence and stress, with the
// three factor grids holding stale values.
struct SeamFixture : SeamGrids {
  TestMaterials materials = Materials();
  RecordingMessages messages;
  DMatrix elementSF, stressSF, strainSF;

  explicit SeamFixture(const std::vector<std::string>& rows)
      : SeamGrids(rows, kThickness, 20.0), elementSF(ResultGrid(nx, ny)),
        stressSF(ResultGrid(nx, ny)), strainSF(ResultGrid(nx, ny)) {}

  void ElementFactors() {
    ComputeElementSafetyFactors(View(), materials.Table(), messages, elementSF);
  }
  void AllFactors() {
    const SeamPillars pillars(codes, nx, ny);
    ElementFactors();
    ComputePillarSafetyFactors(View(), materials.Table(), pillars.list.head, messages, stressSF,
                               strainSF);
  }
  PillarStiffnessResult Stiffness() {
    const SeamPillars pillars(codes, nx, ny);
    return ComputePillarStiffness(View(), materials.Table(), *pillars.list.head, messages);
  }
  double StressSF(int i, int j) const { return stressSF[i][j]; }
  double StrainSF(int i, int j) const { return strainSF[i][j]; }
  double ElementSF(int i, int j) const { return elementSF[i][j]; }
};

TEST(ElementSafetyFactor, CoalWithAPeakGivesPeakStrainOverStrainOthersZero) {
  SeamFixture f({"ABCDEFG1"});
  for (int j = 1; j <= 8; ++j) f.Set(1, j, 0.24, 0.0);  // strain 0.004
  f.AllFactors();
  EXPECT_NEAR(f.ElementSF(1, 1), 2.5, 1e-12);
  EXPECT_NEAR(f.ElementSF(1, 2), 2.5, 1e-12);
  EXPECT_NEAR(f.ElementSF(1, 3), 2.5, 1e-12);
  for (int j = 4; j <= 8; ++j) EXPECT_EQ(f.ElementSF(1, j), 0.0) << "column " << j;
}

TEST(ElementSafetyFactor, ZeroStrainKeepsItsInfiniteQuotient) {
  SeamFixture f({"A"});
  f.AllFactors();
  EXPECT_TRUE(std::isinf(f.ElementSF(1, 1)));
  EXPECT_GT(f.ElementSF(1, 1), 0.0);
}

TEST(ElementSafetyFactor, RefusedAndUnknownCodesEndTheRun) {
  {
    SeamFixture f({"AA", "A0"});
    EXPECT_EQ(ExitCodeOf([&] { f.ElementFactors(); }),
              1);
    const std::string text = "Material Code Out of Range in Element Safety Factor Routine - ES1\n";
    EXPECT_EQ(f.messages.diagnostics,
              (std::vector<std::string>{text, "i = 2, j = 2, integer code = 52\n"}));
    EXPECT_EQ(f.messages.boxes, (std::vector<std::string>{text}));
  }
  {
    SeamFixture f({"A[", "AA"});
    EXPECT_EQ(ExitCodeOf([&] { f.ElementFactors(); }),
              2);
    const std::string text = "Material Code Out of Range in Element Safety Factor Routine - ES2\n";
    const std::string line = "i = 1, j = 2, integer code = 91\n";
    EXPECT_EQ(f.messages.diagnostics, (std::vector<std::string>{text, line}));
    // the code conversion may show its own box first
    ASSERT_GE(f.messages.boxes.size(), 2u);
    EXPECT_EQ(f.messages.boxes[f.messages.boxes.size() - 2], text);
    EXPECT_EQ(f.messages.boxes.back(), line);
  }
  {
    SeamFixture f({"AH"});
    EXPECT_EQ(ExitCodeOf([&] { f.ElementFactors(); }),
              5);
    const std::string text = "Material Code Out of Range in Element Safety Factor Routine - ES5\n";
    EXPECT_EQ(f.messages.diagnostics,
              (std::vector<std::string>{text, "i = 1, j = 2, integer code = 7\n"}));
    EXPECT_EQ(f.messages.boxes, (std::vector<std::string>{text}));
  }
}

TEST(PillarSafetyFactor, PerfectlyPlasticPillarPeaksAtItsPeakStrain) {
  // Flat beyond the peak: the first maximum, at strain 0.01, is taken.
  // Mean strain (0.24 + 0.30 + 0.36 + 0.30) / 4 / 60 = 0.005, mean stress 400.
  SeamFixture f({"AA1", "AA1"});
  f.Set(1, 1, 0.24, 300);
  f.Set(1, 2, 0.30, 400);
  f.Set(2, 1, 0.36, 500);
  f.Set(2, 2, 0.30, 400);
  f.AllFactors();
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) {
      EXPECT_NEAR(f.StrainSF(i, j), 2.0, 1e-12);
      EXPECT_NEAR(f.StressSF(i, j), 1000.0 / 400.0, 1e-12);
    }
  EXPECT_EQ(f.StrainSF(1, 3), 0.0);
  EXPECT_EQ(f.StressSF(2, 3), 0.0);
}

TEST(PillarSafetyFactor, HardeningPillarPeaksAtFullClosure) {
  // Largest stress at strain 1.0: 1200 + 50000 * 0.99 = 50700 psi.
  SeamFixture f({"BB"});
  f.Set(1, 1, 0.24, 450);
  f.Set(1, 2, 0.36, 550);
  f.AllFactors();
  EXPECT_NEAR(f.StrainSF(1, 1), 1.0 / 0.005, 1e-9);
  EXPECT_NEAR(f.StressSF(1, 2), 50700.0 / 500.0, 1e-9);
}

TEST(PillarSafetyFactor, PillarStrainedBeyondItsPeakHasEqualFactorsBelowOne) {
  // Softening pillar at mean strain 0.02, past its peak at 0.01.
  SeamFixture f({"CC"});
  f.Set(1, 1, 1.2, 800);
  f.Set(1, 2, 1.2, 800);
  f.AllFactors();
  EXPECT_NEAR(f.StrainSF(1, 1), 0.5, 1e-12);
  EXPECT_NEAR(f.StressSF(1, 1), 0.5, 1e-12);
}

TEST(PillarSafetyFactor, MixedCoalPillarUsesTheCountWeightedCurve) {
  // Three A and one C: breakpoints 0, 0.01, 0.05, 1.0 with mean stresses
  // 1000, (3*1000 + 200)/4 = 800, 800; the peak is at 0.01.
  SeamFixture f({"AAAC"});
  for (int j = 1; j <= 4; ++j) f.Set(1, j, 0.12, 250);  // strain 0.002
  f.AllFactors();
  EXPECT_NEAR(f.StrainSF(1, 4), 5.0, 1e-12);
  EXPECT_NEAR(f.StressSF(1, 4), 4.0, 1e-12);
  EXPECT_NEAR(f.ElementSF(1, 4), 5.0, 1e-12);
}

TEST(PillarSafetyFactor, OneGobOrLinearElasticElementZeroesTheWholePillar) {
  // Two pillars side by side, each with one non-peak element; a third pillar
  // of pure coal keeps its factors.
  SeamFixture f({"AAE1AD1AA"});
  for (int j = 1; j <= 9; ++j) f.Set(1, j, 0.24, 400);
  f.AllFactors();
  for (int j : {1, 2, 3, 5, 6}) {
    EXPECT_EQ(f.StressSF(1, j), 0.0) << "column " << j;
    EXPECT_EQ(f.StrainSF(1, j), 0.0) << "column " << j;
  }
  // element factors are still computed element by element
  EXPECT_NEAR(f.ElementSF(1, 1), 2.5, 1e-12);
  EXPECT_EQ(f.ElementSF(1, 3), 0.0);
  EXPECT_EQ(f.ElementSF(1, 6), 0.0);
  EXPECT_NEAR(f.StrainSF(1, 8), 2.5, 1e-12);
  EXPECT_NEAR(f.StressSF(1, 9), 2.5, 1e-12);
}

TEST(PillarSafetyFactor, AllMinedSeamKeepsZeroFactors) {
  SeamFixture f({"111", "111"});
  f.AllFactors();
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j) {
      EXPECT_EQ(f.StressSF(i, j), 0.0);
      EXPECT_EQ(f.StrainSF(i, j), 0.0);
      EXPECT_EQ(f.ElementSF(i, j), 0.0);
    }
}

TEST(PillarSafetyFactor, UnloadedPillarKeepsItsIeeeValues) {
  // Zero mean strain and zero mean stress: both quotients are infinite.
  SeamFixture f({"AA"});
  f.AllFactors();
  EXPECT_TRUE(std::isinf(f.StrainSF(1, 1)));
  EXPECT_TRUE(std::isinf(f.StressSF(1, 2)));
}

TEST(PillarStiffness, SofteningPillarTakesItsPostPeakSlope) {
  SeamFixture f({"CC"});
  f.Set(1, 1, 0.3, 900);
  f.Set(1, 2, 0.5, 700);
  const PillarStiffnessResult r = f.Stiffness();
  EXPECT_DOUBLE_EQ(r.means.stress, 800.0);
  EXPECT_DOUBLE_EQ(r.means.convergence, 0.4);
  // (200 - 1000) psi over (0.05 - 0.01), per inch of 60-inch seam
  EXPECT_NEAR(r.stiffness, -20000.0 / 60.0, 1e-9);
}

TEST(PillarStiffness, LinearElasticCoalAddsItsStraightLine) {
  // Two A and one D: breakpoints 0, 0.01, 1.0 with mean stresses
  // (2*1000 + 3000)/3 and (2*1000 + 300000)/3; slopes 166666.7 and 100000.
  SeamFixture f({"ADA"});
  EXPECT_NEAR(f.Stiffness().stiffness, 100000.0 / 60.0, 1e-6);
}

TEST(PillarStiffness, LinearElasticOnlyPillarUsesItsMeanModulus) {
  SeamFixture f({"DDI"});
  EXPECT_NEAR(f.Stiffness().stiffness, (2 * 300000.0 + 600000.0) / 3.0 / 60.0, 1e-9);
}

TEST(PillarStiffness, GobInThePillarEndsTheRunWithPsd1) {
  for (const char* row : {"AE", "AF", "GA", "AH"}) {
    SeamFixture f({row});
    EXPECT_EQ(ExitCodeOf([&] { f.Stiffness(); }), 2)
        << row;
    EXPECT_EQ(f.messages.boxes,
              (std::vector<std::string>{"Invalid Material Type - Must Be Coal in LMS Pillar - PSD1\n"}));
    EXPECT_TRUE(f.messages.diagnostics.empty());
  }
}

}  // namespace
}  // namespace kavrel
