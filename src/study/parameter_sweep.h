// One summary column of a collected study against one parameter: the points
// `kavrel plot --study` draws. They come from collected.csv, so a plot shows
// exactly what the table holds.
#pragma once

#include <string>
#include <vector>

namespace kavrel::study {

struct SweepPoint {
  int caseId = 0;
  double parameter = 0;
  double value = 0;
};

// The points of `column` against `parameter` in the text of collected.csv:
// one per case with status "ok", from its row of seam `seam`, LMS run 0 and
// step `step` (0: the case's last step). False with `error` (one sentence)
// when the table has no such parameter or column (the sentence lists those
// it has), or no case has that row.
[[nodiscard]] bool ParameterSweep(const std::string& collectedTable, const std::string& parameter,
                                  const std::string& column, int seam, int step,
                                  std::vector<SweepPoint>& points, std::string& error);

}  // namespace kavrel::study
