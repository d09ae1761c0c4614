// The run's profile tables in the log, as free functions over the timing
// records, so that the tables can be written (and tested) from the records
// alone; CModelDat::PrintStepProfile and PrintRunProfile forward here.
//
// `profile` is the model's record array: profile[s] for seam s = 1..10 and
// profile[0] for the whole run. Counts are solves and sweeps, times whole
// seconds; slot L of the four-slot counters is detail level L (3 = coarsest).
#pragma once

#include "core/run_log.h"
#include "model/model_dat.h"

namespace kavrel {

// Writes one table per seam 1..seamCount (at most 10) for `step`, and after
// each seam's table moves its per-level counters into profile[0] and clears
// them, so that each step's table shows that step alone.
void PrintStepProfile(int step, int seamCount, SeamProfile (&profile)[11], RunLog& log);

// Writes the cumulative table of the run record `run`, after the total
// topographic and off-seam times of the options that are on.
void PrintRunProfile(const SeamProfile& run, bool topographicStress, bool offSeam, RunLog& log);

}  // namespace kavrel
