// Local mine stiffness: within a step, after the base solution (run 0) every
// LMS pillar p of seam 1 is mined out in turn (run p) and the change of its
// average stress over the change of its average convergence is the stiffness
// of the surrounding mine, to be compared with the pillar's own stiffness.
//
// The pillars are identified once, after run 0; their element records keep
// the original code characters, from which the codes of seam 1 are restored
// after each removal run. The pillar list stays alive until the run driver
// releases it after the last removal run.
#include "post/local_mine_stiffness.h"

#include <cstdio>
#include <vector>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "post/safety_factors.h"

namespace kavrel {

void MineOutPillar(const Pillar& pillar, char** codes) {
  for (const Element& e : pillar.elements) codes[e.x][e.y] = '1';
}

void RestorePillar(const Pillar& pillar, char** codes) {
  for (const Element& e : pillar.elements) codes[e.x][e.y] = e.code;
}

void WriteLocalMineStiffnessTable(int step, std::span<const LmsTableRow> rows, RunLog& log) {
  log.Printf("  LOCAL MINE STIFFNESS CALCULATION FOR STEP %3i\n", step);
  log.Printf(
      "  PILLAR    X      Y        INITIAL         FINAL     INITIAL       FINAL         "
      "MINE         PILLAR\n");
  log.Printf(
      "    NO.   INDEX  INDEX      STRESS          STRESS     DISP.        DISP.       "
      "STIFFNESS     STIFFNESS\n");
  int p = 0;
  for (const LmsTableRow& r : rows)
    log.Printf("  %3i   %6i %6i %12.0f %12.0f %12.3f %12.3f  %12.0f %12.0f \n", ++p, r.x, r.y,
               r.initialStress, r.finalStress, r.initialConvergence, r.finalConvergence,
               r.mineStiffness, r.pillarStiffness);
  log.Printf("\n");
  p = 0;
  for (const LmsTableRow& r : rows) {
    ++p;
    if (r.finalConvergence - r.initialConvergence == 0.0)
      log.Printf(
          "LMS Pillar %i: removing it left its average convergence unchanged, so its "
          "mine stiffness is undefined\n\n",
          p);
  }
}

// ---- the model's operations ------------------------------------------------------

namespace {

// The pillar of seam 1 at LMS location p, or null (also for a location
// outside the grid).
Pillar* LmsPillar(const CModelDat& m, int p) {
  const int x = m.lmsX[p];
  const int y = m.lmsY[p];
  if (!m.pillarGrid || x < 1 || x > m.nx || y < 1 || y > m.ny) return nullptr;
  return m.pillarGrid[x][y];
}

}  // namespace

void CModelDat::StartLmsPillar(int p, RunLog& /*log*/, int& M, int& L) {
  if (p < 1) return;
  if (const Pillar* pillar = LmsPillar(*this, p)) MineOutPillar(*pillar, fineCodes[1]);
  M = 1001;
  L = 3;
  progress->OpenSeamPanel();
  progress->SetLevel(3);
}

void CModelDat::FinishLmsPillar(int step, int p, RunLog& log) {
  if (lmsPillarCount < 1) return;

  if (p == 0) {
    IdentifyPillars(1);
    for (int q = 1; q <= lmsPillarCount; ++q) {
      Pillar* pillar = LmsPillar(*this, q);
      if (!pillar) {
        char text[120];
        std::snprintf(text, sizeof text,
                      "Grid Location X= %i, Y= %i for LMS Pillar %i is not in a pillar - LMSC1\n",
                      lmsX[q], lmsY[q], q);
        ShowMessage(text);
        throw FatalExit(1);
      }
      LmsResult& r = lmsResults[q];
      PillarStiffness(1, pillar, r.initialStress, r.initialConvergence, r.pillarStiffness);
    }
  } else {
    Pillar* pillar = LmsPillar(*this, p);
    if (pillar) {
      LmsResult& r = lmsResults[p];
      PillarAverages(1, pillar, r.finalStress, r.finalConvergence);
      r.mineStiffness =
          (r.finalStress - r.initialStress) / (r.finalConvergence - r.initialConvergence);
      RestorePillar(*pillar, fineCodes[1]);
    }
  }

  if (p == lmsPillarCount) {
    WriteLmsTable(step, log);
  } else {
    if (WriteResults(step == 1 && p > 0 ? 2 : step) != 0) throw FatalExit(1);
  }
}

void CModelDat::PillarAverages(int seam, Pillar* pillar, double& averageStress,
                               double& averageConvergence) {
  const PillarMeans means = PillarMeansOf(Seam(seam), *pillar);
  averageStress = means.stress;
  averageConvergence = means.convergence;
}

void CModelDat::WriteLmsTable(int step, RunLog& log) {
  std::vector<LmsTableRow> rows;
  for (int p = 1; p <= lmsPillarCount; ++p) {
    const LmsResult& r = lmsResults[p];
    rows.push_back({lmsX[p], lmsY[p], r.initialStress, r.finalStress, r.initialConvergence,
                    r.finalConvergence, r.mineStiffness, r.pillarStiffness});
  }
  WriteLocalMineStiffnessTable(step, rows, log);
}

}  // namespace kavrel
