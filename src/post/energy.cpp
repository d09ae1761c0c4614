// Element energies of one seam and the energies released between two steps.
//
// Per element: total input energy T (work from zero strain to the present
// strain along the material's loading curve), stored elastic energy S
// (recoverable on unloading) and dissipated energy D = T - S, all in
// stress x length^3 (element volume = seam thickness x width^2). Gob laws work
// on the strain divided by the gob height factor and scale all three values by
// that factor afterwards.
//
// The released energies compare the element with its state at the previous
// step, kept in the previous-step cubes, which this file alone updates.
#include <cmath>
#include <cstdio>
#include <string>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "solver/material_laws.h"

namespace kavrel {

void CModelDat::LinearElasticCoalEnergy(int code, double strain, int s, double& total,
                                        double& stored, double& dissipated) {
  const double* p = materialProps[code];
  const double volume = seamThickness[s] * elementWidth * elementWidth;
  stored = 0.5 * p[0] * strain * strain * volume;
  total = stored;
  dissipated = 0.0;
}

void CModelDat::StrainSofteningCoalEnergy(int code, double strain, int s, double& total,
                                          double& stored, double& dissipated) {
  const double* p = materialProps[code];
  const double volume = seamThickness[s] * elementWidth * elementWidth;
  const double e0 = p[0] / p[1];
  if (strain < p[1]) {
    stored = 0.5 * e0 * strain * strain * volume;
    total = stored;
    dissipated = 0.0;
  } else if (strain < p[3]) {
    const double sigma = p[0] + (strain - p[1]) / (p[3] - p[1]) * (p[2] - p[0]);
    stored = 0.5 * sigma * (sigma / e0) * volume;
    total = (0.5 * p[0] * p[1] + 0.5 * (p[0] + sigma) * (strain - p[1])) * volume;
    dissipated = total - stored;
  } else {
    stored = 0.5 * p[2] * (p[2] / e0) * volume;
    total = (0.5 * p[0] * p[1] + 0.5 * (p[0] + p[2]) * (p[3] - p[1]) + p[2] * (strain - p[3])) *
            volume;
    dissipated = total - stored;
  }
}

void CModelDat::ElasticPlasticCoalEnergy(int code, double strain, int s, double& total,
                                         double& stored, double& dissipated) {
  const double* p = materialProps[code];
  const double volume = seamThickness[s] * elementWidth * elementWidth;
  const double e0 = p[0] / p[1];
  if (strain < p[1]) {
    stored = 0.5 * e0 * strain * strain * volume;
    total = stored;
    dissipated = 0.0;
  } else {
    const double sigma = p[0] + p[2] * (strain - p[1]);
    stored = 0.5 * sigma * (sigma / e0) * volume;
    total = (0.5 * p[0] * p[1] + 0.5 * (p[0] + sigma) * (strain - p[1])) * volume;
    dissipated = total - stored;
  }
}

void CModelDat::BilinearGobEnergy(int code, double strain, int s, double& total, double& stored,
                                  double& dissipated) {
  const double* p = materialProps[code];
  const double volume = seamThickness[s] * elementWidth * elementWidth;
  const double height = p[3];
  const double e = strain / height;
  if (e < p[1]) {
    const double sigma = (p[0] / p[1]) * e;
    stored = 0.5 * sigma * (sigma / p[2]) * volume;
    total = 0.5 * sigma * e * volume;
  } else {
    const double sigma = p[0] + p[2] * (e - p[1]);
    stored = 0.5 * sigma * (sigma / p[2]) * volume;
    total = (0.5 * p[0] * p[1] + 0.5 * (p[0] + sigma) * (e - p[1])) * volume;
  }
  dissipated = total - stored;
  stored *= height;
  total *= height;
  dissipated *= height;
}

void CModelDat::StrainHardeningGobEnergy(int code, double strain, int s, double& total,
                                         double& stored, double& dissipated) {
  const double* p = materialProps[code];
  const double volume = seamThickness[s] * elementWidth * elementWidth;
  const double height = p[3];
  const double e = strain / height;
  const double c = (p[1] - p[0]) / p[2];
  const double sigma = HardeningGobStress(code, strain);
  stored = 0.5 * sigma * (sigma / p[1]) * volume;
  if (c == 0.0) {
    // Equal initial and final moduli: the law is the straight line of
    // modulus P0, whose work is the limit of the expression below.
    total = 0.5 * p[0] * e * e * volume;
  } else {
    total = ((p[0] / (c * c)) * (std::exp(c * e) - 1.0) - (p[0] / c) * e) * volume;
  }
  dissipated = total - stored;
  stored *= height;
  total *= height;
  dissipated *= height;
}

void CModelDat::LinearElasticGobEnergy(int code, double strain, int s, double& total,
                                       double& stored, double& dissipated) {
  const double* p = materialProps[code];
  const double volume = seamThickness[s] * elementWidth * elementWidth;
  const double height = p[2];
  const double e = strain / height;
  stored = 0.5 * p[0] * e * e * volume;
  stored *= height;
  total = stored;
  dissipated = 0.0;
}

void CModelDat::CalculateEnergy(int step, int s) {
  const double h = seamThickness[s];
  double** u = convergence[s];
  double** stress = totalStress[s];
  char** codes = fineCodes[s];
  double** total = totalInputEnergy[s];
  double** stored = storedElasticEnergy[s];
  double** dissipated = dissipatedEnergy[s];
  double** storedReleased = storedEnergyReleased[s];
  double** kineticReleased = kineticEnergyReleased[s];
  double** totalReleased = totalEnergyReleased[s];

  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) {
      total[i][j] = 0.0;
      stored[i][j] = 0.0;
      dissipated[i][j] = 0.0;
      storedReleased[i][j] = 0.0;
      kineticReleased[i][j] = 0.0;
      totalReleased[i][j] = 0.0;
    }

  // A refused code ends the run, with the element line in a box of its own.
  auto refuse = [this](int exitCode, const char* text, int i, int j, int code) {
    const std::string line = ElementCodeLine(i, j, code);
    FailElementCode(*messages, exitCode, text, line, line);
  };
  for (int i = 1; i <= nx; ++i) {
    for (int j = 1; j <= ny; ++j) {
      const int code = CodeToInteger(codes[i][j]);
      if (code >= 0 && code < kRefusedCode) {
        const double strain = u[i][j] / h;
        double& t = total[i][j];
        double& st = stored[i][j];
        double& d = dissipated[i][j];
        switch (materialType[code]) {
          case kLinearElasticCoal: LinearElasticCoalEnergy(code, strain, s, t, st, d); break;
          case kStrainSofteningCoal: StrainSofteningCoalEnergy(code, strain, s, t, st, d); break;
          case kElasticPlasticCoal: ElasticPlasticCoalEnergy(code, strain, s, t, st, d); break;
          case kBilinearHardeningGob: BilinearGobEnergy(code, strain, s, t, st, d); break;
          case kStrainHardeningGob: StrainHardeningGobEnergy(code, strain, s, t, st, d); break;
          case kLinearElasticGob: LinearElasticGobEnergy(code, strain, s, t, st, d); break;
          default:
            refuse(3, "Material Code Out of Range in Energy Calculation Routine - EC3\n", i, j,
                   code);
        }
      } else if (code == kRefusedCode) {
        refuse(1, "Material Code Out of Range in Energy Calculation Routine - EC1\n", i, j,
               kRefusedCode);
      } else if (code != kMinedOutCode) {
        refuse(2, "Material Code Out of Range in Energy Calculation Routine - EC2\n", i, j,
               code);
      }
    }
  }

  // The previous-step cubes exist only for runs of more than one step.
  if (!previousStoredEnergy || !previousDissipatedEnergy || !previousConvergence ||
      !previousStress || stepCount <= 1)
    return;

  double** prevStored = previousStoredEnergy[s];
  double** prevDissipated = previousDissipatedEnergy[s];
  double** prevU = previousConvergence[s];
  double** prevStress = previousStress[s];

  if (step > 1 && previousCodes) {
    char** oldCodes = previousCodes[s];
    const double area = elementWidth * elementWidth;
    for (int i = 1; i <= nx; ++i) {
      for (int j = 1; j <= ny; ++j) {
        const char oldChar = oldCodes[i][j];
        const char newChar = codes[i][j];
        const double du = u[i][j] - prevU[i][j];
        if (oldChar == newChar) {
          storedReleased[i][j] = prevStored[i][j] - stored[i][j];
          totalReleased[i][j] = dissipated[i][j] - prevDissipated[i][j];
          kineticReleased[i][j] = 0.0;
        } else if (newChar == '1') {
          storedReleased[i][j] = prevStored[i][j];
          kineticReleased[i][j] = 0.5 * prevStress[i][j] * du * area;
          totalReleased[i][j] = kineticReleased[i][j] + storedReleased[i][j];
        } else if (oldChar == '1') {
          storedReleased[i][j] = -stored[i][j];
          kineticReleased[i][j] = 0.5 * stress[i][j] * du * area;
          totalReleased[i][j] = kineticReleased[i][j] + storedReleased[i][j];
        } else {
          const int newCode = CodeToInteger(newChar);
          const int oldCode = CodeToInteger(oldChar);
          const bool newKnown = newCode >= 0 && newCode < kRefusedCode &&
                                materialType[newCode] >= kLinearElasticCoal &&
                                materialType[newCode] <= kLinearElasticGob;
          const bool oldKnown = oldCode >= 0 && oldCode < kRefusedCode &&
                                materialType[oldCode] >= kLinearElasticCoal &&
                                materialType[oldCode] <= kLinearElasticGob;
          if (!newKnown || !oldKnown) {
            char box[80];
            std::snprintf(box, sizeof box, "i = %i, j = %i, old integer code = %i, integer code = %i\n",
                          i, j, oldCode, newCode);
            FailElementCode(
                *messages, 3,
                "Material Code Change is Out of Range in Energy Calculation Routine - EC4\n",
                ElementCodeLine(i, j, newCode), box);
          }
          storedReleased[i][j] = prevStored[i][j] - stored[i][j];
          totalReleased[i][j] =
              0.5 * (prevStress[i][j] + stress[i][j]) * du * area + storedReleased[i][j];
          kineticReleased[i][j] = totalReleased[i][j] - storedReleased[i][j];
        }
      }
    }
  }

  // Step 1 starts the record; every later step moves it on.
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) {
      prevStored[i][j] = stored[i][j];
      prevDissipated[i][j] = dissipated[i][j];
      prevU[i][j] = u[i][j];
      prevStress[i][j] = stress[i][j];
    }
}

}  // namespace kavrel
