// Element stresses of a seam from its convergences, through the law of each
// element's material, and the per-type laws as operations of the model (the
// safety-factor and energy code call them with a material code).
//
// Bad codes are fatal: the two diagnostic lines go to standard output, the
// message box(es) follow, and FatalExit carries the exit code to the front end.
#include <cstdio>
#include <string>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "solver/material_laws.h"
#include "solver/sor_solver.h"

namespace kavrel {

namespace {

const char* const kCodeOutOfRangeEs1 = "Material Code Out of Range in Element Stress Routine - ES1\n";
const char* const kCodeOutOfRangeEs2 = "Material Code Out of Range in Element Stress Routine - ES2\n";
const char* const kCodeOutOfRangeEs5 = "Material Code Out of Range in Element Stress Routine - ES5\n";
const char* const kMinedOutStrainAboveOne =
    "Material Strain Greater Than 1 in Element Stress Routine - ES1a\n";

}  // namespace

std::string ElementCodeLine(int i, int j, int code) {
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "i = %i, j = %i, integer code = %i\n", i, j, code);
  return buffer;
}

[[noreturn]] void FailElementCode(MessageSink& sink, int exitCode, const std::string& text,
                                  const std::string& line, const std::string& secondBox) {
  sink.WriteDiagnostic(text);
  sink.WriteDiagnostic(line);
  sink.ShowMessage(text);
  if (!secondBox.empty()) sink.ShowMessage(secondBox);
  throw FatalExit(exitCode);
}

void ReportMinedOutContact(MessageSink& sink, int i, int j) {
  sink.WriteDiagnostic(kMinedOutStrainAboveOne);
  sink.WriteDiagnostic(ElementCodeLine(i, j, kMinedOutCode));
}

[[noreturn]] void FailElementStress(MessageSink& sink, int exitCode, int i, int j, int code) {
  const char* text = exitCode == 1   ? kCodeOutOfRangeEs1
                     : exitCode == 2 ? kCodeOutOfRangeEs2
                                     : kCodeOutOfRangeEs5;
  const std::string line = ElementCodeLine(i, j, code);
  FailElementCode(sink, exitCode, text, line, exitCode == 2 ? line : std::string());
}

void ElementStress(const MaterialTable& materials, int nx, int ny, double thickness,
                   const double* const* u, const char* const* codes, double** stress,
                   MessageSink& messages) {
  for (int i = 1; i <= nx; ++i) {
    const double* ui = u[i];
    double* si = stress[i];
    const char* ci = codes[i];
    for (int j = 1; j <= ny; ++j) {
      const char ch = ci[j];
      // A foreign character is announced, then refused by its signed value.
      const int k = MaterialIndexReported(ch, messages);
      const double e = ui[j] / thickness;
      if (k >= 0 && k <= 51) {
        // An index the input never defined has no type or properties.
        if (k >= materials.count) FailElementStress(messages, 5, i, j, k);
        const double* p = materials.props[k];
        switch (materials.type[k]) {
          case kLinearElasticCoal: si[j] = LinearElasticCoalLaw(e, p[0]); break;
          case kStrainSofteningCoal: si[j] = SofteningCoalLaw(e, p[0], p[1], p[2], p[3]); break;
          case kElasticPlasticCoal: si[j] = PlasticCoalLaw(e, p[0], p[1], p[2]); break;
          case kBilinearHardeningGob: si[j] = BilinearGobLaw(e, p[0], p[1], p[2], p[3]); break;
          case kStrainHardeningGob: si[j] = HardeningGobLaw(e, p[0], p[1], p[2], p[3]); break;
          case kLinearElasticGob: si[j] = LinearElasticGobLaw(e, p[0], p[2]); break;
          default: FailElementStress(messages, 5, i, j, k);
        }
      } else if (k == kMinedOutCode) {
        if (MinedOutInContact(e)) ReportMinedOutContact(messages, i, j);
        si[j] = MinedOutContactLaw(e, si[j], materials.rockModulus);
      } else if (k == kRefusedCode) {
        FailElementStress(messages, 1, i, j, k);
      } else {  // above 53, or negative (an unconvertible byte)
        FailElementStress(messages, 2, i, j, k);
      }
    }
  }
}

void CModelDat::ElementStress(double** u, double** stress, char** codes, double thickness) {
  kavrel::ElementStress(Materials(), nx, ny, thickness, u, codes, stress, *messages);
}

double CModelDat::SofteningCoalStress(int code, double strain) const {
  const double* p = materialProps[code];
  return SofteningCoalLaw(strain, p[0], p[1], p[2], p[3]);
}

double CModelDat::PlasticCoalStress(int code, double strain) const {
  const double* p = materialProps[code];
  return PlasticCoalLaw(strain, p[0], p[1], p[2]);
}

double CModelDat::BilinearGobStress(int code, double strain) const {
  const double* p = materialProps[code];
  return BilinearGobLaw(strain, p[0], p[1], p[2], p[3]);
}

double CModelDat::HardeningGobStress(int code, double strain) const {
  const double* p = materialProps[code];
  return HardeningGobLaw(strain, p[0], p[1], p[2], p[3]);
}

}  // namespace kavrel
