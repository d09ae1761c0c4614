// One line per step, LMS run and seam, in fixed-width columns that a
// terminal shows aligned; figures not computed show as "-".
#include "shell/console/summary_table.h"

#include "core/text_files.h"

namespace kavrel::console {

std::string SummaryTable(const std::vector<StepSummaryRow>& rows, const SummaryUnits& u,
                         const std::string& csvName) {
  if (rows.empty()) return {};
  const std::string conv = "max conv. (" + u.length + ")";
  const std::string stress = "max coal (" + u.stress + ")";
  std::string text = "Step summary (every figure in " + csvName + "):\n";
  text += FormatText(256, "%4s %4s %4s  %16s  %11s  %16s  %9s  %7s  %10s  %10s\n", "step", "lms",
                     "seam", conv.c_str(), "at (i, j)", stress.c_str(), "past peak", "pillars",
                     "min pil SF", "SOR sweeps");
  for (const StepSummaryRow& row : rows) {
    const SeamSummary& m = row.seamSummary;
    const std::string at = FormatText(32, "(%d, %d)", m.maxI, m.maxJ);
    const std::string share = FormatText(32, "%.1f %%", 100 * m.YieldedShare());
    const std::string sf = m.hasSafetyFactors ? FormatText(32, "%.3g", m.minStressSF) : "-";
    text += FormatText(256, "%4d %4d %4d  %16.5g  %11s  %16.5g  %9s  %7d  %10s  %10d\n", row.step,
                       row.lmsRun, row.seam, m.maxConvergence * u.lengthFactor, at.c_str(),
                       m.maxCoalStress * u.stressFactor, share.c_str(), m.pillars, sf.c_str(),
                       row.sorSweeps);
  }
  return text;
}

}  // namespace kavrel::console
