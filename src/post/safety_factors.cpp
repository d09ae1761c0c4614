// Element and pillar safety factors of one seam, and the stiffness of one
// pillar for the local mine stiffness calculation.
//
// Both pillar quantities come from the pillar's stress-strain curve: the
// count-weighted mean, over the pillar's materials, of each material's stress
// at a common table of strain breakpoints (0.0, and the peak, residual and
// full-closure strains of the coal materials present). Quotients are not
// guarded: a zero strain or stress gives the IEEE infinity or NaN, which is
// stored as it is.
#include <cstdio>
#include <string>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "post/pillars.h"
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

}  // namespace

// Builds the breakpoint table and the curve from the material counts of a
// pillar of n elements. Types 2 and 3 contribute their curves; type 1 (only
// allowed for the stiffness) its straight line. The caller has checked the
// types, so only 1, 2 and 3 are met here.
static void BuildPillarCurve(const CModelDat& m, const int* counts, int n, PillarCurve& curve) {
  const int count = BuildStrainBreakpoints(counts, m.materialType, m.materialProps, curve.strain);
  curve.count = count;

  curve.stress[0] = 0.0;
  for (int e = 1; e < count; ++e) {
    const double strain = curve.strain[e];
    double sum = 0.0;
    for (int code = 0; code < kRefusedCode; ++code) {
      if (counts[code] <= 0) continue;
      double stress = 0.0;
      switch (m.materialType[code]) {
        case kLinearElasticCoal: stress = m.materialProps[code][0] * strain; break;
        case kStrainSofteningCoal: stress = m.SofteningCoalStress(code, strain); break;
        case kElasticPlasticCoal: stress = m.PlasticCoalStress(code, strain); break;
        default: break;
      }
      sum += counts[code] * stress;
    }
    curve.stress[e] = sum / n;
  }
}

void CModelDat::ElementSafetyFactors(DCube& convergence, CCube& fineCodes, double* seamThickness,
                                     DCube& elementStrainSF, int s) {
  const double h = seamThickness[s];
  double** u = convergence[s];
  char** codes = fineCodes[s];
  double** out = elementStrainSF[s];
  for (int i = 1; i <= nx; ++i) {
    for (int j = 1; j <= ny; ++j) {
      const int code = CodeToInteger(codes[i][j]);
      double factor = 0.0;
      if (code >= 0 && code < kRefusedCode) {
        const double strain = u[i][j] / h;
        switch (materialType[code]) {
          case kStrainSofteningCoal:
          case kElasticPlasticCoal: factor = materialProps[code][1] / strain; break;
          case kLinearElasticCoal:
          case kBilinearHardeningGob:
          case kStrainHardeningGob:
          case kLinearElasticGob: factor = 0.0; break;
          default:
            FailElementCode(*messages, 5,
                            "Material Code Out of Range in Element Safety Factor Routine - ES5\n",
                            ElementCodeLine(i, j, code), {});
        }
      } else if (code == kRefusedCode) {
        FailElementCode(*messages, 1,
                        "Material Code Out of Range in Element Safety Factor Routine - ES1\n",
                        ElementCodeLine(i, j, kRefusedCode), {});
      } else if (code != kMinedOutCode) {
        // Above 53, or negative (a byte the code table does not know).
        const std::string line = ElementCodeLine(i, j, code);
        FailElementCode(*messages, 2,
                        "Material Code Out of Range in Element Safety Factor Routine - ES2\n", line,
                        line);
      }
      out[i][j] = factor;
    }
  }
}

void CModelDat::PillarSafetyFactors(DCube& pillarStressSF, DCube& pillarStrainSF, int s,
                                    RunLog& /*log*/) {
  double** stressSF = pillarStressSF[s];
  double** strainSF = pillarStrainSF[s];
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) {
      stressSF[i][j] = 0.0;
      strainSF[i][j] = 0.0;
    }

  const double h = seamThickness[s];
  double** stress = totalStress[s];
  double** u = convergence[s];
  for (Pillar* p = pillarListHead; p; p = p->next) {
    int counts[kRefusedCode] = {};
    bool allCoal = true;
    double stressSum = 0.0;
    double strainSum = 0.0;
    for (const Element& e : p->elements) {
      const int code = CodeToInteger(e.code);
      const bool coal = code >= 0 && code < kRefusedCode &&
                        (materialType[code] == kStrainSofteningCoal ||
                         materialType[code] == kElasticPlasticCoal);
      if (!coal) {
        allCoal = false;
        break;
      }
      ++counts[code];
      stressSum += stress[e.x][e.y];
      strainSum += u[e.x][e.y] / h;
    }
    if (!allCoal) continue;

    const int n = p->Count();
    const double averageStress = stressSum / n;
    const double averageStrain = strainSum / n;
    PillarCurve curve;
    BuildPillarCurve(*this, counts, n, curve);
    const int peak = IndexOfMaximum(curve.count, curve.stress);
    const double strainFactor = curve.strain[peak] / averageStrain;
    const double stressFactor =
        strainFactor >= 1.0 ? curve.stress[peak] / averageStress : strainFactor;
    for (const Element& e : p->elements) {
      stressSF[e.x][e.y] = stressFactor;
      strainSF[e.x][e.y] = strainFactor;
    }
  }
}

void CModelDat::PillarStiffness(int s, Pillar* pillar, double& averageStress,
                                double& averageConvergence, double& stiffness) {
  int counts[kRefusedCode] = {};
  for (const Element& e : pillar->elements) {
    const int code = CodeToInteger(e.code);
    if (code < 0 || code >= kRefusedCode || materialType[code] < kLinearElasticCoal ||
        materialType[code] > kElasticPlasticCoal) {
      ShowMessage("Invalid Material Type - Must Be Coal in LMS Pillar - PSD1\n");
      throw FatalExit(2);
    }
    ++counts[code];
  }
  PillarAverages(s, pillar, averageStress, averageConvergence);
  const int n = pillar->Count();

  PillarCurve curve;
  BuildPillarCurve(*this, counts, n, curve);
  if (curve.count < 2) {
    // Linear-elastic coal only: the curve is the straight line of the
    // count-weighted mean modulus, which is then its only slope.
    double modulusSum = 0.0;
    for (int code = 0; code < kRefusedCode; ++code)
      if (counts[code] > 0) modulusSum += counts[code] * materialProps[code][0];
    stiffness = modulusSum / n / seamThickness[s];
    return;
  }
  stiffness = MinimumSlope(curve.count, curve.stress, curve.strain) / seamThickness[s];
}

}  // namespace kavrel
