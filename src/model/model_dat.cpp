// Construction of the model record, the sinks it reports through, and the
// allocation and release of the run's grids by the options of the input.
#include "model/model_dat.h"

#include <cmath>
#include <ctime>

namespace kavrel {

CModelDat::CModelDat() : progress(&nullProgress_), messages(&nullMessages_) {
  title[0] = '\0';
  // Every flag, count and timing record starts at zero through its member
  // initialiser; the model holds no grid (nx = ny = 0) and no code cube.
}

CModelDat::~CModelDat() = default;

void CModelDat::SetProgress(ProgressSink* sink) { progress = sink ? sink : &nullProgress_; }
void CModelDat::SetMessages(MessageSink* sink) { messages = sink ? sink : &nullMessages_; }

long long CModelDat::ElapsedSinceRunStart() const {
  return static_cast<long long>(std::time(nullptr)) - runClock;
}

namespace {

// A seam cube [1..S][1..nx][1..ny], zeroed: with local-mine-stiffness pillars
// the result files of step 1 are written before the post-processing of that
// step has filled its cubes, and must then show zeros, not leftover memory.
void SeamCube(DCube& cube, int seams, int nx, int ny) {
  cube.Allocate(1, seams, 1, nx, 1, ny);
  cube.Fill(0.0);
}

}  // namespace

// Allocates the grids a run needs, by the option flags of the input, and gives
// the always-present ones their starting values. Every double grid starts at
// zero; the optional post-processing (remote, safety factor, energy, off-seam)
// fills its own. With topographic stress on, overburdenStress is left at zero
// for the topographic stage to fill. Memory exhaustion is fatal inside
// the array routines.
void CModelDat::AllocateArrays() {
  const int S = seamCount;

  convergence.Allocate(1, S, 0, nx + 1, 0, ny + 1);
  coarseConvergence.Allocate(1, nx, 1, ny);
  SeamCube(totalStress, S, nx, ny);
  SeamCube(overburdenStress, S, nx, ny);
  SeamCube(surfaceEffectStress, S, nx, ny);
  SeamCube(interseamStress, S, nx, ny);
  SeamCube(preCalculatedStress, S, nx, ny);

  if (remoteStrains == 1) {
    SeamCube(remoteDisplacement, S, nx, ny);
    SeamCube(remoteXSlope, S, nx, ny);
    SeamCube(remoteYSlope, S, nx, ny);
    SeamCube(remoteXStrain, S, nx, ny);
    SeamCube(remoteYStrain, S, nx, ny);
  }
  if (safetyFactors == 1) {
    SeamCube(elementStrainSF, S, nx, ny);
    SeamCube(pillarStrainSF, S, nx, ny);
    SeamCube(pillarStressSF, S, nx, ny);
  }
  if (energyValues == 1) {
    SeamCube(totalInputEnergy, S, nx, ny);
    SeamCube(storedElasticEnergy, S, nx, ny);
    SeamCube(dissipatedEnergy, S, nx, ny);
    SeamCube(storedEnergyReleased, S, nx, ny);
    SeamCube(kineticEnergyReleased, S, nx, ny);
    SeamCube(totalEnergyReleased, S, nx, ny);
    if (stepCount > 1) {
      SeamCube(previousStoredEnergy, S, nx, ny);
      SeamCube(previousDissipatedEnergy, S, nx, ny);
      SeamCube(previousConvergence, S, nx, ny);
      SeamCube(previousStress, S, nx, ny);
      previousCodes.Allocate(1, S, 1, nx, 1, ny);
    }
  }
  if (roofBending == 1) {
    SeamCube(roofStressX, S, nx, ny);
    SeamCube(roofStressY, S, nx, ny);
    SeamCube(maxRoofTension, S, nx, ny);
    SeamCube(maxRoofCompression, S, nx, ny);
    SeamCube(maxRoofStress, S, nx, ny);
  }
  if (offSeamCalc >= 1) {
    if (offSeamDisplacement >= 1)
      for (DCube& cube : offSeamDisp) {
        cube.Allocate(1, offSeamNz, 1, offSeamNx, 1, offSeamNy);
        cube.Fill(0.0);
      }
    if (offSeamStress >= 1) {
      offSeamStressGrid.Allocate(1, offSeamNz, 1, offSeamNx, 1, offSeamNy);
      offSeamStressGrid.Fill(0.0);
    }
  }

  arraysAllocated = 1;
  oldConvergence.Allocate(1, S, 0, nx + 1, 0, ny + 1);

  // The plate factor is held at single precision, as the solvers expect.
  layerPlateFactor = static_cast<double>(static_cast<float>(
      std::sqrt(layerThickness * layerThickness / (12.0 * (1.0 - poissonsRatio * poissonsRatio)))));

  for (int s = 0; s <= S && s <= 10; ++s) {
    SeamProfile& p = profile[s];
    p.topoSeconds = 0;
    p.offSeamSeconds = 0;
    for (int level = 0; level < 4; ++level) {
      p.solutionLoops[level] = 0;
      p.sorIterations[level] = 0;
      p.sorSeconds[level] = 0;
      p.surfaceSeconds[level] = 0;
      p.interseamSeconds[level] = 0;
    }
  }

  convergence.Fill(0.0);
  oldConvergence.Fill(0.0);
  // Without topographic stress every seam starts under the weight of the
  // rock above it; overburdenScratch is left holding the last seam's value.
  for (int s = 1; s <= S; ++s) {
    overburdenScratch = -(seamZ[s] * stressGradient);
    if (topographicStress != 1)
      for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j) overburdenStress[s][i][j] = overburdenScratch;
  }
  for (auto& pair : maxDisplacement) pair[0] = pair[1] = 0.0;

  if (safetyFactors == 1 || lmsPillarCount > 0) {
    // Rows 1..nx with columns 0..ny; column 0 is never a pillar.
    pillarGrid.Allocate(1, nx, 0, ny);
    pillarGrid.Fill(nullptr);
  }
  if (lmsPillarCount > 0)
    for (LmsResult& r : lmsResults) r = LmsResult{};
}

// Releases what AllocateArrays made, under the same conditions, and last the
// material-code cube of the input reader. pillarGrid and the topographic
// matrices are kept until the model goes.
void CModelDat::ReleaseArrays() {
  convergence.Release();
  coarseConvergence.Release();
  totalStress.Release();
  overburdenStress.Release();
  surfaceEffectStress.Release();
  interseamStress.Release();
  preCalculatedStress.Release();
  if (remoteStrains == 1) {
    remoteDisplacement.Release();
    remoteXSlope.Release();
    remoteYSlope.Release();
    remoteXStrain.Release();
    remoteYStrain.Release();
  }
  if (safetyFactors == 1) {
    elementStrainSF.Release();
    pillarStrainSF.Release();
    pillarStressSF.Release();
  }
  if (energyValues == 1) {
    totalInputEnergy.Release();
    storedElasticEnergy.Release();
    dissipatedEnergy.Release();
    storedEnergyReleased.Release();
    kineticEnergyReleased.Release();
    totalEnergyReleased.Release();
    if (stepCount > 1) {
      previousStoredEnergy.Release();
      previousDissipatedEnergy.Release();
      previousConvergence.Release();
      previousStress.Release();
      previousCodes.Release();
    }
  }
  if (roofBending == 1) {
    roofStressX.Release();
    roofStressY.Release();
    maxRoofTension.Release();
    maxRoofCompression.Release();
    maxRoofStress.Release();
  }
  if (offSeamCalc >= 1) {
    if (offSeamDisplacement >= 1)
      for (DCube& cube : offSeamDisp) cube.Release();
    if (offSeamStress >= 1) offSeamStressGrid.Release();
  }
  if (arraysAllocated == 1) oldConvergence.Release();
  fineCodes.Release();
}

MaterialTable CModelDat::Materials() const {
  return MaterialTable{materialCount, materialType, materialProps, elasticModulus};
}

SeamView CModelDat::Seam(int s) const {
  SeamView v;
  v.nx = nx;
  v.ny = ny;
  v.elementWidth = elementWidth;
  v.thickness = seamThickness[s];
  v.convergence = convergence[s];
  v.totalStress = totalStress[s];
  v.codes = fineCodes[s];
  return v;
}

}  // namespace kavrel
