// The figures of one seam's converged block for the step summary, from
// explicit views of its grids: nothing here reads the model record.
#pragma once

#include "model/step_summary.h"

namespace kavrel {

// One seam's grids, indexed [1..nx][1..ny] (borders beyond are not read), in
// the model's internal units. The optional grids are null when the block has
// no such values.
struct SeamGridsView {
  int nx = 0;
  int ny = 0;
  double thickness = 0;
  const double* const* convergence = nullptr;
  const double* const* totalStress = nullptr;
  const char* const* codes = nullptr;
  const int* materialType = nullptr;             // [52], types 1..6
  const double (*materialProps)[5] = nullptr;    // [52][5]; slot 1 the peak strain of coal
  const double* const* pillarStressSF = nullptr;
  const double* const* pillarStrainSF = nullptr;
  const double* const* totalEnergyReleased = nullptr;
};

SeamSummary SummariseSeam(const SeamGridsView& seam);

}  // namespace kavrel
