// Stress-strain laws of the in-seam materials and the contact law of a
// mined-out element. Strain is convergence / seam thickness (dimensionless,
// positive for closure); stress comes back in the unit of the moduli and
// stresses passed in, positive in compression. No law clips negative strain:
// an opening seam gives tensile (negative) stress along the first branch.
//
// The laws are inline because the SOR sweep evaluates one per element per
// sweep. Every expression is written in one fixed evaluation order: the fast
// sweep and the plain element-stress pass must produce the same bits, so
// callers may precompute a parenthesised sub-expression (a slope such as
// P0 / P1) but must not reassociate anything else.
#pragma once

#include <cmath>
#include <string>

#include "model/material_codes.h"

namespace kavrel {

// Material types as numbered in the input file.
enum MaterialTypeCode : int {
  kLinearElasticCoal = 1,
  kStrainSofteningCoal = 2,
  kElasticPlasticCoal = 3,
  kBilinearHardeningGob = 4,
  kStrainHardeningGob = 5,
  kLinearElasticGob = 6,
};

// Type 1: stress = modulus * strain.
inline double LinearElasticCoalLaw(double strain, double modulus) { return modulus * strain; }

// Type 2: linear to the peak, linear fall to the residual, residual beyond.
inline double SofteningCoalLaw(double strain, double peakStress, double peakStrain,
                               double residualStress, double residualStrain) {
  if (strain < peakStrain) return (peakStress / peakStrain) * strain;
  if (strain < residualStrain)
    return (strain - peakStrain) / (residualStrain - peakStrain) * (residualStress - peakStress) +
           peakStress;
  return residualStress;
}

// Type 3: linear to the peak, then slope plasticModulus (0 = perfectly plastic).
inline double PlasticCoalLaw(double strain, double peakStress, double peakStrain,
                             double plasticModulus) {
  if (strain < peakStrain) return (peakStress / peakStrain) * strain;
  return (strain - peakStrain) * plasticModulus + peakStress;
}

// Type 4: strain scaled by the gob height factor, then linear to the initial
// point and slope hardeningModulus beyond.
inline double BilinearGobLaw(double strain, double initialStress, double initialStrain,
                             double hardeningModulus, double heightFactor) {
  const double scaled = strain / heightFactor;
  if (scaled < initialStrain) return (initialStress / initialStrain) * scaled;
  return (scaled - initialStrain) * hardeningModulus + initialStress;
}

// Type 5: tangent modulus growing linearly with stress, from initialModulus at
// zero stress to finalModulus at peakStress. Equal moduli make the exponent
// rate zero; the law's limit there is the straight line initialModulus * e'.
inline double HardeningGobLaw(double strain, double initialModulus, double finalModulus,
                              double peakStress, double heightFactor) {
  const double rate = (finalModulus - initialModulus) / peakStress;
  const double scaled = strain / heightFactor;
  if (rate == 0.0) return initialModulus * scaled;
  return (std::exp(rate * scaled) - 1.0) * (initialModulus / rate);
}

// Type 6: stress = (strain / heightFactor) * modulus.
inline double LinearElasticGobLaw(double strain, double modulus, double heightFactor) {
  return (strain / heightFactor) * modulus;
}

// Mined-out element: no stress while roof and floor stay apart (strain <= 1);
// once they would interpenetrate, a relaxed contact stress that moves a tenth
// of the way from the previous stress toward (strain - 1) * rockModulus.
inline bool MinedOutInContact(double strain) { return !(strain <= 1.0); }
inline double MinedOutContactLaw(double strain, double previousStress, double rockModulus) {
  if (strain <= 1.0) return 0.0;
  return (strain - 1.0) * rockModulus * 0.1 + previousStress * 0.9;
}

// One material's law with its constants prepared for repeated evaluation,
// so that a sweep looks up neither the type nor the property slots of an
// element. `kind` is the material type 1..6, or kMinedOutKind for the
// contact law of an opening. Only sub-expressions that the plain laws above
// evaluate first on their own are precomputed, so the results are the same
// bits as those of the plain laws.
constexpr int kMinedOutKind = 7;

struct ResolvedLaw {
  int kind = 0;
  double a = 0, b = 0, c = 0, d = 0, e = 0, f = 0, g = 0;
};

// `props` are the five property slots of an in-seam material of type 1..6.
inline ResolvedLaw ResolveMaterialLaw(int type, const double props[5]) {
  ResolvedLaw law;
  law.kind = type;
  const double p0 = props[0], p1 = props[1], p2 = props[2], p3 = props[3];
  switch (type) {
    case kLinearElasticCoal:
      law.a = p0;
      break;
    case kStrainSofteningCoal:  // slope, peak strain, residual strain, fall span, stress span, peak, residual
      law.a = p0 / p1; law.b = p1; law.c = p3; law.d = p3 - p1; law.e = p2 - p0; law.f = p0;
      law.g = p2;
      break;
    case kElasticPlasticCoal:  // slope, peak strain, plastic modulus, peak stress
      law.a = p0 / p1; law.b = p1; law.c = p2; law.d = p0;
      break;
    case kBilinearHardeningGob:  // height factor, initial strain, slope, hardening modulus, initial stress
      law.a = p3; law.b = p1; law.c = p0 / p1; law.d = p2; law.e = p0;
      break;
    case kStrainHardeningGob: {  // height factor, rate, amplitude, initial modulus
      const double rate = (p1 - p0) / p2;
      law.a = p3; law.b = rate; law.c = rate != 0.0 ? p0 / rate : 0.0; law.d = p0;
      break;
    }
    case kLinearElasticGob:  // height factor, modulus
      law.a = p2; law.b = p0;
      break;
    default:
      law.kind = 0;
      break;
  }
  return law;
}

inline ResolvedLaw ResolveMinedOutLaw(double rockModulus) {
  ResolvedLaw law;
  law.kind = kMinedOutKind;
  law.a = rockModulus;
  return law;
}

// Stress of a resolved law of kind Kind at `strain`; `previous` is the
// element's stress before this evaluation (read only by the mined-out
// contact law). For a loop over elements of one law.
template <int Kind>
inline double EvaluateLawOfKind(const ResolvedLaw& law, double strain, double previous) {
  if constexpr (Kind == kLinearElasticCoal) {
    return law.a * strain;
  } else if constexpr (Kind == kStrainSofteningCoal) {
    if (strain < law.b) return law.a * strain;
    if (strain < law.c) return (strain - law.b) / law.d * law.e + law.f;
    return law.g;
  } else if constexpr (Kind == kElasticPlasticCoal) {
    if (strain < law.b) return law.a * strain;
    return (strain - law.b) * law.c + law.d;
  } else if constexpr (Kind == kBilinearHardeningGob) {
    const double scaled = strain / law.a;
    if (scaled < law.b) return law.c * scaled;
    return (scaled - law.b) * law.d + law.e;
  } else if constexpr (Kind == kStrainHardeningGob) {
    const double scaled = strain / law.a;
    if (law.b == 0.0) return law.d * scaled;
    return (std::exp(law.b * scaled) - 1.0) * law.c;
  } else if constexpr (Kind == kLinearElasticGob) {
    return (strain / law.a) * law.b;
  } else if constexpr (Kind == kMinedOutKind) {
    if (strain <= 1.0) return 0.0;
    return (strain - 1.0) * law.a * 0.1 + previous * 0.9;
  } else {  // kind 0, no law: the callers refuse such elements before any sweep
    return 0.0;
  }
}

// The same for a law of any kind.
inline double EvaluateResolvedLaw(const ResolvedLaw& law, double strain, double previous) {
  switch (law.kind) {
    case kLinearElasticCoal: return EvaluateLawOfKind<kLinearElasticCoal>(law, strain, previous);
    case kStrainSofteningCoal: return EvaluateLawOfKind<kStrainSofteningCoal>(law, strain, previous);
    case kElasticPlasticCoal: return EvaluateLawOfKind<kElasticPlasticCoal>(law, strain, previous);
    case kBilinearHardeningGob:
      return EvaluateLawOfKind<kBilinearHardeningGob>(law, strain, previous);
    case kStrainHardeningGob: return EvaluateLawOfKind<kStrainHardeningGob>(law, strain, previous);
    case kLinearElasticGob: return EvaluateLawOfKind<kLinearElasticGob>(law, strain, previous);
    case kMinedOutKind: return EvaluateLawOfKind<kMinedOutKind>(law, strain, previous);
    default: return 0.0;
  }
}

class MessageSink;

// The two standard-output lines of a mined-out element whose roof and floor
// would interpenetrate (the run goes on).
void ReportMinedOutContact(MessageSink& sink, int i, int j);

// "i = <i>, j = <j>, integer code = <code>\n", the line that names an element
// and its integer code in the reports below.
std::string ElementCodeLine(int i, int j, int code);

// Ends the run on an element whose code a routine refuses: writes `text` and
// `line` to standard output, shows `text` in a message box and then
// `secondBox` in another one unless it is empty, and throws
// FatalExit(exitCode).
[[noreturn]] void FailElementCode(MessageSink& sink, int exitCode, const std::string& text,
                                  const std::string& line, const std::string& secondBox);

// Ends the run on an element whose code the stress routine refuses: exit code
// 1 for the refused code, 2 for a code out of range, 5 for a code naming no
// defined material of type 1..6. Writes the diagnostic lines, shows the
// message box(es), then throws FatalExit.
[[noreturn]] void FailElementStress(MessageSink& sink, int exitCode, int i, int j, int code);

}  // namespace kavrel
