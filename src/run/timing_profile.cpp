// The run's profile tables in the log: one table per seam after every step
// and the cumulative table at the end of the run. Counts and seconds are
// gathered by the run driver into profile[s] (seam s, by detail level).
//
// Each step's table shows that step alone: after a seam's table its
// per-level counters are moved into the run record profile[0] and cleared,
// so the cumulative table counts every solve and every second exactly once.
#include "run/timing_profile.h"

#include <cstdio>

namespace kavrel {

namespace {

const char* const kRule = "-----------------------------------------------------------------------\n";
const char* const kHeader1 = "|  Detail | Solution|   SOR   |   SOR   | Surface |InterSeam|  Total  |\n";
const char* const kHeader2 = "|  Level  |  Loops  |  Iters. |  Secs.  |  Secs.  |  Secs.  |  Secs.  |\n";

struct ColumnSums {
  long long loops = 0, iterations = 0, sor = 0, surface = 0, interseam = 0, total = 0;
};

void WriteTableHead(RunLog& log) {
  log.Write(kRule);
  log.Write(kHeader1);
  log.Write(kHeader2);
  log.Write(kRule);
}

void WriteLevelRow(RunLog& log, const SeamProfile& p, int level, ColumnSums& sums) {
  const long long total = p.sorSeconds[level] + p.surfaceSeconds[level] + p.interseamSeconds[level];
  log.Printf("|   %2i    |  %5i  | %7i | %7lld | %7lld | %7lld | %7lld |\n", level,
             p.solutionLoops[level], p.sorIterations[level], p.sorSeconds[level],
             p.surfaceSeconds[level], p.interseamSeconds[level], total);
  sums.loops += p.solutionLoops[level];
  sums.iterations += p.sorIterations[level];
  sums.sor += p.sorSeconds[level];
  sums.surface += p.surfaceSeconds[level];
  sums.interseam += p.interseamSeconds[level];
  sums.total += total;
}

void WriteTableFoot(RunLog& log, const ColumnSums& s) {
  log.Write(kRule);
  log.Printf("             %5lld    %7lld   %7lld   %7lld   %7lld   %7lld  \n\n\n", s.loops,
             s.iterations, s.sor, s.surface, s.interseam, s.total);
}

}  // namespace

void PrintStepProfile(int step, int seamCount, SeamProfile (&profile)[11], RunLog& log) {
  log.Printf("Profile Information for Step %i\n\n", step);
  SeamProfile& run = profile[0];
  for (int s = 1; s <= seamCount && s <= 10; ++s) {
    SeamProfile& seam = profile[s];
    log.Printf("For Seam #%i --\n", s);
    WriteTableHead(log);
    ColumnSums sums;
    for (int level = 3; level >= 0; --level) {
      run.solutionLoops[level] += seam.solutionLoops[level];
      run.sorIterations[level] += seam.sorIterations[level];
      run.sorSeconds[level] += seam.sorSeconds[level];
      run.surfaceSeconds[level] += seam.surfaceSeconds[level];
      run.interseamSeconds[level] += seam.interseamSeconds[level];
      WriteLevelRow(log, seam, level, sums);
    }
    WriteTableFoot(log, sums);
    for (int level = 0; level < 4; ++level) {
      seam.solutionLoops[level] = 0;
      seam.sorIterations[level] = 0;
      seam.sorSeconds[level] = 0;
      seam.surfaceSeconds[level] = 0;
      seam.interseamSeconds[level] = 0;
    }
  }
}

void PrintRunProfile(const SeamProfile& run, bool topographicStress, bool offSeam, RunLog& log) {
  if (topographicStress)
    log.Printf("Total Time for Topographic Stress Calculations was %lld secs.\n\n",
               run.topoSeconds);
  if (offSeam)
    log.Printf("Total Time for Off-Seam Displacement Calculations was %lld secs.\n\n",
               run.offSeamSeconds);
  log.Write("Final Cumulative Profile Information for all Steps and Seams.\n");
  WriteTableHead(log);
  ColumnSums sums;
  for (int level = 3; level >= 0; --level) WriteLevelRow(log, run, level, sums);
  WriteTableFoot(log, sums);
}

void CModelDat::PrintStepProfile(int step, RunLog& log) {
  kavrel::PrintStepProfile(step, seamCount, profile, log);
}

void CModelDat::PrintRunProfile(RunLog& log) {
  kavrel::PrintRunProfile(profile[0], topographicStress == 1, offSeamCalc >= 1, log);
}

}  // namespace kavrel
