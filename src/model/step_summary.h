// The step summary: per step, LMS run and seam, the figures an engineer looks
// for first (peak convergence and where, coal stress, how much coal has gone
// past its peak, mined-out area, pillars, the weakest pillar, energy
// released, the solver's work). The run computes the rows (post/
// step_summary.cpp), MODEL.summary.csv holds them, and the console prints
// them as a table at the end of a run. Values are held here in the model's
// internal units; the writer and the table scale them to the output units.
#pragma once

#include <string>
#include <vector>

namespace kavrel {

struct SeamSummary {
  double maxConvergence = 0;  // internal length unit
  int maxI = 0, maxJ = 0;     // element of the maximum (first in X-outer order)
  int coalElements = 0;       // material types 1 to 3
  double maxCoalStress = 0;   // internal stress unit; 0 without coal
  double meanCoalStress = 0;
  // Coal elements at or past the strain where their law leaves its elastic
  // branch (the peak strain of strain-softening and elastic-plastic coal).
  int yieldedElements = 0;
  int minedOutElements = 0;
  int pillars = 0;  // edge-connected regions of elements that are not mined out
  // The smallest non-zero pillar safety factors and an element of that
  // pillar, when safety factors were computed for this block.
  bool hasSafetyFactors = false;
  double minStressSF = 0;
  int minStressI = 0, minStressJ = 0;
  double minStrainSF = 0;
  int minStrainI = 0, minStrainJ = 0;
  // Sum of the total energy released over the seam, when computed.
  bool hasEnergy = false;
  double energyReleased = 0;  // internal energy unit

  double YieldedShare() const {
    return coalElements > 0 ? static_cast<double>(yieldedElements) / coalElements : 0.0;
  }
};

struct StepSummaryRow {
  int step = 0;
  int lmsRun = 0;  // 0 without LMS pillars
  int seam = 0;
  SeamSummary seamSummary;
  int sorSweeps = 0;     // every SOR sweep of this seam in this step (or LMS run)
  int sorSolves = 0;     // SOR solves of this seam in it (one per pass, and the first)
  int largestSolve = 0;  // sweeps of its longest solve
};

// What the writer needs to put rows into output units and name columns.
struct SummaryUnits {
  std::string length, stress, energy;
  double lengthFactor = 1, stressFactor = 1, energyFactor = 1;
  double elementWidth = 0;  // internal length unit
  std::vector<double> originX, originY;  // per seam (index seam - 1), internal
};

// The header line of MODEL.summary.csv, with a line end.
std::string SummaryHeader(const SummaryUnits& units);
// One data line, with a line end.
std::string SummaryLine(const StepSummaryRow& row, const SummaryUnits& units);

// One sentence per suspect figure, without "warning: " and without a line
// end: most of a seam's coal past its peak strain in the first step (the rock
// and coal properties rarely fit together then), or one SOR solve that used
// more than half of the `maxIterations` sweeps it was allowed.
std::vector<std::string> SuspectResults(const std::vector<StepSummaryRow>& rows,
                                        int maxIterations);

// Writes `rows` to `path`: `create` starts the file with its header, else the
// rows are appended. False when the file cannot be opened or written.
[[nodiscard]] bool WriteSummaryRows(const std::string& path, bool create,
                                    const SummaryUnits& units,
                                    const std::vector<StepSummaryRow>& rows);

}  // namespace kavrel
