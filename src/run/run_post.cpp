// The post-processing stages of a step, after the last LMS run: safety
// factors, energy, remote displacements and strains, roof bending stresses
// and the off-seam grids, each only when the input asks for it, in this
// order; and the step summary rows that the run appends to its summary file.
#include "core/fatal_exit.h"
#include "post/remote_displacement.h"
#include "post/step_summary.h"
#include "run/analysis_run.h"

namespace kavrel {

namespace {

// Seam `s` of the model as the summary reads it; the post-processed grids
// only when `postProcessed` (they hold the step's values only then).
SeamGridsView GridsOf(const CModelDat& m, int s, bool postProcessed) {
  SeamGridsView v;
  v.nx = m.nx;
  v.ny = m.ny;
  v.thickness = m.seamThickness[s];
  v.convergence = m.convergence[s];
  v.totalStress = m.totalStress[s];
  v.codes = m.fineCodes[s];
  v.materialType = m.materialType;
  v.materialProps = m.materialProps;
  if (postProcessed && m.safetyFactors == 1) {
    v.pillarStressSF = m.pillarStressSF[s];
    v.pillarStrainSF = m.pillarStrainSF[s];
  }
  if (postProcessed && m.energyValues == 1) v.totalEnergyReleased = m.totalEnergyReleased[s];
  return v;
}

}  // namespace

void AnalysisRun::PostProcess(int step) {
  if (m_.safetyFactors == 1) SafetyFactors();
  if (m_.energyValues == 1) Energy(step);
  if (m_.remoteStrains == 1) RemoteDisplacements(step);
  if (m_.roofBending == 1) RoofStresses();
  if (m_.offSeamCalc >= 1) OffSeamGrids(step);
}

void AnalysisRun::SafetyFactors() {
  for (int s = 1; s <= m_.seamCount; ++s) {
    const long long d = Timed([&] {
      progress_.SetPhase(PhaseText("Calculating Safety Factors for Seam %i", s));
      progress_.SetPrimarySeam(s);
      progress_.SetSecondarySeam(0);
      log_.Printf("Calculating Safety Factors for Seam %i\n\n", s);
      m_.IdentifyPillars(s);
      m_.ElementSafetyFactors(m_.convergence, m_.fineCodes, m_.seamThickness, m_.elementStrainSF,
                              s);
      m_.PillarSafetyFactors(m_.pillarStressSF, m_.pillarStrainSF, s, log_);
      m_.ReleasePillars();
    });
    log_.Printf("Safety Factor Calculation for Seam %i took %lli secs.\n\n", s, d);
  }
}

void AnalysisRun::Energy(int step) {
  for (int s = 1; s <= m_.seamCount; ++s) {
    const long long d = Timed([&] {
      progress_.SetPhase(PhaseText("Calculating Energy Values for Seam %i", s));
      progress_.SetPrimarySeam(s);
      progress_.SetSecondarySeam(0);
      log_.Printf("Calculating Energy Values for Seam %i\n\n", s);
      m_.CalculateEnergy(step, s);
    });
    log_.Printf("Energy Calculation for Seam %i took %lli secs.\n\n", s, d);
  }
}

// The remote displacement of every seam from every other seam's convergence
// (and, with surface effects, from every seam's mirror image), then the
// slopes and strains of each seam's sum.
void AnalysisRun::RemoteDisplacements(int step) {
  DCube* remote[5] = {&m_.remoteDisplacement, &m_.remoteXSlope, &m_.remoteYSlope,
                      &m_.remoteXStrain, &m_.remoteYStrain};
  for (DCube* cube : remote) cube->Fill(0.0);
  if (pool_ && m_.seamCount > 1) {
    RemoteDisplacementsConcurrent(step);
  } else {
    const int S = m_.seamCount;
    for (int g = 1; g <= S; ++g) {
      progress_.SetPrimarySeam(g);
      for (int h = 1; h <= S; ++h) {
        if (h == g) continue;
        BeforeRemotePair(step, g, h, false);
        AfterRemotePair(step, g, h, false, Timed([&] { AddRemotePair(g, h, false, RemoteReports{progress_, *m_.messages, m_.runClock}); }));
      }
    }
    if (m_.surfaceEffects == 1)
      for (int g = 1; g <= S; ++g)
        for (int h = 1; h <= S; ++h) {
          BeforeRemotePair(step, g, h, true);
          AfterRemotePair(step, g, h, true, Timed([&] { AddRemotePair(g, h, true, RemoteReports{progress_, *m_.messages, m_.runClock}); }));
        }
  }
  for (int s = 1; s <= m_.seamCount; ++s)
    m_.RemoteStrains(m_.nx, m_.ny, m_.remoteDisplacement[s], m_.elementWidth, m_.remoteXSlope[s],
                     m_.remoteYSlope[s], m_.remoteXStrain[s], m_.remoteYStrain[s]);
}

// The displacement on seam h from seam g (`image`: from g's mirror image, at
// the negated elevation).
void AnalysisRun::AddRemotePair(int g, int h, bool image, const RemoteReports& reports) {
  const GridPlacement from{m_.nx, m_.ny, m_.elementWidth, m_.seamX[g], m_.seamY[g]};
  const GridPlacement to{m_.nx, m_.ny, m_.elementWidth, m_.seamX[h], m_.seamY[h]};
  const double dz = image ? -m_.seamZ[g] - m_.seamZ[h] : m_.seamZ[g] - m_.seamZ[h];
  SumRemoteDisplacement(m_.convergence[g], from, to, dz, image ? 1 : 0, m_.layerPlateFactor,
                        reports, m_.remoteDisplacement[h]);
}

void AnalysisRun::BeforeRemotePair(int step, int g, int h, bool image) {
  if (!image) {
    progress_.SetPhase(PhaseText("Calculating Remote Displacements, %i -> %i", g, h));
    progress_.SetSecondarySeam(h);
    log_.Printf("Calculating Remote Displacements - Step %i, Seam %i on Seam %i, Level %i\n\n",
                step, g, h, L_);
  } else {
    progress_.SetPhase(PhaseText("Calculating MI Remote Displacements, %i -> %i", g, h));
    progress_.SetSecondarySeam(h);
    log_.Printf(
        "Calculating Mirror-Image Remote Displacements - Step %i, Seam %i on Seam %i, Level "
        "%i\n\n",
        step, g, h, L_);
  }
}

void AnalysisRun::AfterRemotePair(int step, int g, int h, bool image, long long seconds) {
  if (!image) {
    m_.profile[g].interseamSeconds[L_] += seconds;
    log_.Printf(
        "Interseam Displacement Calculation - Step %i, Seam %i on Seam %i, Level %i took %lli "
        "secs.\n\n",
        step, g, h, L_, seconds);
  } else {
    m_.profile[g].surfaceSeconds[L_] += seconds;
    log_.Printf(
        "MI Remote Displacement Calculation - Step %i, Seam %i on Seam %i, Level %i took "
        "%lli secs.\n\n",
        step, g, h, L_, seconds);
  }
}

void AnalysisRun::RoofStresses() {
  for (int s = 1; s <= m_.seamCount; ++s) {
    const long long d = Timed([&] {
      progress_.SetPhase(PhaseText("Calculating Roof Stresses for Seam %i", s));
      progress_.SetPrimarySeam(s);
      progress_.SetSecondarySeam(0);
      log_.Printf("Calculating Roof Stresses for Seam %i\n\n", s);
      m_.RoofStresses(s);
    });
    log_.Printf("Roof Stress Calculations for Seam %i took %lli secs.\n\n", s, d);
  }
}

// A grid file that cannot be written ends the run (exit code 1).
void AnalysisRun::OffSeamGrids(int step) {
  if (m_.offSeamDisplacement >= 1) {
    progress_.OpenProjectionPanel();
    progress_.SetProjectionCaption(ProjectionKind::Displacement);
    const long long d = Timed([&] {
      if (m_.OffSeamDisplacements(step) != 0) throw FatalExit(1);
    });
    log_.Printf("Time for Off-Seam Disp. Calc. for Step %i was %lli secs.\n\n", step, d);
    progress_.SetProjectionCaption(ProjectionKind::Stress);
    m_.profile[0].offSeamSeconds += d;
  }
  if (m_.offSeamStress >= 1) {
    progress_.OpenProjectionPanel();
    progress_.SetProjectionCaption(ProjectionKind::Stress);
    const long long d = Timed([&] {
      if (m_.OffSeamStresses(step) != 0) throw FatalExit(1);
    });
    log_.Printf("Time for Off-Seam Stress Calc. for Step %i was %lli secs.\n\n", step, d);
    m_.profile[0].offSeamSeconds += d;
  }
}

void AnalysisRun::Summarise(int step, int p, bool postProcessed) {
  for (int s = 1; s <= m_.seamCount; ++s) {
    StepSummaryRow row;
    row.step = step;
    row.lmsRun = p;
    row.seam = s;
    row.seamSummary = SummariseSeam(GridsOf(m_, s, postProcessed));
    const SolveTally& t = tally_[static_cast<std::size_t>(s)];
    row.sorSweeps = t.sweeps;
    row.sorSolves = t.solves;
    row.largestSolve = t.largest;
    m_.summaryRows.push_back(row);
  }
  tally_.assign(tally_.size(), SolveTally());
}

}  // namespace kavrel
