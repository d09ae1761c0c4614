// RunAnalysis: the whole analysis of one run, in the calling thread.
//
// The driver owns no numerical method beyond saving and averaging old
// convergences; it decides the order of the calls, what each receives, the
// loop bounds, the log lines and the timing bookkeeping. Every phase is
// announced through the progress sink, written to the log and timed in whole
// calendar seconds.
//
// The log is kept open from the start of the run to its end; every line
// written through it is flushed at once, so that a FatalExit thrown anywhere
// below (a solver's iteration limit, a Ctrl-C at a progress report) leaves the
// log with every line written so far.
#include <cmath>
#include <cstdarg>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>

#include "core/fatal_exit.h"
#include "core/run_log.h"
#include "core/text_files.h"
#include "model/model_dat.h"
#include "post/step_summary.h"
#include "solver/detail_levels.h"

namespace kavrel {

namespace {

// Phase texts are formatted into the 80-character buffer the window expects.
__attribute__((format(printf, 1, 2))) std::string PhaseText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormatText(80, format, args);
  va_end(args);
  return text;
}

long long Now() { return static_cast<long long>(std::time(nullptr)); }

// The SOR work on one seam since the tally was last cleared.
struct SolveTally {
  int sweeps = 0;
  int solves = 0;
  int largest = 0;
  void Add(int n) {
    sweeps += n;
    ++solves;
    if (n > largest) largest = n;
  }
};

// Seam `s` of the model as the summary reads it; the post-processed grids
// only when `postProcessed` (they hold the step's values only then).
SeamGridsView GridsOf(CModelDat& m, int s, bool postProcessed) {
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

int CModelDat::RunAnalysis() {
  // The pass state: detail level index L and pass measure M (the largest SOR
  // sweep count of the last pass). M carries over from step to step.
  runClock = Now();
  int M = 1001;
  int L = 3;

  progress->SetPhase("Initializing Data");
  AllocateArrays();
  progress->ShowElapsed(Now() - runClock);

  RunLog log = RunLog::Open(outFileName, "at");
  if (!log) {
    const int error = errno;
    ShowMessage("Error in Opening Output File - M1\n");
    ShowFileProblem(outFileName, error);
    throw FatalExit(1);
  }

  const bool lms = lmsPillarCount > 0;

  // Closing of a timed phase: show the elapsed run time and give the phase's
  // duration in seconds.
  auto finishPhase = [&](long long phaseStart) {
    const long long now = Now();
    progress->ShowElapsed(now - runClock);
    return now - phaseStart;
  };

  auto solve = [&](int s) {
    if (faultCalc == 1)
      return SolveSeamWithFault(convergence[s], fineCodes[s], s, nx, ny, elementWidth,
                                seamThickness[s], totalStress[s], overburdenStress[s],
                                surfaceEffectStress[s], interseamStress[s], preCalculatedStress[s],
                                log);
    return SolveSeam(convergence[s], fineCodes[s], s, nx, ny, elementWidth, seamThickness[s],
                     totalStress[s], overburdenStress[s], surfaceEffectStress[s],
                     interseamStress[s], preCalculatedStress[s], log);
  };

  std::vector<SolveTally> tally(static_cast<std::size_t>(seamCount) + 1);
  auto bookSolve = [&](int s, int level, int sweeps, long long d) {
    profile[s].solutionLoops[level] += 1;
    profile[s].sorIterations[level] += sweeps;
    profile[s].sorSeconds[level] += d;
    tally[static_cast<std::size_t>(s)].Add(sweeps);
  };

  // The summary rows of every seam for the block just solved (and, when
  // `postProcessed`, post-processed); the tallies start again afterwards.
  summaryRows.clear();
  summaryFileName = inputFolder + inputFileTitle + ".summary.csv";
  auto summarise = [&](int step, int p, bool postProcessed) {
    for (int s = 1; s <= seamCount; ++s) {
      StepSummaryRow row;
      row.step = step;
      row.lmsRun = p;
      row.seam = s;
      row.seamSummary = SummariseSeam(GridsOf(*this, s, postProcessed));
      const SolveTally& t = tally[static_cast<std::size_t>(s)];
      row.sorSweeps = t.sweeps;
      row.sorSolves = t.solves;
      row.largestSolve = t.largest;
      summaryRows.push_back(row);
    }
    tally.assign(tally.size(), SolveTally());
  };

  if (topographicStress == 1) {
    const long long start = Now();
    TopographicStresses(log);
    const long long d = finishPhase(start);
    profile[0].topoSeconds = d;
    log.Printf("Total Time for Topographic Stress Calculations was %lli secs.\n\n", d);
  }

  if (staticStress == 1) {
    const long long start = Now();
    // Static stresses asked for and not read: the run would silently go on
    // without them, so it stops with the reader's result.
    const int read = StaticStressReader(log);
    if (read != 0) throw FatalExit(read);
    const long long d = finishPhase(start);
    profile[0].staticSeconds = d;
    log.Printf("Total Time for Reading in Static Stresses was %lli secs.\n\n", d);
  }

  for (int step = 1; step <= stepCount; ++step) {
    progress->SetStep(step);
    ReadStepCodes(previousCodes, fineCodes, step, log);

    L = 3;
    progress->OpenSeamPanel();
    progress->SetLevel(3);

    // First solve of every seam with the coupling stresses as they stand.
    for (int s = 1; s <= seamCount; ++s) {
      progress->SetPrimarySeam(s);
      progress->SetSecondarySeam(0);
      progress->SetPhase(PhaseText("Calculating Seam %i Displacements", s));
      log.Printf("Entering SOR - Step %i, Seam %i, Level %i\n\n", step, s, 3);
      const long long start = Now();
      const int sweeps = solve(s);
      const long long d = finishPhase(start);
      bookSolve(s, 3, sweeps, d);
      log.Printf("Step %i, Seam %i, Level %i - SOR took %i iterations %lli secs to converge \n\n",
                 step, s, 3, sweeps, d);
    }

    for (int p = 0; p <= lmsPillarCount; ++p) {
      StartLmsPillar(p, log, M, L);
      // "LMS Pillar <p>, " in the lines that name the pillar being removed.
      const std::string pillarText = lms ? PhaseText("LMS Pillar %i, ", p) : std::string();
      const char* const pillar = pillarText.c_str();

      // A pass runs while the level's seams need more sweeps than its
      // threshold, and at least once at every level above the finest.
      int passesAtLevel = 0;
      while (M > kLevelThreshold[L] || L > 0) {
        // A level whose passes keep needing more sweeps than its threshold
        // would otherwise repeat for ever.
        if (++passesAtLevel > maxPassesPerLevel) {
          char text[200];
          if (lms)
            std::snprintf(text, sizeof text,
                          "Detail Level %i did not Settle in %i Passes - Step %i, LMS Pillar %i "
                          "- M2\n",
                          L, maxPassesPerLevel, step, p);
          else
            std::snprintf(text, sizeof text,
                          "Detail Level %i did not Settle in %i Passes - Step %i - M2\n", L,
                          maxPassesPerLevel, step);
          log.Printf("%s\n", text);
          log.Close();
          ShowMessage(text);
          throw FatalExit(1);
        }

        // Coupling recomputation from the coarsened source seams.
        if (M > 1 && (seamCount > 1 || surfaceEffects == 1)) {
          const int f = kLevelFactor[L];
          levelNx = nx / f;
          levelNy = ny / f;
          levelElementWidth = f * elementWidth;
          surfaceEffectStress.Fill(0.0);
          interseamStress.Fill(0.0);

          for (int j = 1; j <= seamCount; ++j) {
            progress->SetPrimarySeam(j);
            AverageToLevel(convergence[j], nx, ny, coarseConvergence, levelNx, levelNy, f);

            for (int k = 1; k <= seamCount; ++k) {
              if (k == j) continue;
              progress->SetPhase(
                  PhaseText("Calculating Multi-Seam Stresses, %sSeam %i -> %i", pillar, j, k));
              log.Printf(
                  "Calculating Interseam Stresses - Step %i, %sSeam %i on Seam %i, Level %i\n\n",
                  step, pillar, j, k, L);
              progress->SetSecondarySeam(k);
              const long long start = Now();
              AddInfluence(coarseConvergence, levelNx, levelNy, levelElementWidth, seamX[j],
                           seamY[j], interseamStress[k], nx, ny, elementWidth, seamX[k], seamY[k],
                           seamZ[j] - seamZ[k], 0);
              const long long d = finishPhase(start);
              profile[j].interseamSeconds[L] += d;
              log.Printf(
                  "Interseam Stress Calculation - Step %i, %sSeam %i on Seam %i, Level %i took "
                  "%lli secs.\n\n",
                  step, pillar, j, k, L, d);
            }

            if (surfaceEffects == 1) {
              progress->SetPhase("Calculating Surface Effect Stresses");
              for (int k = 1; k <= seamCount; ++k) {
                progress->SetPhase("Calculating Mirror-Image Stresses");
                std::string text;
                if (lms) {
                  text = PhaseText(
                      "Calculating Mirror-Image Stresses, LMS Pillar %i, Seam %i -> %i", p, j, k);
                  log.Printf(
                      "Calculating Mirror-Image Stresses - Step %i, LMS PIllar %i, Seam %i on Seam "
                      "%i, Level %i\n\n",
                      step, p, j, k, L);
                } else {
                  text = PhaseText("Calculating Mirror-Image Stresses, %i -> %i", j, k);
                  log.Printf(
                      "Calculating Mirror-Image Stresses - Step %i, Seam %i on Seam %i, Level "
                      "%i\n\n",
                      step, j, k, L);
                }
                progress->SetPhase(text);
                progress->SetSecondarySeam(k);
                const long long start = Now();
                AddInfluence(coarseConvergence, levelNx, levelNy, levelElementWidth, seamX[j],
                             seamY[j], surfaceEffectStress[k], nx, ny, elementWidth, seamX[k],
                             seamY[k], seamZ[j] + seamZ[k], 1);
                const long long d = finishPhase(start);
                profile[j].surfaceSeconds[L] += d;
                log.Printf(
                    "Mirror Stress Calculation - Step %i, %sSeam %i on Seam %i, Level %i took %lli "
                    "secs.\n\n",
                    step, pillar, j, k, L, d);
              }
            }
          }
        }

        // SOR pass over every seam.
        M = 0;
        for (int l = 1; l <= seamCount; ++l) {
          if (arraysAllocated == 1) {
            double** u = convergence[l];
            double** old = oldConvergence[l];
            for (int x = 0; x <= nx + 1; ++x) {
              const double* uRow = u[x];
              double* oldRow = old[x];
              for (int y = 0; y <= ny + 1; ++y) oldRow[y] = uRow[y];
            }
            const std::string text = PhaseText("Saving Old Disps for Seam %i", l);
            log.Printf("Saving Old Displacements for Step %i, Seam %i, Level %i\n\n", step, l, L);
            progress->SetPhase(text);
          }

          progress->SetPrimarySeam(l);
          progress->SetSecondarySeam(0);
          // The phase names the pillar after the seam.
          progress->SetPhase(
              lms ? PhaseText("Calculating Seam %i Displacements - LMS Pillar %i", l, p)
                  : PhaseText("Calculating Seam %i Displacements", l));
          log.Printf("Entering SOR - Step %i, %sSeam %i, Level %i\n\n", step, pillar, l, L);

          const long long start = Now();
          const int sweeps = solve(l);
          const long long d = finishPhase(start);
          bookSolve(l, L, sweeps, d);
          log.Printf(
              "Step %i, %sSeam %i, Level %i - SOR took %i iterations %lli secs to converge \n\n",
              step, pillar, l, L, sweeps, d);

          if (sweeps > M) M = sweeps;

          // Two last maximum changes of opposite sign: the seam oscillates
          // between solves, so start its next solve from the mean.
          const double a = maxDisplacement[l][0];
          const double b = maxDisplacement[l][1];
          if (arraysAllocated == 1 && std::abs(a + b) != std::abs(a) + std::abs(b)) {
            double** u = convergence[l];
            double** old = oldConvergence[l];
            for (int x = 0; x <= nx + 1; ++x) {
              double* uRow = u[x];
              const double* oldRow = old[x];
              for (int y = 0; y <= ny + 1; ++y) uRow[y] = (oldRow[y] + uRow[y]) * 0.5;
            }
            const std::string avgText = PhaseText("Averaging Displacements for Seam %i", l);
            log.Printf("Averaging Displacements for Step %i, Seam %i, Level %i\n\n", step, l, L);
            progress->SetPhase(avgText);
          }
        }

        // Settled at this level: step down to the next finer one, which
        // always gets at least one pass.
        if (M <= kLevelThreshold[L] && L > 0) {
          L = L - 1;
          M = kLevelThreshold[L] + 1;
          progress->SetLevel(L);
          passesAtLevel = 0;
        }
      }

      if (p < lmsPillarCount) summarise(step, p, false);
      FinishLmsPillar(step, p, log);
    }

    if (lms) ReleasePillars();

    // ---- post-processing of the step ----
    if (safetyFactors == 1) {
      for (int s = 1; s <= seamCount; ++s) {
        const long long start = Now();
        progress->SetPhase(PhaseText("Calculating Safety Factors for Seam %i", s));
        progress->SetPrimarySeam(s);
        progress->SetSecondarySeam(0);
        log.Printf("Calculating Safety Factors for Seam %i\n\n", s);
        IdentifyPillars(s);
        ElementSafetyFactors(convergence, fineCodes, seamThickness, elementStrainSF, s);
        PillarSafetyFactors(pillarStressSF, pillarStrainSF, s, log);
        ReleasePillars();
        const long long d = finishPhase(start);
        log.Printf("Safety Factor Calculation for Seam %i took %lli secs.\n\n", s, d);
      }
    }

    if (energyValues == 1) {
      for (int s = 1; s <= seamCount; ++s) {
        const long long start = Now();
        progress->SetPhase(PhaseText("Calculating Energy Values for Seam %i", s));
        progress->SetPrimarySeam(s);
        progress->SetSecondarySeam(0);
        log.Printf("Calculating Energy Values for Seam %i\n\n", s);
        CalculateEnergy(step, s);
        const long long d = finishPhase(start);
        log.Printf("Energy Calculation for Seam %i took %lli secs.\n\n", s, d);
      }
    }

    if (remoteStrains == 1) {
      DCube* remote[5] = {&remoteDisplacement, &remoteXSlope, &remoteYSlope, &remoteXStrain,
                          &remoteYStrain};
      for (DCube* cube : remote) cube->Fill(0.0);

      for (int g = 1; g <= seamCount; ++g) {
        progress->SetPrimarySeam(g);
        for (int h = 1; h <= seamCount; ++h) {
          if (h == g) continue;
          progress->SetPhase(PhaseText("Calculating Remote Displacements, %i -> %i", g, h));
          progress->SetSecondarySeam(h);
          log.Printf("Calculating Remote Displacements - Step %i, Seam %i on Seam %i, Level %i\n\n",
                     step, g, h, L);
          const long long start = Now();
          RemoteDisplacement(convergence[g], nx, ny, elementWidth, seamX[g], seamY[g],
                             remoteDisplacement[h], nx, ny, elementWidth, seamX[h], seamY[h],
                             seamZ[g] - seamZ[h], 0);
          const long long d = finishPhase(start);
          profile[g].interseamSeconds[L] += d;
          log.Printf(
              "Interseam Displacement Calculation - Step %i, Seam %i on Seam %i, Level %i took "
              "%lli secs.\n\n",
              step, g, h, L, d);
        }
      }

      if (surfaceEffects == 1) {
        for (int g = 1; g <= seamCount; ++g) {
          for (int h = 1; h <= seamCount; ++h) {
            progress->SetPhase(PhaseText("Calculating MI Remote Displacements, %i -> %i", g, h));
            progress->SetSecondarySeam(h);
            log.Printf(
                "Calculating Mirror-Image Remote Displacements - Step %i, Seam %i on Seam %i, "
                "Level %i\n\n",
                step, g, h, L);
            const long long start = Now();
            // From the image of seam g, at the negated elevation, to seam h.
            RemoteDisplacement(convergence[g], nx, ny, elementWidth, seamX[g], seamY[g],
                               remoteDisplacement[h], nx, ny, elementWidth, seamX[h], seamY[h],
                               -seamZ[g] - seamZ[h], 1);
            const long long d = finishPhase(start);
            profile[g].surfaceSeconds[L] += d;
            log.Printf(
                "MI Remote Displacement Calculation - Step %i, Seam %i on Seam %i, Level %i took "
                "%lli secs.\n\n",
                step, g, h, L, d);
          }
        }
      }

      for (int s = 1; s <= seamCount; ++s)
        RemoteStrains(nx, ny, remoteDisplacement[s], elementWidth, remoteXSlope[s], remoteYSlope[s],
                      remoteXStrain[s], remoteYStrain[s]);
    }

    if (roofBending == 1) {
      for (int s = 1; s <= seamCount; ++s) {
        const long long start = Now();
        progress->SetPhase(PhaseText("Calculating Roof Stresses for Seam %i", s));
        progress->SetPrimarySeam(s);
        progress->SetSecondarySeam(0);
        log.Printf("Calculating Roof Stresses for Seam %i\n\n", s);
        RoofStresses(s);
        const long long d = finishPhase(start);
        log.Printf("Roof Stress Calculations for Seam %i took %lli secs.\n\n", s, d);
      }
    }

    if (offSeamCalc >= 1) {
      if (offSeamDisplacement >= 1) {
        progress->OpenProjectionPanel();
        progress->SetProjectionCaption(ProjectionKind::Displacement);
        const long long start = Now();
        OffSeamDisplacements(step);
        const long long d = finishPhase(start);
        log.Printf("Time for Off-Seam Disp. Calc. for Step %i was %lli secs.\n\n", step, d);
        progress->SetProjectionCaption(ProjectionKind::Stress);
        profile[0].offSeamSeconds += d;
      }
      if (offSeamStress >= 1) {
        progress->OpenProjectionPanel();
        progress->SetProjectionCaption(ProjectionKind::Stress);
        const long long start = Now();
        if (OffSeamStresses(step) != 0) throw FatalExit(1);
        const long long d = finishPhase(start);
        log.Printf("Time for Off-Seam Stress Calc. for Step %i was %lli secs.\n\n", step, d);
        profile[0].offSeamSeconds += d;
      }
    }

    summarise(step, lmsPillarCount, true);
    PrintStepProfile(step, log);
    if (WriteResults(step == 1 && lms ? 2 : step) != 0) throw FatalExit(1);
    WriteSummaryFile(step);
  }

  PrintRunProfile(log);
  const long long now = Now();
  const long long t = now - progress->RunStartTime();
  progress->ShowElapsed(t);
  log.Printf("Total program running time was %lli secs\n\n", t);

  log.Close();
  progress->CloseSeamPanel();
  progress->SetPhase("Finished");
  ReleaseArrays();
  return 0;
}

}  // namespace kavrel
