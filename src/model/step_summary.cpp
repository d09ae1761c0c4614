// MODEL.summary.csv: one comma-separated row per step, LMS run and seam, the
// columns named with their output units; a figure that was not computed for
// a row (safety factors, energies) is an empty field.
#include "model/step_summary.h"

#include <cctype>
#include <cerrno>
#include <cstdio>

#include "core/fatal_exit.h"
#include "core/text_files.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

// A unit label as it may follow a column name: "in-lbs" -> "in_lbs".
std::string UnitTag(const std::string& unit) {
  std::string tag;
  for (const char c : unit) tag += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return tag;
}

std::string Number(double value) { return FormatText(32, "%.6g", value); }

}  // namespace

std::string SummaryHeader(const SummaryUnits& u) {
  const std::string l = UnitTag(u.length), s = UnitTag(u.stress), e = UnitTag(u.energy);
  return "step,lms_run,seam,max_convergence_" + l + ",max_convergence_i,max_convergence_j," +
         "max_convergence_x_" + l + ",max_convergence_y_" + l + ",coal_elements," +
         "max_coal_stress_" + s + ",mean_coal_stress_" + s + ",yielded_coal_elements," +
         "yielded_coal_share,mined_out_area_" + l + "2,pillars,min_pillar_stress_sf," +
         "min_pillar_stress_sf_i,min_pillar_stress_sf_j,min_pillar_strain_sf," +
         "min_pillar_strain_sf_i,min_pillar_strain_sf_j,energy_released_" + e +
         ",sor_sweeps,sor_solves,largest_sor_solve\n";
}

std::string SummaryLine(const StepSummaryRow& row, const SummaryUnits& u) {
  const SeamSummary& m = row.seamSummary;
  const double w = u.elementWidth;
  const double x0 = u.originX.at(static_cast<std::size_t>(row.seam - 1));
  const double y0 = u.originY.at(static_cast<std::size_t>(row.seam - 1));
  std::string line = std::to_string(row.step) + "," + std::to_string(row.lmsRun) + "," +
                     std::to_string(row.seam) + ",";
  line += Number(m.maxConvergence * u.lengthFactor) + "," + std::to_string(m.maxI) + "," +
          std::to_string(m.maxJ) + "," + Number((x0 + (m.maxI - 0.5) * w) * u.lengthFactor) +
          "," + Number((y0 + (m.maxJ - 0.5) * w) * u.lengthFactor) + ",";
  line += std::to_string(m.coalElements) + "," + Number(m.maxCoalStress * u.stressFactor) + "," +
          Number(m.meanCoalStress * u.stressFactor) + "," + std::to_string(m.yieldedElements) +
          "," + Number(m.YieldedShare()) + ",";
  line += Number(m.minedOutElements * (w * u.lengthFactor) * (w * u.lengthFactor)) + "," +
          std::to_string(m.pillars) + ",";
  if (m.hasSafetyFactors) {
    line += Number(m.minStressSF) + "," + std::to_string(m.minStressI) + "," +
            std::to_string(m.minStressJ) + "," + Number(m.minStrainSF) + "," +
            std::to_string(m.minStrainI) + "," + std::to_string(m.minStrainJ) + ",";
  } else {
    line += ",,,,,,";
  }
  line += (m.hasEnergy ? Number(m.energyReleased * u.energyFactor) : std::string()) + ",";
  line += std::to_string(row.sorSweeps) + "," + std::to_string(row.sorSolves) + "," +
          std::to_string(row.largestSolve) + "\n";
  return line;
}

SummaryUnits CModelDat::SummaryUnitsOf() const {
  SummaryUnits u;
  u.length = lengthUnit;
  u.stress = stressUnit;
  u.energy = energyUnit;
  u.lengthFactor = displacementOutputFactor;
  u.stressFactor = stressOutputFactor;
  u.energyFactor = energyOutputFactor;
  u.elementWidth = elementWidth;
  for (int s = 1; s <= seamCount; ++s) {
    u.originX.push_back(seamX[s]);
    u.originY.push_back(seamY[s]);
  }
  return u;
}

std::vector<std::string> SuspectResults(const std::vector<StepSummaryRow>& rows,
                                        int maxIterations) {
  std::vector<std::string> lines;
  for (const StepSummaryRow& row : rows) {
    std::string where = "step " + std::to_string(row.step);
    if (row.lmsRun > 0) where += ", LMS run " + std::to_string(row.lmsRun);
    where += ", seam " + std::to_string(row.seam);
    const SeamSummary& m = row.seamSummary;
    if (row.step == 1 && row.lmsRun == 0 && m.YieldedShare() > 0.5)
      lines.push_back(where + ": " + FormatText(32, "%.0f%%", 100 * m.YieldedShare()) +
                      " of the coal is at or past its peak strain in the first step; check the "
                      "coal strengths against the rock mass properties");
    if (maxIterations > 0 && row.largestSolve > maxIterations / 2)
      lines.push_back(where + ": one SOR solve took " + std::to_string(row.largestSolve) +
                      " of the " + std::to_string(maxIterations) +
                      " sweeps allowed; the seam may be close to not converging");
  }
  return lines;
}

void CModelDat::WriteSummaryFile(int step) {
  std::vector<StepSummaryRow> rows;
  for (const StepSummaryRow& row : summaryRows)
    if (row.step == step) rows.push_back(row);
  if (!WriteSummaryRows(summaryFileName, step == 1, SummaryUnitsOf(), rows)) {
    const int error = errno;
    ShowMessage("Error in Writing the Step Summary File - PSS1\n");
    ShowFileProblem(summaryFileName, error);
    throw FatalExit(1);
  }
}

bool WriteSummaryRows(const std::string& path, bool create, const SummaryUnits& units,
                      const std::vector<StepSummaryRow>& rows) {
  UniqueFile file(std::fopen(path.c_str(), create ? "w" : "a"));
  if (!file) return false;
  std::string text = create ? SummaryHeader(units) : std::string();
  for (const StepSummaryRow& row : rows) text += SummaryLine(row, units);
  std::fwrite(text.data(), 1, text.size(), file.get());
  return FinishFile(file);
}

}  // namespace kavrel
