// The solve stages of a step: the first solve of every seam, and for each
// LMS run the level schedule of passes, each pass a coupling recomputation
// (interseam and mirror-image stresses from the coarsened seams) followed by
// one SOR solve of every seam.
//
// Within a pass the seams are solved in order 1..S, each with the coupling
// stresses fixed at the pass's start; the coupling of target seam k adds its
// sources j = 1..S in that order. Both orders decide the bits of the result.
#include <cmath>
#include <cstdio>

#include "core/fatal_exit.h"
#include "run/analysis_run.h"
#include "solver/detail_levels.h"
#include "solver/sor_solver.h"

namespace kavrel {

// The first solves of a step (`first`: at level 3, no old convergences
// kept, no averaging) or one SOR pass, the seams in order 1..S.
void AnalysisRun::SolveSeams(bool first, int step, int p) {
  if (!first) M_ = 0;
  if (pool_ && m_.seamCount > 1) {
    SolveSeamsConcurrent(first, step, p);
    return;
  }
  for (int l = 1; l <= m_.seamCount; ++l) {
    if (!first) SaveOldConvergence(l);
    BeforeSolve(first, step, p, l);
    SeamSolveResult r;
    const long long d = Timed([&] {
      r = SolveSeamSor(solverSettings_, m_.Materials(), ArraysOf(l),
                       SolveReporting{progress_, *m_.messages, log_, m_.runClock, l}, Bands());
    });
    AfterSolve(first, step, l, r, d);
  }
}

void AnalysisRun::SaveOldConvergence(int l) {
  if (m_.arraysAllocated != 1) return;
  const double* const* u = m_.convergence[l];
  double** old = m_.oldConvergence[l];
  for (int x = 0; x <= m_.nx + 1; ++x)
    for (int y = 0; y <= m_.ny + 1; ++y) old[x][y] = u[x][y];
}

void AnalysisRun::BeforeSolve(bool first, int step, int p, int l) {
  const int level = first ? 3 : L_;
  if (!first && m_.arraysAllocated == 1) {
    const std::string text = PhaseText("Saving Old Disps for Seam %i", l);
    log_.Printf("Saving Old Displacements for Step %i, Seam %i, Level %i\n\n", step, l, level);
    progress_.SetPhase(text);
  }
  progress_.SetPrimarySeam(l);
  progress_.SetSecondarySeam(0);
  // In a pass of an LMS run the phase names the pillar after the seam.
  progress_.SetPhase(!first && lms_
                         ? PhaseText("Calculating Seam %i Displacements - LMS Pillar %i", l, p)
                         : PhaseText("Calculating Seam %i Displacements", l));
  log_.Printf("Entering SOR - Step %i, %sSeam %i, Level %i\n\n", step,
              first ? "" : pillarText_.c_str(), l, level);
}

// Books seam l's solve and writes its line; in a pass, M takes the largest
// sweep count and an oscillating seam is averaged.
void AnalysisRun::AfterSolve(bool first, int step, int l, const SeamSolveResult& r,
                             long long seconds) {
  const int level = first ? 3 : L_;
  Book(l, level, r, seconds);
  log_.Printf("Step %i, %sSeam %i, Level %i - SOR took %i iterations %lli secs to converge \n\n",
              step, first ? "" : pillarText_.c_str(), l, level, r.sweeps, seconds);
  if (first) return;
  if (r.sweeps > M_) M_ = r.sweeps;
  AverageOscillatingSeam(step, l);
}

// A pass runs while the level's seams need more sweeps than its threshold,
// and at least once at every level above the finest. Once settled at a level
// the schedule steps down to the next finer one, which always gets a pass.
void AnalysisRun::LevelSchedule(int step, int p) {
  int passesAtLevel = 0;
  while (M_ > kLevelThreshold[L_] || L_ > 0) {
    // A level whose passes keep needing more sweeps than its threshold
    // would otherwise repeat for ever.
    if (++passesAtLevel > m_.maxPassesPerLevel) LevelDidNotSettle(step, p);
    if (M_ > 1 && (m_.seamCount > 1 || m_.surfaceEffects == 1)) CouplingRecomputation(step, p);
    SolveSeams(false, step, p);
    if (M_ <= kLevelThreshold[L_] && L_ > 0) {
      L_ = L_ - 1;
      M_ = kLevelThreshold[L_] + 1;
      progress_.SetLevel(L_);
      passesAtLevel = 0;
    }
  }
}

void AnalysisRun::LevelDidNotSettle(int step, int p) {
  char text[200];
  if (lms_)
    std::snprintf(text, sizeof text,
                  "Detail Level %i did not Settle in %i Passes - Step %i, LMS Pillar %i - M2\n",
                  L_, m_.maxPassesPerLevel, step, p);
  else
    std::snprintf(text, sizeof text, "Detail Level %i did not Settle in %i Passes - Step %i - M2\n",
                  L_, m_.maxPassesPerLevel, step);
  log_.Printf("%s\n", text);
  log_.Close();
  m_.ShowMessage(text);
  throw FatalExit(1);
}

// The coupling stresses of every seam from the convergences of the others
// (and of the mirror images, with surface effects), each source averaged to
// the pass's detail level first.
void AnalysisRun::CouplingRecomputation(int step, int p) {
  if (pool_) {
    CouplingConcurrent(step, p);
    return;
  }
  const int f = kLevelFactor[L_];
  const LevelGrid level{m_.nx / f, m_.ny / f, f * m_.elementWidth};
  m_.surfaceEffectStress.Fill(0.0);
  m_.interseamStress.Fill(0.0);
  for (int j = 1; j <= m_.seamCount; ++j) {
    progress_.SetPrimarySeam(j);
    AverageToLevel(m_.convergence[j], m_.nx, m_.ny, m_.coarseConvergence, level.nx, level.ny, f);
    InterseamStresses(step, p, j, level);
    if (m_.surfaceEffects == 1) MirrorImageStresses(step, p, j, level);
  }
}

void AnalysisRun::InterseamStresses(int step, int p, int j, const LevelGrid& level) {
  for (int k = 1; k <= m_.seamCount; ++k) {
    if (k == j) continue;
    BeforeCouplingPair(step, p, j, k, false);
    const long long d = Timed([&] {
      m_.AddInfluence(m_.coarseConvergence, level.nx, level.ny, level.elementWidth, m_.seamX[j],
                      m_.seamY[j], m_.interseamStress[k], m_.nx, m_.ny, m_.elementWidth,
                      m_.seamX[k], m_.seamY[k], m_.seamZ[j] - m_.seamZ[k], 0);
    });
    AfterCouplingPair(step, j, k, false, d);
  }
}

void AnalysisRun::MirrorImageStresses(int step, int p, int j, const LevelGrid& level) {
  progress_.SetPhase("Calculating Surface Effect Stresses");
  for (int k = 1; k <= m_.seamCount; ++k) {
    BeforeCouplingPair(step, p, j, k, true);
    const long long d = Timed([&] {
      m_.AddInfluence(m_.coarseConvergence, level.nx, level.ny, level.elementWidth, m_.seamX[j],
                      m_.seamY[j], m_.surfaceEffectStress[k], m_.nx, m_.ny, m_.elementWidth,
                      m_.seamX[k], m_.seamY[k], m_.seamZ[j] + m_.seamZ[k], 1);
    });
    AfterCouplingPair(step, j, k, true, d);
  }
}

void AnalysisRun::BeforeCouplingPair(int step, int p, int j, int k, bool image) {
  const char* const pillar = pillarText_.c_str();
  if (!image) {
    progress_.SetPhase(PhaseText("Calculating Multi-Seam Stresses, %sSeam %i -> %i", pillar, j, k));
    log_.Printf("Calculating Interseam Stresses - Step %i, %sSeam %i on Seam %i, Level %i\n\n",
                step, pillar, j, k, L_);
  } else {
    progress_.SetPhase("Calculating Mirror-Image Stresses");
    std::string text;
    if (lms_) {
      text = PhaseText("Calculating Mirror-Image Stresses, LMS Pillar %i, Seam %i -> %i", p, j, k);
      log_.Printf(
          "Calculating Mirror-Image Stresses - Step %i, LMS PIllar %i, Seam %i on Seam %i, "
          "Level %i\n\n",
          step, p, j, k, L_);
    } else {
      text = PhaseText("Calculating Mirror-Image Stresses, %i -> %i", j, k);
      log_.Printf("Calculating Mirror-Image Stresses - Step %i, Seam %i on Seam %i, Level %i\n\n",
                  step, j, k, L_);
    }
    progress_.SetPhase(text);
  }
  progress_.SetSecondarySeam(k);
}

void AnalysisRun::AfterCouplingPair(int step, int j, int k, bool image, long long seconds) {
  const char* const pillar = pillarText_.c_str();
  if (!image) {
    m_.profile[j].interseamSeconds[L_] += seconds;
    log_.Printf(
        "Interseam Stress Calculation - Step %i, %sSeam %i on Seam %i, Level %i took %lli "
        "secs.\n\n",
        step, pillar, j, k, L_, seconds);
  } else {
    m_.profile[j].surfaceSeconds[L_] += seconds;
    log_.Printf(
        "Mirror Stress Calculation - Step %i, %sSeam %i on Seam %i, Level %i took %lli "
        "secs.\n\n",
        step, pillar, j, k, L_, seconds);
  }
}

SeamSolveArrays AnalysisRun::ArraysOf(int s) const {
  return SeamSolveArrays{m_.nx,
                         m_.ny,
                         m_.seamThickness[s],
                         m_.convergence[s],
                         m_.totalStress[s],
                         m_.fineCodes[s],
                         m_.overburdenStress[s],
                         m_.surfaceEffectStress[s],
                         m_.interseamStress[s],
                         m_.preCalculatedStress[s]};
}

void AnalysisRun::Book(int s, int level, const SeamSolveResult& r, long long seconds) {
  m_.maxDisplacement[s][0] = m_.maxDisplacement[s][1];
  m_.maxDisplacement[s][1] = r.maxChange;
  SeamProfile& profile = m_.profile[s];
  profile.solutionLoops[level] += 1;
  profile.sorIterations[level] += r.sweeps;
  profile.sorSeconds[level] += seconds;
  SolveTally& t = tally_[static_cast<std::size_t>(s)];
  t.sweeps += r.sweeps;
  ++t.solves;
  if (r.sweeps > t.largest) t.largest = r.sweeps;
}

// Two last largest changes of opposite sign: the seam oscillates between
// solves, so its next solve starts from the mean of the old and new
// convergences.
void AnalysisRun::AverageOscillatingSeam(int step, int l) {
  const double a = m_.maxDisplacement[l][0];
  const double b = m_.maxDisplacement[l][1];
  if (m_.arraysAllocated != 1 || std::abs(a + b) == std::abs(a) + std::abs(b)) return;
  double** u = m_.convergence[l];
  double** old = m_.oldConvergence[l];
  for (int x = 0; x <= m_.nx + 1; ++x) {
    double* uRow = u[x];
    const double* oldRow = old[x];
    for (int y = 0; y <= m_.ny + 1; ++y) uRow[y] = (oldRow[y] + uRow[y]) * 0.5;
  }
  const std::string text = PhaseText("Averaging Displacements for Seam %i", l);
  log_.Printf("Averaging Displacements for Step %i, Seam %i, Level %i\n\n", step, l, L_);
  progress_.SetPhase(text);
}

}  // namespace kavrel
