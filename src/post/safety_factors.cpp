// Element and pillar safety factors of one seam, and the stiffness of one
// pillar for the local mine stiffness calculation, over explicit seam views;
// the model's operations at the end only build the views.
//
// Both pillar quantities come from the pillar's stress-strain curve: the
// count-weighted mean, over the pillar's materials, of each material's stress
// at a common table of strain breakpoints (0.0, and the peak, residual and
// full-closure strains of the coal materials present). Quotients are not
// guarded: a zero strain or stress gives the IEEE infinity or NaN, which is
// stored as it is.
#include "post/safety_factors.h"

#include <string>

#include "core/fatal_exit.h"
#include "model/material_codes.h"
#include "model/model_dat.h"
#include "solver/material_laws.h"

namespace kavrel {

namespace {

// The pillar's curve: breakpoint strains, the mean stress at each of them and
// the number of breakpoints.
struct PillarCurve {
  double strain[kMaxBreakpoints];
  double stress[kMaxBreakpoints];
  int count;
};

// Stress of coal material `code` (type 1, 2 or 3) at `strain`; 0 for others.
double CoalStress(const MaterialTable& materials, int code, double strain) {
  const double* p = materials.props[code];
  switch (materials.type[code]) {
    case kLinearElasticCoal: return p[0] * strain;
    case kStrainSofteningCoal: return SofteningCoalLaw(strain, p[0], p[1], p[2], p[3]);
    case kElasticPlasticCoal: return PlasticCoalLaw(strain, p[0], p[1], p[2]);
    default: return 0.0;
  }
}

// Builds the breakpoint table and the curve from the material counts of a
// pillar of n elements. Types 2 and 3 contribute their curves; type 1 (only
// allowed for the stiffness) its straight line. The caller has checked the
// types, so only 1, 2 and 3 are met here.
void BuildPillarCurve(const MaterialTable& materials, const int* counts, int n,
                      PillarCurve& curve) {
  curve.count = BuildStrainBreakpoints(counts, materials.type, materials.props, curve.strain);
  curve.stress[0] = 0.0;
  for (int e = 1; e < curve.count; ++e) {
    double sum = 0.0;
    for (int code = 0; code < kRefusedCode; ++code)
      if (counts[code] > 0) sum += counts[code] * CoalStress(materials, code, curve.strain[e]);
    curve.stress[e] = sum / n;
  }
}

bool IsPeakedCoal(const MaterialTable& materials, int code) {
  return code >= 0 && code < kRefusedCode &&
         (materials.type[code] == kStrainSofteningCoal ||
          materials.type[code] == kElasticPlasticCoal);
}

// Element strain safety factor of one element, or the end of the run.
double ElementFactor(const SeamView& seam, const MaterialTable& materials, MessageSink& messages,
                     int i, int j) {
  const int code = MaterialIndexReported(seam.codes[i][j], messages);
  if (code >= 0 && code < kRefusedCode) {
    const double strain = seam.convergence[i][j] / seam.thickness;
    switch (materials.type[code]) {
      case kStrainSofteningCoal:
      case kElasticPlasticCoal: return materials.props[code][1] / strain;
      case kLinearElasticCoal:
      case kBilinearHardeningGob:
      case kStrainHardeningGob:
      case kLinearElasticGob: return 0.0;
      default:
        FailElementCode(messages, 5,
                        "Material Code Out of Range in Element Safety Factor Routine - ES5\n",
                        ElementCodeLine(i, j, code), {});
    }
  }
  if (code == kRefusedCode)
    FailElementCode(messages, 1,
                    "Material Code Out of Range in Element Safety Factor Routine - ES1\n",
                    ElementCodeLine(i, j, kRefusedCode), {});
  if (code != kMinedOutCode) {
    // Above 53, or negative (a byte the code table does not know).
    const std::string line = ElementCodeLine(i, j, code);
    FailElementCode(messages, 2,
                    "Material Code Out of Range in Element Safety Factor Routine - ES2\n", line,
                    line);
  }
  return 0.0;
}

// Stress and strain factors of one pillar; false when it holds anything but
// peaked coal (its factors then stay 0).
bool PillarFactors(const SeamView& seam, const MaterialTable& materials, const Pillar& pillar,
                   MessageSink& messages, double& stressFactor, double& strainFactor) {
  int counts[kRefusedCode] = {};
  double stressSum = 0.0;
  double strainSum = 0.0;
  for (const Element& e : pillar.elements) {
    const int code = MaterialIndexReported(e.code, messages);
    if (!IsPeakedCoal(materials, code)) return false;
    ++counts[code];
    stressSum += seam.totalStress[e.x][e.y];
    strainSum += seam.convergence[e.x][e.y] / seam.thickness;
  }
  const int n = pillar.Count();
  const double averageStress = stressSum / n;
  const double averageStrain = strainSum / n;
  PillarCurve curve;
  BuildPillarCurve(materials, counts, n, curve);
  const int peak = IndexOfMaximum(curve.count, curve.stress);
  strainFactor = curve.strain[peak] / averageStrain;
  stressFactor = strainFactor >= 1.0 ? curve.stress[peak] / averageStress : strainFactor;
  return true;
}

}  // namespace

void ComputeElementSafetyFactors(const SeamView& seam, const MaterialTable& materials,
                                 MessageSink& messages, double** out) {
  for (int i = 1; i <= seam.nx; ++i)
    for (int j = 1; j <= seam.ny; ++j) out[i][j] = ElementFactor(seam, materials, messages, i, j);
}

void ComputePillarSafetyFactors(const SeamView& seam, const MaterialTable& materials,
                                const Pillar* firstPillar, MessageSink& messages,
                                double** stressSF, double** strainSF) {
  for (int i = 1; i <= seam.nx; ++i)
    for (int j = 1; j <= seam.ny; ++j) {
      stressSF[i][j] = 0.0;
      strainSF[i][j] = 0.0;
    }
  for (const Pillar* p = firstPillar; p; p = p->next) {
    double stressFactor = 0.0, strainFactor = 0.0;
    if (!PillarFactors(seam, materials, *p, messages, stressFactor, strainFactor)) continue;
    for (const Element& e : p->elements) {
      stressSF[e.x][e.y] = stressFactor;
      strainSF[e.x][e.y] = strainFactor;
    }
  }
}

PillarMeans PillarMeansOf(const SeamView& seam, const Pillar& pillar) {
  double stressSum = 0.0;
  double convergenceSum = 0.0;
  for (const Element& e : pillar.elements) {
    stressSum += seam.totalStress[e.x][e.y];
    convergenceSum += seam.convergence[e.x][e.y];
  }
  const int n = pillar.Count();
  return PillarMeans{stressSum / n, convergenceSum / n};
}

PillarStiffnessResult ComputePillarStiffness(const SeamView& seam, const MaterialTable& materials,
                                             const Pillar& pillar, MessageSink& messages) {
  int counts[kRefusedCode] = {};
  for (const Element& e : pillar.elements) {
    const int code = MaterialIndexReported(e.code, messages);
    if (code < 0 || code >= kRefusedCode || materials.type[code] < kLinearElasticCoal ||
        materials.type[code] > kElasticPlasticCoal) {
      messages.ShowMessage("Invalid Material Type - Must Be Coal in LMS Pillar - PSD1\n");
      throw FatalExit(2);
    }
    ++counts[code];
  }
  PillarStiffnessResult result;
  result.means = PillarMeansOf(seam, pillar);
  const int n = pillar.Count();

  PillarCurve curve;
  BuildPillarCurve(materials, counts, n, curve);
  if (curve.count < 2) {
    // Linear-elastic coal only: the curve is the straight line of the
    // count-weighted mean modulus, which is then its only slope.
    double modulusSum = 0.0;
    for (int code = 0; code < kRefusedCode; ++code)
      if (counts[code] > 0) modulusSum += counts[code] * materials.props[code][0];
    result.stiffness = modulusSum / n / seam.thickness;
  } else {
    result.stiffness = MinimumSlope(curve.count, curve.stress, curve.strain) / seam.thickness;
  }
  return result;
}

// ---- the model's operations ------------------------------------------------------

void CModelDat::ElementSafetyFactors(DCube& u, CCube& codes, double* thickness, DCube& out,
                                     int s) {
  const SeamView seam{nx, ny, elementWidth, thickness[s], u[s], nullptr, codes[s]};
  ComputeElementSafetyFactors(seam, Materials(), *messages, out[s]);
}

void CModelDat::PillarSafetyFactors(DCube& stressSF, DCube& strainSF, int s, RunLog& /*log*/) {
  ComputePillarSafetyFactors(Seam(s), Materials(), pillarListHead, *messages, stressSF[s],
                             strainSF[s]);
}

void CModelDat::PillarStiffness(int s, Pillar* pillar, double& averageStress,
                                double& averageConvergence, double& stiffness) {
  const PillarStiffnessResult r = ComputePillarStiffness(Seam(s), Materials(), *pillar, *messages);
  averageStress = r.means.stress;
  averageConvergence = r.means.convergence;
  stiffness = r.stiffness;
}

}  // namespace kavrel
