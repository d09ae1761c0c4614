// Local mine stiffness: the pieces of the removal runs of a step that need
// no model record. A removal run mines out one LMS pillar of seam 1 and puts
// it back afterwards; the change of the pillar's mean stress over the change
// of its mean convergence is the stiffness of the surrounding mine, which the
// log table sets beside the pillar's own stiffness. The run's order of
// removal runs and result blocks stays with the model's operations.
#pragma once

#include <span>

#include "core/run_log.h"
#include "post/pillars.h"

namespace kavrel {

// Sets the code of every element of `pillar` in codes[1..nx][1..ny] to the
// mined-out '1'.
void MineOutPillar(const Pillar& pillar, char** codes);

// Puts back the code each element of `pillar` had when it was identified.
void RestorePillar(const Pillar& pillar, char** codes);

// One row of the LMS table: the pillar's grid location, its mean stress and
// convergence before and after its removal, and the two stiffnesses.
struct LmsTableRow {
  int x = 0, y = 0;
  double initialStress = 0, finalStress = 0;
  double initialConvergence = 0, finalConvergence = 0;
  double mineStiffness = 0, pillarStiffness = 0;
};

// Writes the LMS table of `step` to the log, rows[0] being LMS pillar 1, then
// a note for every pillar whose removal left its mean convergence unchanged
// (its mine stiffness is undefined).
void WriteLocalMineStiffnessTable(int step, std::span<const LmsTableRow> rows, RunLog& log);

}  // namespace kavrel
