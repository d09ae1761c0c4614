// Engineering checks of the element energies (against the work integral of
// each stress-strain law, taken numerically) and of the energies released
// between two steps (against hand formulas).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "post/energy.h"
#include "support/fatal_exits.h"
#include "support/recording_sinks.h"
#include "support/seam_grids.h"

namespace kavrel {
namespace {

using testing_support::ExitCodeOf;
using testing_support::RecordingMessages;
using testing_support::ResultGrid;
using testing_support::SeamGrids;
using testing_support::TestMaterials;

constexpr double kThickness = 60.0;                          // h, inches
constexpr double kWidth = 20.0;                              // w, inches
constexpr double kVolume = kThickness * kWidth * kWidth;     // h w^2
constexpr double kArea = kWidth * kWidth;

// Material table (code: type, P0..P4):
//   A 3 elastic-plastic 1000 psi at 0.01, plastic modulus 50000
//   B 3 elastic-plastic 1000 psi at 0.01, plastic modulus 0
//   C 2 strain-softening 1000 psi at 0.01 to 200 psi at 0.05
//   D 1 linear elastic 300000 psi
//   E 4 bilinear gob 500 psi at 0.2, hardening 3000 psi, height factor 1.5
//   F 5 strain-hardening gob 100 -> 2000 psi modulus, peak 1000 psi, height 1.5
//   G 6 linear elastic gob 1000 psi, height factor 1.5
//   H   no material;   I 5 strain-hardening gob with equal moduli
TestMaterials Materials() {
  TestMaterials m;
  m.count = 9;
  m.Set(0, 3, {1000, 0.01, 50000, 0.25, 0})
      .Set(1, 3, {1000, 0.01, 0, 0.25, 0})
      .Set(2, 2, {1000, 0.01, 200, 0.05, 0.25})
      .Set(3, 1, {300000, 120000, 0, 0, 0})
      .Set(4, 4, {500, 0.2, 3000, 1.5, 0.25})
      .Set(5, 5, {100, 2000, 1000, 1.5, 0.25})
      .Set(6, 6, {1000, 400, 1.5, 0, 0})
      .Set(8, 5, {100, 100, 1000, 1.5, 0.25});
  return m;
}

// One seam, all mined out to start with, its six energy grids (holding stale
// values) and, for runs of more than one step, the previous-step record, as
// the run keeps them.
struct EnergySeam : SeamGrids {
  TestMaterials materials = Materials();
  RecordingMessages messages;
  DMatrix t, s, d, sr, kr, tr;
  CMatrix previousCodes;
  DMatrix previousStored, previousDissipated, previousConvergence, previousStress;

  EnergySeam(int rows, int columns)
      : SeamGrids(std::vector<std::string>(rows, std::string(columns, '1')), kThickness, kWidth),
        t(ResultGrid(nx, ny, -99)), s(ResultGrid(nx, ny, -99)), d(ResultGrid(nx, ny, -99)),
        sr(ResultGrid(nx, ny, -99)), kr(ResultGrid(nx, ny, -99)), tr(ResultGrid(nx, ny, -99)),
        previousCodes(1, nx, 1, ny), previousStored(1, nx, 1, ny),
        previousDissipated(1, nx, 1, ny), previousConvergence(1, nx, 1, ny),
        previousStress(1, nx, 1, ny) {}

  void Set(int i, int j, char code, double u, double sigma) {
    codes[i][j] = code;
    SeamGrids::Set(i, j, u, sigma);
  }
  EnergyGrids Grids() const { return {t, s, d, sr, kr, tr}; }
  EnergyRecord Record() const {
    return {previousCodes, previousStored, previousDissipated, previousConvergence,
            previousStress};
  }
  // What the model's CalculateEnergy does for a single-step run.
  void ElementEnergies() { ComputeElementEnergies(View(), materials.Table(), messages, Grids()); }
  // ... and at `step` of a run of several steps.
  void StepEnergies(int step) {
    ElementEnergies();
    if (step > 1) ComputeReleasedEnergies(View(), materials.Table(), Record(), messages, Grids());
    AdvanceEnergyRecord(View(), Grids(), Record());
  }
  // What the step reader does at the start of a step with energies on.
  void StartNextStep() {
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) previousCodes[i][j] = codes[i][j];
  }
  double T(int i, int j) const { return t[i][j]; }
  double S(int i, int j) const { return s[i][j]; }
  double D(int i, int j) const { return d[i][j]; }
  double SR(int i, int j) const { return sr[i][j]; }
  double KR(int i, int j) const { return kr[i][j]; }
  double TR(int i, int j) const { return tr[i][j]; }
};

// Work of a stress-strain law from 0 to `strain` by composite Simpson's rule,
// with the interval split at the law's kinks so that each piece is smooth.
double Work(const std::function<double(double)>& law, double strain, std::vector<double> kinks) {
  std::vector<double> edges{0.0};
  for (double k : kinks)
    if (k > 0.0 && k < strain) edges.push_back(k);
  edges.push_back(strain);
  double work = 0.0;
  for (size_t p = 1; p < edges.size(); ++p) {
    const int n = 2000;
    const double a = edges[p - 1], h = (edges[p] - a) / n;
    double sum = law(a) + law(edges[p]);
    for (int k = 1; k < n; ++k) sum += (k % 2 ? 4.0 : 2.0) * law(a + k * h);
    work += sum * h / 3.0;
  }
  return work;
}

ElementEnergy Call(int type, int code, double strain) {
  static const TestMaterials materials = Materials();
  const double* p = materials.props[code];
  switch (type) {
    case 1: return LinearElasticCoalEnergyOf(p, strain, kVolume);
    case 2: return StrainSofteningCoalEnergyOf(p, strain, kVolume);
    case 3: return ElasticPlasticCoalEnergyOf(p, strain, kVolume);
    case 4: return BilinearGobEnergyOf(p, strain, kVolume);
    case 5: return StrainHardeningGobEnergyOf(p, strain, kVolume);
    case 6: return LinearElasticGobEnergyOf(p, strain, kVolume);
  }
  return {};
}

void ExpectNearRel(double actual, double expected, double rel, const std::string& what) {
  EXPECT_NEAR(actual, expected, rel * std::fabs(expected) + 1e-9) << what;
}

TEST(ElementEnergy, EveryTypeAndBranchMatchesItsWorkIntegralAndTEqualsSPlusD) {
  // Laws written out independently of the program's own.
  const auto softening = [](double x) {
    if (x < 0.01) return 1000.0 / 0.01 * x;
    if (x < 0.05) return 1000.0 + (x - 0.01) / 0.04 * (200.0 - 1000.0);
    return 200.0;
  };
  const auto plastic = [](double x) { return x < 0.01 ? 1e5 * x : 1000.0 + 50000.0 * (x - 0.01); };
  const auto bilinear = [](double x) { return x < 0.2 ? 2500.0 * x : 500.0 + 3000.0 * (x - 0.2); };
  const double c = (2000.0 - 100.0) / 1000.0;
  const auto hardening = [c](double x) { return 100.0 / c * (std::exp(c * x) - 1.0); };

  struct Case {
    const char* name;
    int type, code;
    double strain;
    double total, stored;  // expected
  };
  const double gob = 1.5;
  const std::vector<Case> cases = {
      {"linear elastic coal", 1, 3, 0.004, kVolume * 0.5 * 300000 * 0.004 * 0.004,
       kVolume * 0.5 * 300000 * 0.004 * 0.004},
      {"softening, before peak", 2, 2, 0.005, kVolume * Work(softening, 0.005, {}),
       kVolume * 0.5 * 500 * 0.005},
      {"softening, falling", 2, 2, 0.03, kVolume * Work(softening, 0.03, {0.01}),
       kVolume * 0.5 * 600 * 600 / 1e5},
      {"softening, residual", 2, 2, 0.08, kVolume * Work(softening, 0.08, {0.01, 0.05}),
       kVolume * 0.5 * 200 * 200 / 1e5},
      {"plastic, before peak", 3, 0, 0.004, kVolume * Work(plastic, 0.004, {}),
       kVolume * 0.5 * 400 * 0.004},
      {"plastic, hardening", 3, 0, 0.02, kVolume * Work(plastic, 0.02, {0.01}),
       kVolume * 0.5 * 1500 * 1500 / 1e5},
      {"bilinear gob, initial", 4, 4, 0.15, gob * kVolume * Work(bilinear, 0.1, {}),
       gob * kVolume * 0.5 * 250 * 250 / 3000},
      {"bilinear gob, hardening", 4, 4, 0.6, gob * kVolume * Work(bilinear, 0.4, {0.2}),
       gob * kVolume * 0.5 * 1100 * 1100 / 3000},
      {"strain-hardening gob", 5, 5, 0.3, gob * kVolume * Work(hardening, 0.2, {}),
       gob * kVolume * 0.5 * hardening(0.2) * hardening(0.2) / 2000},
      {"linear elastic gob", 6, 6, 0.3, gob * kVolume * 0.5 * 1000 * 0.2 * 0.2,
       gob * kVolume * 0.5 * 1000 * 0.2 * 0.2},
  };
  for (const Case& k : cases) {
    const ElementEnergy r = Call(k.type, k.code, k.strain);
    ExpectNearRel(r.total, k.total, 1e-9, std::string(k.name) + ": total");
    ExpectNearRel(r.stored, k.stored, 1e-12, std::string(k.name) + ": stored");
    ExpectNearRel(r.total, r.stored + r.dissipated, 1e-12, std::string(k.name) + ": T = S + D");
    if (k.type == 1 || k.type == 6 || k.strain < 0.01) {
      EXPECT_EQ(r.dissipated, 0.0) << k.name;
    }
  }
}

TEST(ElementEnergy, SofteningCoalAtExactlyItsPeakJoinsBothRows) {
  const ElementEnergy at = Call(2, 2, 0.01);
  const ElementEnergy below = Call(2, 2, std::nextafter(0.01, 0.0));
  const double expected = kVolume * 0.5 * 1000 * 0.01;
  ExpectNearRel(at.stored, expected, 1e-12, "stored at peak");
  ExpectNearRel(at.total, expected, 1e-12, "total at peak");
  ExpectNearRel(below.stored, expected, 1e-12, "stored below peak");
  EXPECT_NEAR(at.dissipated, 0.0, 1e-9 * expected);
}

TEST(ElementEnergy, PerfectlyPlasticCoalDissipatesAllWorkBeyondItsPeak) {
  const ElementEnergy r = Call(3, 1, 0.03);
  ExpectNearRel(r.stored, kVolume * 0.5 * 1000 * 0.01, 1e-12, "stored");
  ExpectNearRel(r.dissipated, kVolume * 1000 * 0.02, 1e-12, "dissipated");
}

TEST(ElementEnergy, StrainHardeningGobWithEqualModuliIsLinear) {
  // Equal initial and final moduli: the straight line of modulus 100 psi.
  const ElementEnergy r = Call(5, 8, 0.3);
  ExpectNearRel(r.total, 1.5 * kVolume * 0.5 * 100 * 0.2 * 0.2, 1e-12, "total");
  ExpectNearRel(r.stored, 1.5 * kVolume * 0.5 * 20 * 20 / 100, 1e-12, "stored");
  EXPECT_NEAR(r.dissipated, 0.0, 1e-9 * r.total);
}

TEST(CalculateEnergy, SingleStepRunFillsElementValuesAndReleasesNothing) {
  EnergySeam e(2, 2);
  e.Set(1, 1, 'D', 0.24, 1200);
  e.Set(1, 2, 'C', 1.8, 600);
  e.Set(2, 1, '1', 0.5, 0);
  e.Set(2, 2, 'G', 18.0, 200);
  e.ElementEnergies();
  ExpectNearRel(e.S(1, 1), kVolume * 0.5 * 300000 * 0.004 * 0.004, 1e-12, "linear coal");
  EXPECT_EQ(e.D(1, 1), 0.0);
  ExpectNearRel(e.S(1, 2), kVolume * 0.5 * 600 * 600 / 1e5, 1e-12, "softening stored");
  EXPECT_GT(e.D(1, 2), 0.0);
  EXPECT_EQ(e.T(2, 1), 0.0);
  EXPECT_EQ(e.S(2, 1), 0.0);
  EXPECT_EQ(e.D(2, 1), 0.0);
  ExpectNearRel(e.T(2, 2), 1.5 * kVolume * 0.5 * 1000 * 0.2 * 0.2, 1e-12, "gob");
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) {
      EXPECT_EQ(e.SR(i, j), 0.0);
      EXPECT_EQ(e.KR(i, j), 0.0);
      EXPECT_EQ(e.TR(i, j), 0.0);
    }
}

TEST(CalculateEnergy, ReleasedEnergiesBetweenTwoSteps) {
  EnergySeam e(1, 5);
  // step 1
  e.Set(1, 1, 'D', 0.24, 1200);  // linear coal, stays
  e.Set(1, 2, 'A', 0.30, 500);   // mined out in step 2
  e.Set(1, 3, '1', 2.0, 0);      // opening, filled with gob in step 2
  e.Set(1, 4, 'C', 0.90, 700);   // softening coal, replaced by A in step 2
  e.Set(1, 5, 'C', 1.20, 600);   // softening coal, stays and softens further
  e.StepEnergies(1);
  for (int j = 1; j <= 5; ++j) {
    EXPECT_EQ(e.TR(1, j), 0.0);
    EXPECT_EQ(e.previousStored[1][j], e.S(1, j));
    EXPECT_EQ(e.previousDissipated[1][j], e.D(1, j));
    EXPECT_EQ(e.previousConvergence[1][j], e.convergence[1][j]);
    EXPECT_EQ(e.previousStress[1][j], e.stress[1][j]);
  }
  const double s1 = e.S(1, 1), s2 = e.S(1, 2), s4 = e.S(1, 4), d5 = e.D(1, 5);

  // step 2
  e.StartNextStep();
  e.Set(1, 1, 'D', 0.18, 900);
  e.Set(1, 2, '1', 0.90, 0);
  e.Set(1, 3, 'E', 3.0, 150);
  e.Set(1, 4, 'A', 1.20, 1100);
  e.Set(1, 5, 'C', 1.50, 500);
  e.StepEnergies(2);

  // unchanged linear coal: only its stored energy changes
  ExpectNearRel(e.SR(1, 1), s1 - kVolume * 0.5 * 300000 * 0.003 * 0.003, 1e-12, "coal stored");
  EXPECT_EQ(e.D(1, 1), 0.0);
  EXPECT_EQ(e.TR(1, 1), 0.0);
  EXPECT_EQ(e.KR(1, 1), 0.0);

  // mined out: previous stored energy plus half the previous stress times the
  // convergence increment times the element area; no energy of its own
  const double kinetic2 = 0.5 * 500 * (0.90 - 0.30) * kArea;
  EXPECT_EQ(e.SR(1, 2), s2);
  ExpectNearRel(e.KR(1, 2), kinetic2, 1e-12, "mined-out kinetic");
  ExpectNearRel(e.TR(1, 2), s2 + kinetic2, 1e-12, "mined-out total");
  EXPECT_EQ(e.T(1, 2), 0.0);
  EXPECT_EQ(e.S(1, 2), 0.0);
  EXPECT_EQ(e.D(1, 2), 0.0);

  // opening filled: its new stored energy counts as negative release, the
  // work of its new stress over the increment as kinetic
  const double kinetic3 = 0.5 * 150 * (3.0 - 2.0) * kArea;
  EXPECT_GT(e.S(1, 3), 0.0);
  EXPECT_EQ(e.SR(1, 3), -e.S(1, 3));
  ExpectNearRel(e.KR(1, 3), kinetic3, 1e-12, "filled kinetic");
  ExpectNearRel(e.TR(1, 3), kinetic3 - e.S(1, 3), 1e-12, "filled total");

  // change of material: mean stress times increment plus the stored drop
  const double work4 = 0.5 * (700 + 1100) * (1.20 - 0.90) * kArea;
  ExpectNearRel(e.SR(1, 4), s4 - e.S(1, 4), 1e-12, "changed stored");
  ExpectNearRel(e.TR(1, 4), work4 + s4 - e.S(1, 4), 1e-12, "changed total");
  ExpectNearRel(e.KR(1, 4), work4, 1e-9, "changed kinetic");

  // unchanged softening coal: total released is the growth of dissipation
  EXPECT_EQ(e.KR(1, 5), 0.0);
  ExpectNearRel(e.TR(1, 5), e.D(1, 5) - d5, 1e-12, "softening growth");
  EXPECT_GT(e.TR(1, 5), 0.0);

  // the record moved on to step 2
  EXPECT_EQ(e.previousStored[1][3], e.S(1, 3));
  EXPECT_EQ(e.previousConvergence[1][4], 1.20);
  EXPECT_EQ(e.previousStress[1][5], 500.0);
}

TEST(CalculateEnergy, CodesWithoutAnEnergyLawEndTheRun) {
  struct Case {
    char code;
    int exit;
    std::string text, line;
  };
  const std::vector<Case> cases = {
      {'0', 1, "Material Code Out of Range in Energy Calculation Routine - EC1\n",
       "i = 1, j = 2, integer code = 52\n"},
      {'[', 2, "Material Code Out of Range in Energy Calculation Routine - EC2\n",
       "i = 1, j = 2, integer code = 91\n"},
      {'H', 3, "Material Code Out of Range in Energy Calculation Routine - EC3\n",
       "i = 1, j = 2, integer code = 7\n"},
  };
  for (const Case& k : cases) {
    EnergySeam e(1, 2);
    e.Set(1, 1, 'A', 0.1, 100);
    e.Set(1, 2, k.code, 0.1, 100);
    EXPECT_EQ(ExitCodeOf([&] { e.ElementEnergies(); }), k.exit) << k.code;
    EXPECT_EQ(e.messages.diagnostics, (std::vector<std::string>{k.text, k.line})) << k.code;
    ASSERT_GE(e.messages.boxes.size(), 2u);
    EXPECT_EQ(e.messages.boxes[e.messages.boxes.size() - 2], k.text);
    EXPECT_EQ(e.messages.boxes.back(), k.line);
  }
}

TEST(CalculateEnergy, ChangeFromACodeWithoutMaterialEndsTheRunWithEc4) {
  EnergySeam e(2, 1);
  e.Set(1, 1, 'A', 0.1, 100);
  e.Set(2, 1, 'A', 0.1, 100);
  e.StepEnergies(1);
  e.StartNextStep();
  e.previousCodes[2][1] = 'H';  // an old code that names no material
  const std::string text =
      "Material Code Change is Out of Range in Energy Calculation Routine - EC4\n";
  EXPECT_EQ(ExitCodeOf([&] { e.StepEnergies(2); }), 3);
  EXPECT_EQ(e.messages.diagnostics,
            (std::vector<std::string>{text, "i = 2, j = 1, integer code = 0\n"}));
  EXPECT_EQ(e.messages.boxes,
            (std::vector<std::string>{text, "i = 2, j = 1, old integer code = 7, integer code = 0\n"}));
}

}  // namespace
}  // namespace kavrel
