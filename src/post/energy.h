// Element energies of one seam and the energies released between two steps,
// as functions of explicit grids and the material table.
//
// Per element: total input energy T (work from zero strain to the present
// strain along the material's loading curve), stored elastic energy S
// (recoverable on unloading) and dissipated energy D = T - S, all in
// stress x length^3 (element volume = seam thickness x width^2). Gob laws work
// on the strain divided by the gob height factor and scale all three values by
// that factor afterwards.
#pragma once

#include "core/message_sink.h"
#include "model/seam_view.h"

namespace kavrel {

struct ElementEnergy {
  double total = 0;
  double stored = 0;
  double dissipated = 0;
};

// The six energy laws, one per material type 1..6. `p` are the material's five
// property slots, `strain` = convergence / seam thickness, `volume` = seam
// thickness x width x width (evaluated in that order).
ElementEnergy LinearElasticCoalEnergyOf(const double p[5], double strain, double volume);
ElementEnergy StrainSofteningCoalEnergyOf(const double p[5], double strain, double volume);
ElementEnergy ElasticPlasticCoalEnergyOf(const double p[5], double strain, double volume);
ElementEnergy BilinearGobEnergyOf(const double p[5], double strain, double volume);
ElementEnergy StrainHardeningGobEnergyOf(const double p[5], double strain, double volume);
ElementEnergy LinearElasticGobEnergyOf(const double p[5], double strain, double volume);

// The six result grids of one seam, [1..nx][1..ny], all overwritten.
struct EnergyGrids {
  double** total = nullptr;
  double** stored = nullptr;
  double** dissipated = nullptr;
  double** storedReleased = nullptr;
  double** kineticReleased = nullptr;
  double** totalReleased = nullptr;
};

// The record of the previous step that the released energies compare with:
// its codes (null when there are none to compare with) and four grids
// [1..nx][1..ny] that AdvanceEnergyRecord moves on to the present step.
struct EnergyRecord {
  const char* const* codes = nullptr;
  double** stored = nullptr;
  double** dissipated = nullptr;
  double** convergence = nullptr;
  double** stress = nullptr;
};

// Fills T, S and D of every element (mined-out elements 0) and zeroes the three
// released grids. Reads codes, convergence, thickness and element width. A
// refused code ends the run: EC1 (exit 1) for '0', EC2 (exit 2) outside the
// table, EC3 (exit 3) for a material of no known type.
void ComputeElementEnergies(const SeamView& seam, const MaterialTable& materials,
                            MessageSink& messages, const EnergyGrids& out);

// Released energies of every element against `record` (whose codes must be
// set), from T, S, D already in `out`: stored, kinetic and total energy
// released. A change between two codes that are not both materials of
// types 1..6 ends the run with EC4 (exit 3). Reads codes, convergence, stress
// and element width.
void ComputeReleasedEnergies(const SeamView& seam, const MaterialTable& materials,
                             const EnergyRecord& record, MessageSink& messages,
                             const EnergyGrids& out);

// Copies S and D of `energies` and the seam's convergence and stress into the
// record's four grids (not its codes).
void AdvanceEnergyRecord(const SeamView& seam, const EnergyGrids& energies,
                         const EnergyRecord& record);

}  // namespace kavrel
