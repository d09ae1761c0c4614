// Material laws and the element-stress pass: hand-computed stresses at the
// branch points of every law, the mined-out contact, and the fatal errors for
// codes the pass refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "solver/material_laws.h"
#include "solver/solver_test_support.h"

namespace kavrel {
namespace {

using testing_support::RecordingMessages;
using testing_support::SeamArrays;
using testing_support::SolveCase;

// Strain-softening coal of the worked example: peak 1000 at 0.01, residual 200
// from 0.05.
TEST(MaterialLaws, SofteningCoalBranches) {
  const double p[4] = {1000, 0.01, 200, 0.05};
  EXPECT_DOUBLE_EQ(SofteningCoalLaw(0.005, p[0], p[1], p[2], p[3]), 500.0);
  EXPECT_NEAR(SofteningCoalLaw(0.03, p[0], p[1], p[2], p[3]), 600.0, 1e-9);
  // At the peak strain the falling branch applies and starts at the peak.
  EXPECT_DOUBLE_EQ(SofteningCoalLaw(0.01, p[0], p[1], p[2], p[3]), 1000.0);
  // At and beyond the residual strain: exactly the residual stress.
  EXPECT_EQ(SofteningCoalLaw(0.05, p[0], p[1], p[2], p[3]), 200.0);
  EXPECT_EQ(SofteningCoalLaw(0.9, p[0], p[1], p[2], p[3]), 200.0);
  EXPECT_DOUBLE_EQ(SofteningCoalLaw(-0.002, p[0], p[1], p[2], p[3]), -200.0);
}

TEST(MaterialLaws, PlasticCoalPlateauAndHardening) {
  EXPECT_DOUBLE_EQ(PlasticCoalLaw(0.004, 1000, 0.01, 0), 400.0);
  EXPECT_EQ(PlasticCoalLaw(0.01, 1000, 0.01, 0), 1000.0);
  EXPECT_EQ(PlasticCoalLaw(0.5, 1000, 0.01, 0), 1000.0);  // perfectly plastic plateau
  EXPECT_DOUBLE_EQ(PlasticCoalLaw(0.03, 1000, 0.01, 5000), 1100.0);
  EXPECT_LT(PlasticCoalLaw(-0.001, 1000, 0.01, 5000), 0.0);
}

TEST(MaterialLaws, GobHeightFactorScalesStrain) {
  // Bi-linear gob: initial point 300 at 0.1, hardening modulus 4000.
  for (double x : {0.02, 0.1, 0.25}) {
    EXPECT_EQ(BilinearGobLaw(2 * x, 300, 0.1, 4000, 2.0), BilinearGobLaw(x, 300, 0.1, 4000, 1.0));
    EXPECT_EQ(HardeningGobLaw(2 * x, 1000, 5000, 2000, 2.0),
              HardeningGobLaw(x, 1000, 5000, 2000, 1.0));
  }
  EXPECT_DOUBLE_EQ(BilinearGobLaw(0.05, 300, 0.1, 4000, 1.0), 150.0);
  EXPECT_DOUBLE_EQ(BilinearGobLaw(0.3, 300, 0.1, 4000, 1.0), 1100.0);
}

TEST(MaterialLaws, HardeningGobFollowsTheTangentModulus) {
  // rate b = (5000 - 1000) / 2000 = 2; stress = (exp(b e) - 1) P0 / b.
  EXPECT_NEAR(HardeningGobLaw(0.1, 1000, 5000, 2000, 1.0), (std::exp(0.2) - 1.0) * 500.0, 1e-10);
  // The tangent modulus is P0 at zero stress and reaches P1 at the peak stress.
  const double eps = 1e-7;
  EXPECT_NEAR(HardeningGobLaw(eps, 1000, 5000, 2000, 1.0) / eps, 1000.0, 1e-3);
  const double peakStrain = std::log(1.0 + 2000.0 * 2.0 / 1000.0) / 2.0;
  EXPECT_NEAR(HardeningGobLaw(peakStrain, 1000, 5000, 2000, 1.0), 2000.0, 1e-9);
  const double slope = (HardeningGobLaw(peakStrain + eps, 1000, 5000, 2000, 1.0) -
                        HardeningGobLaw(peakStrain - eps, 1000, 5000, 2000, 1.0)) /
                       (2 * eps);
  EXPECT_NEAR(slope, 5000.0, 0.05);
}

TEST(MaterialLaws, HardeningGobWithEqualModuliIsLinear) {
  // No growth of the modulus: the law's limit, P0 times the scaled strain.
  EXPECT_DOUBLE_EQ(HardeningGobLaw(0.3, 1000, 1000, 2000, 2.0), 150.0);
  EXPECT_DOUBLE_EQ(HardeningGobLaw(-0.3, 1000, 1000, 2000, 2.0), -150.0);
}

TEST(MaterialLaws, LinearLawsAndTension) {
  EXPECT_DOUBLE_EQ(LinearElasticCoalLaw(0.002, 4e5), 800.0);
  EXPECT_DOUBLE_EQ(LinearElasticGobLaw(0.2, 1000, 2.0), 100.0);
  EXPECT_LT(LinearElasticCoalLaw(-0.001, 4e5), 0.0);
  EXPECT_LT(BilinearGobLaw(-0.01, 300, 0.1, 4000, 2.0), 0.0);
  EXPECT_LT(HardeningGobLaw(-0.01, 1000, 5000, 2000, 2.0), 0.0);
  EXPECT_LT(LinearElasticGobLaw(-0.01, 1000, 2.0), 0.0);
}

// The plain law of material `type` with property slots p, for comparison.
double PlainLaw(int type, const double* p, double e) {
  switch (type) {
    case 1: return LinearElasticCoalLaw(e, p[0]);
    case 2: return SofteningCoalLaw(e, p[0], p[1], p[2], p[3]);
    case 3: return PlasticCoalLaw(e, p[0], p[1], p[2]);
    case 4: return BilinearGobLaw(e, p[0], p[1], p[2], p[3]);
    case 5: return HardeningGobLaw(e, p[0], p[1], p[2], p[3]);
    case 6: return LinearElasticGobLaw(e, p[0], p[2]);
  }
  return std::nan("");
}

TEST(MaterialLaws, ResolvedLawsGiveTheSameBits) {
  // Strains on every branch, each breakpoint of a law (peak and residual
  // strains; for the bi-linear gob the initial strain times the height
  // factor), and the doubles on either side of each of them.
  struct Case {
    int type;
    double props[5];
    std::vector<double> breakpoints;
  };
  const Case cases[] = {
      {1, {4e5, 1.6e5, 0, 0, 0}, {}},
      {2, {1000, 0.01, 200, 0.05, 0.3}, {0.01, 0.05}},
      {3, {1000, 0.01, 3000, 0.3, 0}, {0.01}},
      {4, {300, 0.1, 4000, 2.0, 0.3}, {0.1 * 2.0}},
      {5, {1000, 5000, 2000, 1.5, 0.3}, {}},
      {5, {1000, 1000, 2000, 1.5, 0.3}, {}},  // equal moduli: the straight line
      {6, {1000, 400, 3.0, 0, 0}, {}},
  };
  for (const Case& c : cases) {
    const ResolvedLaw law = ResolveMaterialLaw(c.type, c.props);
    std::vector<double> strains = {-0.02, 0.0, 0.0037, 0.031, 0.37};
    strains.insert(strains.end(), c.breakpoints.begin(), c.breakpoints.end());
    for (double base : strains)
      for (double e : {std::nextafter(base, -1.0), base, std::nextafter(base, 1.0)})
        EXPECT_EQ(EvaluateResolvedLaw(law, e, 0.0), PlainLaw(c.type, c.props, e))
            << "type " << c.type << " P1 " << c.props[1] << " e " << e;
  }
}

TEST(MaterialLaws, ResolvedMinedOutLawIsTheContactLaw) {
  const double rockModulus = 3.0e6;
  const ResolvedLaw law = ResolveMinedOutLaw(rockModulus);
  for (double base : {-0.4, 0.5, 1.0, 1.002, 3.0})
    for (double e : {std::nextafter(base, -2.0), base, std::nextafter(base, 4.0)})
      for (double previous : {0.0, 250.5})
        EXPECT_EQ(EvaluateResolvedLaw(law, e, previous),
                  MinedOutContactLaw(e, previous, rockModulus))
            << "e " << e << " previous " << previous;
}

// ---- the element-stress pass of a seam -------------------------------------

class ElementStressTest : public ::testing::Test {
 protected:
  ElementStressTest() : seam(2, 3) {
    m.settings.elasticModulus = 3.0e6;
    m.materialCount = 6;
    const double props[6][5] = {{4e5, 1.6e5, 0, 0, 0},        {1000, 0.01, 200, 0.05, 0.3},
                                {1000, 0.01, 3000, 0.3, 0},   {300, 0.1, 4000, 2.0, 0.3},
                                {1000, 5000, 2000, 1.5, 0.3}, {1000, 400, 3.0, 0, 0}};
    for (int k = 0; k < 6; ++k) {
      m.materialType[k] = k + 1;
      for (int p = 0; p < 5; ++p) m.materialProps[k][p] = props[k][p];
    }
  }

  void Pass() {
    ElementStress(m.Materials(), 2, 3, thickness, seam.u, seam.codes, seam.stress, messages);
  }

  int FatalCode() {
    try {
      Pass();
    } catch (const FatalExit& e) {
      return e.exitCode();
    }
    return -1;
  }

  SolveCase m;
  RecordingMessages& messages = m.messages;
  SeamArrays seam;
  double thickness = 10.0;
};

TEST_F(ElementStressTest, EveryElementGetsTheLawOfItsMaterial) {
  const char* rows[2] = {"ABC", "DEF"};
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j) {
      seam.codes[i][j] = rows[i - 1][j - 1];
      seam.u[i][j] = 0.05 * (i + j);  // strains 0.01 .. 0.025
    }
  Pass();
  EXPECT_DOUBLE_EQ(seam.stress[1][1], 4e5 * 0.01);
  EXPECT_DOUBLE_EQ(seam.stress[1][2], (0.015 - 0.01) / 0.04 * -800.0 + 1000.0);
  EXPECT_DOUBLE_EQ(seam.stress[1][3], (0.02 - 0.01) * 3000 + 1000);
  EXPECT_DOUBLE_EQ(seam.stress[2][1], (300.0 / 0.1) * (0.015 / 2.0));
  // Type 5, rate (5000 - 1000) / 2000 = 2, height factor 1.5.
  EXPECT_DOUBLE_EQ(seam.stress[2][2], (std::exp(2 * 0.02 / 1.5) - 1) * 500);
  EXPECT_DOUBLE_EQ(seam.stress[2][3], (0.025 / 3.0) * 1000);
  EXPECT_TRUE(messages.diagnostics.empty());
}

TEST_F(ElementStressTest, MinedOutContactRelaxesTowardTheRockStress) {
  seam.codes.Fill('1');
  seam.u[1][1] = thickness;           // strain exactly 1: open
  seam.u[1][2] = thickness * 1.002;   // just in contact
  seam.u[1][3] = -0.5;                // opening wider: open
  seam.stress.Fill(0.0);
  Pass();
  EXPECT_EQ(seam.stress[1][1], 0.0);
  EXPECT_EQ(seam.stress[1][3], 0.0);
  const double contact = (1.002 - 1.0) * 3.0e6;
  EXPECT_NEAR(seam.stress[1][2], 0.1 * contact, 1e-9);
  ASSERT_EQ(messages.diagnostics.size(), 2u);
  EXPECT_EQ(messages.diagnostics[0],
            "Material Strain Greater Than 1 in Element Stress Routine - ES1a\n");
  EXPECT_EQ(messages.diagnostics[1], "i = 1, j = 2, integer code = 53\n");
  EXPECT_TRUE(messages.boxes.empty());

  // Repeated passes at the same convergence close 10% of the gap each time.
  double gap = contact - seam.stress[1][2];
  for (int pass = 0; pass < 20; ++pass) {
    Pass();
    const double newGap = contact - seam.stress[1][2];
    EXPECT_NEAR(newGap, 0.9 * gap, 1e-9 * contact);
    gap = newGap;
  }
  // Back to the thickness: no stress at once.
  seam.u[1][2] = thickness;
  Pass();
  EXPECT_EQ(seam.stress[1][2], 0.0);
}

TEST_F(ElementStressTest, RefusedCodeEndsWithExitCode1) {
  seam.codes[2][3] = '0';
  EXPECT_EQ(FatalCode(), 1);
  ASSERT_EQ(messages.diagnostics.size(), 2u);
  EXPECT_EQ(messages.diagnostics[0], "Material Code Out of Range in Element Stress Routine - ES1\n");
  EXPECT_EQ(messages.diagnostics[1], "i = 2, j = 3, integer code = 52\n");
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0], "Material Code Out of Range in Element Stress Routine - ES1\n");
}

TEST_F(ElementStressTest, CodeAboveMinedOutEndsWithExitCode2) {
  seam.codes[1][2] = '~';  // converts to 126
  EXPECT_EQ(FatalCode(), 2);
  ASSERT_GE(messages.diagnostics.size(), 2u);
  const auto n = messages.diagnostics.size();
  EXPECT_EQ(messages.diagnostics[n - 2], "Material Code Out of Range in Element Stress Routine - ES2\n");
  EXPECT_EQ(messages.diagnostics[n - 1], "i = 1, j = 2, integer code = 126\n");
  ASSERT_GE(messages.boxes.size(), 2u);
  const auto b = messages.boxes.size();
  EXPECT_EQ(messages.boxes[b - 2], "Material Code Out of Range in Element Stress Routine - ES2\n");
  EXPECT_EQ(messages.boxes[b - 1], "i = 1, j = 2, integer code = 126\n");
}

TEST_F(ElementStressTest, NegativeCodeIsOutOfRange) {
  seam.codes[2][1] = static_cast<char>(0xC8);  // a byte above 127: code -56
  EXPECT_EQ(FatalCode(), 2);
  EXPECT_EQ(messages.diagnostics.back(), "i = 2, j = 1, integer code = -56\n");
}

TEST_F(ElementStressTest, UndefinedMaterialEndsWithExitCode5) {
  m.materialCount = 2;  // 'C' names the third material, which the input did not define
  seam.codes[1][3] = 'C';
  EXPECT_EQ(FatalCode(), 5);
  ASSERT_EQ(messages.diagnostics.size(), 2u);
  EXPECT_EQ(messages.diagnostics[0], "Material Code Out of Range in Element Stress Routine - ES5\n");
  EXPECT_EQ(messages.diagnostics[1], "i = 1, j = 3, integer code = 2\n");
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0], "Material Code Out of Range in Element Stress Routine - ES5\n");
}

TEST_F(ElementStressTest, BadMaterialTypeEndsWithExitCode5) {
  m.materialType[1] = 0;
  seam.codes[2][2] = 'B';
  EXPECT_EQ(FatalCode(), 5);
  EXPECT_EQ(messages.diagnostics[1], "i = 2, j = 2, integer code = 1\n");
}

TEST_F(ElementStressTest, LowerCaseLettersNameMaterials27On) {
  m.materialCount = 28;
  m.materialType[27] = 1;
  m.materialProps[27][0] = 2000.0;
  seam.codes.Fill('b');
  seam.u.Fill(5.0);
  Pass();
  EXPECT_DOUBLE_EQ(seam.stress[2][3], 1000.0);
}

}  // namespace
}  // namespace kavrel
