// The per-seam result files (<title>.f<seam>): one comma-separated line per
// element, one block of nx*ny lines per write, with the columns of the options
// that are on. Values are held in internal units
// (inches and psi, or metres and pascals) and scaled here to the reported
// units SetUnits (model_input.h) chose.
#include <cerrno>
#include <cstdio>
#include <string>

#include "core/text_files.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

// Room for one formatted value.
constexpr std::size_t kColumnCapacity = 64;

// Appends `separator` and "%12.5g" of `value` to `out`. Values within a
// column group are separated by ", ", groups by a bare ",". (The text, at
// most 14 characters, needs no allocation of its own.)
constexpr const char* kFirst = "";
constexpr const char* kGroup = ",";
constexpr const char* kNext = ", ";
void Value(std::string& out, const char* separator, double value) {
  out += FormatText(kColumnCapacity, "%s%12.5g", separator, value);
}

}  // namespace

// Writes one block of every seam's result file: mode 1 creates the file with
// its dimension line and headers, any other mode appends. Returns 1 at once
// when a file cannot be opened or its block cannot be written (the seams
// after it are not written), otherwise 0.
int CModelDat::WriteResults(int mode) {
  const int blocks = lmsPillarCount > 0 ? stepCount * (lmsPillarCount + 1) : stepCount;
  const double fd = displacementOutputFactor;
  const double fs = stressOutputFactor;
  const double fe = energyOutputFactor;
  std::string out;
  out.reserve(1 << 16);

  for (int s = 1; s <= seamCount; ++s) {
    resultFileName = Names().Result(s);
    UniqueFile file(std::fopen(resultFileName.c_str(), mode == 1 ? "w" : "a"));
    if (!file) {
      const int error = errno;
      ShowMessage("Error in Opening Output File - PES1\n");
      ShowFileProblem(resultFileName, error);
      return 1;
    }
    if (mode == 1) {
      std::fprintf(file.get(), "%3i, %7i, %12.5g, %3i, %3i, %12.5g, %12.5g\n", blocks, nx * ny,
                   elementWidth, nx, ny, seamX[s], seamY[s]);
      std::fputs(resultHeader1.c_str(), file.get());
      std::fputs(resultHeader2.c_str(), file.get());
    }
    out.clear();
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) {
        Value(out, kFirst, convergence[s][i][j] * fd);
        Value(out, kNext, totalStress[s][i][j] * fs);
        Value(out, kNext, overburdenStress[s][i][j] * fs);
        if (surfaceEffects == 1) Value(out, kGroup, surfaceEffectStress[s][i][j] * fs);
        if (seamCount > 1)
          Value(out, kGroup, (interseamStress[s][i][j] + preCalculatedStress[s][i][j]) * fs);
        if (safetyFactors == 1) {
          Value(out, kGroup, elementStrainSF[s][i][j]);
          Value(out, kNext, pillarStressSF[s][i][j]);
          Value(out, kNext, pillarStrainSF[s][i][j]);
        }
        if (remoteStrains == 1) {
          Value(out, kGroup, remoteDisplacement[s][i][j] * fd);
          Value(out, kNext, remoteXStrain[s][i][j]);
          Value(out, kNext, remoteYStrain[s][i][j]);
        }
        if (energyValues == 1) {
          Value(out, kGroup, storedElasticEnergy[s][i][j] * fe);
          Value(out, kNext, dissipatedEnergy[s][i][j] * fe);
          Value(out, kNext, totalInputEnergy[s][i][j] * fe);
          Value(out, kNext, storedEnergyReleased[s][i][j] * fe);
          Value(out, kNext, kineticEnergyReleased[s][i][j] * fe);
          Value(out, kNext, totalEnergyReleased[s][i][j] * fe);
        }
        if (roofBending == 1) {
          Value(out, kGroup, roofStressX[s][i][j] * fs);
          Value(out, kNext, roofStressY[s][i][j] * fs);
          Value(out, kNext, maxRoofCompression[s][i][j] * fs);
          Value(out, kNext, maxRoofTension[s][i][j] * fs);
          Value(out, kNext, maxRoofStress[s][i][j] * fs);
        }
        out.push_back('\n');
        if (out.size() >= (1 << 16) - 1024) {
          std::fwrite(out.data(), 1, out.size(), file.get());
          out.clear();
        }
      }
    std::fwrite(out.data(), 1, out.size(), file.get());
    if (!FinishFile(file)) {
      const int error = errno;
      ShowMessage("Error in Opening Output File - PES1\n");
      ShowFileProblem(resultFileName, error);
      return 1;
    }
  }
  return 0;
}

}  // namespace kavrel
