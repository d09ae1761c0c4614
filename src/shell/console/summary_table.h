// The step summary as `kavrel run` prints it at the end of a run: a short
// table on standard output (the full rows are in MODEL.summary.csv).
#pragma once

#include <string>
#include <vector>

#include "model/step_summary.h"

namespace kavrel::console {

// The table, with a title line naming `csvName` and a line end after each
// line; empty when there are no rows.
std::string SummaryTable(const std::vector<StepSummaryRow>& rows, const SummaryUnits& units,
                         const std::string& csvName);

}  // namespace kavrel::console
