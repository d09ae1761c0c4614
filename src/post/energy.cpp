// Element energies of one seam and the energies released between two steps,
// over explicit grids; the model's operations at the end build the views and
// keep the previous-step cubes, which they alone update.
#include "post/energy.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "core/fatal_exit.h"
#include "model/material_codes.h"
#include "model/model_dat.h"
#include "solver/material_laws.h"

namespace kavrel {

ElementEnergy LinearElasticCoalEnergyOf(const double p[5], double strain, double volume) {
  ElementEnergy r;
  r.stored = 0.5 * p[0] * strain * strain * volume;
  r.total = r.stored;
  r.dissipated = 0.0;
  return r;
}

ElementEnergy StrainSofteningCoalEnergyOf(const double p[5], double strain, double volume) {
  ElementEnergy r;
  const double e0 = p[0] / p[1];
  if (strain < p[1]) {
    r.stored = 0.5 * e0 * strain * strain * volume;
    r.total = r.stored;
    r.dissipated = 0.0;
  } else if (strain < p[3]) {
    const double sigma = p[0] + (strain - p[1]) / (p[3] - p[1]) * (p[2] - p[0]);
    r.stored = 0.5 * sigma * (sigma / e0) * volume;
    r.total = (0.5 * p[0] * p[1] + 0.5 * (p[0] + sigma) * (strain - p[1])) * volume;
    r.dissipated = r.total - r.stored;
  } else {
    r.stored = 0.5 * p[2] * (p[2] / e0) * volume;
    r.total = (0.5 * p[0] * p[1] + 0.5 * (p[0] + p[2]) * (p[3] - p[1]) + p[2] * (strain - p[3])) *
            volume;
    r.dissipated = r.total - r.stored;
  }
  return r;
}

ElementEnergy ElasticPlasticCoalEnergyOf(const double p[5], double strain, double volume) {
  ElementEnergy r;
  const double e0 = p[0] / p[1];
  if (strain < p[1]) {
    r.stored = 0.5 * e0 * strain * strain * volume;
    r.total = r.stored;
    r.dissipated = 0.0;
  } else {
    const double sigma = p[0] + p[2] * (strain - p[1]);
    r.stored = 0.5 * sigma * (sigma / e0) * volume;
    r.total = (0.5 * p[0] * p[1] + 0.5 * (p[0] + sigma) * (strain - p[1])) * volume;
    r.dissipated = r.total - r.stored;
  }
  return r;
}

ElementEnergy BilinearGobEnergyOf(const double p[5], double strain, double volume) {
  ElementEnergy r;
  const double height = p[3];
  const double e = strain / height;
  if (e < p[1]) {
    const double sigma = (p[0] / p[1]) * e;
    r.stored = 0.5 * sigma * (sigma / p[2]) * volume;
    r.total = 0.5 * sigma * e * volume;
  } else {
    const double sigma = p[0] + p[2] * (e - p[1]);
    r.stored = 0.5 * sigma * (sigma / p[2]) * volume;
    r.total = (0.5 * p[0] * p[1] + 0.5 * (p[0] + sigma) * (e - p[1])) * volume;
  }
  r.dissipated = r.total - r.stored;
  r.stored *= height;
  r.total *= height;
  r.dissipated *= height;
  return r;
}

ElementEnergy StrainHardeningGobEnergyOf(const double p[5], double strain, double volume) {
  ElementEnergy r;
  const double height = p[3];
  const double e = strain / height;
  const double c = (p[1] - p[0]) / p[2];
  const double sigma = HardeningGobLaw(strain, p[0], p[1], p[2], p[3]);
  r.stored = 0.5 * sigma * (sigma / p[1]) * volume;
  if (c == 0.0) {
    // Equal initial and final moduli: the law is the straight line of
    // modulus P0, whose work is the limit of the expression below.
    r.total = 0.5 * p[0] * e * e * volume;
  } else {
    r.total = ((p[0] / (c * c)) * (std::exp(c * e) - 1.0) - (p[0] / c) * e) * volume;
  }
  r.dissipated = r.total - r.stored;
  r.stored *= height;
  r.total *= height;
  r.dissipated *= height;
  return r;
}

ElementEnergy LinearElasticGobEnergyOf(const double p[5], double strain, double volume) {
  ElementEnergy r;
  const double height = p[2];
  const double e = strain / height;
  r.stored = 0.5 * p[0] * e * e * volume;
  r.stored *= height;
  r.total = r.stored;
  r.dissipated = 0.0;
  return r;
}

namespace {

// T, S and D of an element of material `code`, or the end of the run.
ElementEnergy EnergyOfElement(const MaterialTable& materials, int code, double strain,
                              double volume, MessageSink& messages, int i, int j) {
  const double* p = materials.props[code];
  switch (materials.type[code]) {
    case kLinearElasticCoal: return LinearElasticCoalEnergyOf(p, strain, volume);
    case kStrainSofteningCoal: return StrainSofteningCoalEnergyOf(p, strain, volume);
    case kElasticPlasticCoal: return ElasticPlasticCoalEnergyOf(p, strain, volume);
    case kBilinearHardeningGob: return BilinearGobEnergyOf(p, strain, volume);
    case kStrainHardeningGob: return StrainHardeningGobEnergyOf(p, strain, volume);
    case kLinearElasticGob: return LinearElasticGobEnergyOf(p, strain, volume);
    default: {
      const std::string line = ElementCodeLine(i, j, code);
      FailElementCode(messages, 3,
                      "Material Code Out of Range in Energy Calculation Routine - EC3\n", line,
                      line);
    }
  }
}

bool HasEnergyLaw(const MaterialTable& materials, int code) {
  return code >= 0 && code < kRefusedCode && materials.type[code] >= kLinearElasticCoal &&
         materials.type[code] <= kLinearElasticGob;
}

}  // namespace

void ComputeElementEnergies(const SeamView& seam, const MaterialTable& materials,
                            MessageSink& messages, const EnergyGrids& out) {
  for (int i = 1; i <= seam.nx; ++i)
    for (int j = 1; j <= seam.ny; ++j) {
      out.total[i][j] = 0.0;
      out.stored[i][j] = 0.0;
      out.dissipated[i][j] = 0.0;
      out.storedReleased[i][j] = 0.0;
      out.kineticReleased[i][j] = 0.0;
      out.totalReleased[i][j] = 0.0;
    }

  // A refused code ends the run, with the element line in a box of its own.
  auto refuse = [&messages](int exitCode, const char* text, int i, int j, int code) {
    const std::string line = ElementCodeLine(i, j, code);
    FailElementCode(messages, exitCode, text, line, line);
  };
  const double volume = seam.thickness * seam.elementWidth * seam.elementWidth;
  for (int i = 1; i <= seam.nx; ++i) {
    for (int j = 1; j <= seam.ny; ++j) {
      const int code = MaterialIndexReported(seam.codes[i][j], messages);
      if (code >= 0 && code < kRefusedCode) {
        const double strain = seam.convergence[i][j] / seam.thickness;
        const ElementEnergy e = EnergyOfElement(materials, code, strain, volume, messages, i, j);
        out.total[i][j] = e.total;
        out.stored[i][j] = e.stored;
        out.dissipated[i][j] = e.dissipated;
      } else if (code == kRefusedCode) {
        refuse(1, "Material Code Out of Range in Energy Calculation Routine - EC1\n", i, j,
               kRefusedCode);
      } else if (code != kMinedOutCode) {
        refuse(2, "Material Code Out of Range in Energy Calculation Routine - EC2\n", i, j,
               code);
      }
    }
  }
}

void ComputeReleasedEnergies(const SeamView& seam, const MaterialTable& materials,
                             const EnergyRecord& record, MessageSink& messages,
                             const EnergyGrids& out) {
  const double area = seam.elementWidth * seam.elementWidth;
  for (int i = 1; i <= seam.nx; ++i) {
    for (int j = 1; j <= seam.ny; ++j) {
      const char oldChar = record.codes[i][j];
      const char newChar = seam.codes[i][j];
      const double stress = seam.totalStress[i][j];
      const double previousStress = record.stress[i][j];
      const double du = seam.convergence[i][j] - record.convergence[i][j];
      double& storedReleased = out.storedReleased[i][j];
      double& kineticReleased = out.kineticReleased[i][j];
      double& totalReleased = out.totalReleased[i][j];
      if (oldChar == newChar) {
        storedReleased = record.stored[i][j] - out.stored[i][j];
        totalReleased = out.dissipated[i][j] - record.dissipated[i][j];
        kineticReleased = 0.0;
      } else if (newChar == '1') {
        storedReleased = record.stored[i][j];
        kineticReleased = 0.5 * previousStress * du * area;
        totalReleased = kineticReleased + storedReleased;
      } else if (oldChar == '1') {
        storedReleased = -out.stored[i][j];
        kineticReleased = 0.5 * stress * du * area;
        totalReleased = kineticReleased + storedReleased;
      } else {
        const int newCode = MaterialIndexReported(newChar, messages);
        const int oldCode = MaterialIndexReported(oldChar, messages);
        if (!HasEnergyLaw(materials, newCode) || !HasEnergyLaw(materials, oldCode)) {
          char box[80];
          std::snprintf(box, sizeof box,
                        "i = %i, j = %i, old integer code = %i, integer code = %i\n", i, j,
                        oldCode, newCode);
          FailElementCode(
              messages, 3,
              "Material Code Change is Out of Range in Energy Calculation Routine - EC4\n",
              ElementCodeLine(i, j, newCode), box);
        }
        storedReleased = record.stored[i][j] - out.stored[i][j];
        totalReleased = 0.5 * (previousStress + stress) * du * area + storedReleased;
        kineticReleased = totalReleased - storedReleased;
      }
    }
  }
}

void AdvanceEnergyRecord(const SeamView& seam, const EnergyGrids& energies,
                         const EnergyRecord& record) {
  for (int i = 1; i <= seam.nx; ++i)
    for (int j = 1; j <= seam.ny; ++j) {
      record.stored[i][j] = energies.stored[i][j];
      record.dissipated[i][j] = energies.dissipated[i][j];
      record.convergence[i][j] = seam.convergence[i][j];
      record.stress[i][j] = seam.totalStress[i][j];
    }
}

// ---- the model's operations ------------------------------------------------------

namespace {

// T, S and D of one law for the model's seam s.
template <ElementEnergy (*Law)(const double*, double, double)>
void ModelEnergy(const CModelDat& m, int code, double strain, int s, double& total,
                 double& stored, double& dissipated) {
  const double volume = m.seamThickness[s] * m.elementWidth * m.elementWidth;
  const ElementEnergy e = Law(m.materialProps[code], strain, volume);
  total = e.total;
  stored = e.stored;
  dissipated = e.dissipated;
}

}  // namespace

void CModelDat::LinearElasticCoalEnergy(int code, double strain, int s, double& t, double& st,
                                        double& d) {
  ModelEnergy<LinearElasticCoalEnergyOf>(*this, code, strain, s, t, st, d);
}
void CModelDat::StrainSofteningCoalEnergy(int code, double strain, int s, double& t, double& st,
                                          double& d) {
  ModelEnergy<StrainSofteningCoalEnergyOf>(*this, code, strain, s, t, st, d);
}
void CModelDat::ElasticPlasticCoalEnergy(int code, double strain, int s, double& t, double& st,
                                         double& d) {
  ModelEnergy<ElasticPlasticCoalEnergyOf>(*this, code, strain, s, t, st, d);
}
void CModelDat::BilinearGobEnergy(int code, double strain, int s, double& t, double& st,
                                  double& d) {
  ModelEnergy<BilinearGobEnergyOf>(*this, code, strain, s, t, st, d);
}
void CModelDat::StrainHardeningGobEnergy(int code, double strain, int s, double& t, double& st,
                                         double& d) {
  ModelEnergy<StrainHardeningGobEnergyOf>(*this, code, strain, s, t, st, d);
}
void CModelDat::LinearElasticGobEnergy(int code, double strain, int s, double& t, double& st,
                                       double& d) {
  ModelEnergy<LinearElasticGobEnergyOf>(*this, code, strain, s, t, st, d);
}

void CModelDat::CalculateEnergy(int step, int s) {
  const SeamView seam = Seam(s);
  const EnergyGrids out{totalInputEnergy[s],     storedElasticEnergy[s],  dissipatedEnergy[s],
                        storedEnergyReleased[s], kineticEnergyReleased[s], totalEnergyReleased[s]};
  ComputeElementEnergies(seam, Materials(), *messages, out);

  // The previous-step cubes exist only for runs of more than one step.
  if (!previousStoredEnergy || !previousDissipatedEnergy || !previousConvergence ||
      !previousStress || stepCount <= 1)
    return;
  const EnergyRecord record{previousCodes ? previousCodes[s] : nullptr, previousStoredEnergy[s],
                            previousDissipatedEnergy[s], previousConvergence[s],
                            previousStress[s]};
  if (step > 1 && record.codes) ComputeReleasedEnergies(seam, Materials(), record, *messages, out);
  // Step 1 starts the record; every later step moves it on.
  AdvanceEnergyRecord(seam, out, record);
}

}  // namespace kavrel
