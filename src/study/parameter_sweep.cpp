// Picking a column against a parameter out of collected.csv (see the header).
// The table's fixed columns (case, status, exit_status) and the summary's
// step, lms_run and seam are found by name, so the parameters may be any.
#include "study/parameter_sweep.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <sstream>

#include "study/study_collect.h"

namespace kavrel::study {

namespace {

template <typename T>
[[nodiscard]] bool Number(const std::string& text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

int IndexOf(const std::vector<std::string>& header, const std::string& name) {
  const auto at = std::find(header.begin(), header.end(), name);
  return at == header.end() ? -1 : static_cast<int>(at - header.begin());
}

std::string Joined(const std::vector<std::string>& names, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t k = from; k < to && k < names.size(); ++k)
    text += (k > from ? " " : "") + names[k];
  return text;
}

}  // namespace

bool ParameterSweep(const std::string& collectedTable, const std::string& parameter,
                    const std::string& column, int seam, int step, std::vector<SweepPoint>& points,
                    std::string& error) {
  std::istringstream in(collectedTable);
  std::string line;
  std::getline(in, line);
  const std::vector<std::string> header = SplitCsv(line);
  const int stepAt = IndexOf(header, "step");
  const int lmsAt = IndexOf(header, "lms_run"), seamAt = IndexOf(header, "seam");
  const int parameterAt = IndexOf(header, parameter), columnAt = IndexOf(header, column);
  if (stepAt < 0 || lmsAt < 0 || seamAt < 0) {
    error = "the table holds no step summary (no case has run)";
    return false;
  }
  if (parameterAt < 3 || parameterAt >= stepAt) {
    error = "no parameter " + parameter +
            " (the study has: " + Joined(header, 3, static_cast<std::size_t>(stepAt)) + ")";
    return false;
  }
  if (columnAt <= seamAt) {
    error = "no summary column " + column + " (the summary has: " +
            Joined(header, static_cast<std::size_t>(seamAt) + 1, header.size()) + ")";
    return false;
  }
  // Per case, the row of the wanted step, or of the last step when step is 0.
  std::map<int, std::pair<int, SweepPoint>> chosen;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = SplitCsv(line);
    int id = 0, rowStep = 0, lms = 0, rowSeam = 0;
    SweepPoint p;
    if (f.size() != header.size() || f[1] != "ok" || !Number(f[0], id) ||
        !Number(f[stepAt], rowStep) || !Number(f[lmsAt], lms) || !Number(f[seamAt], rowSeam) ||
        lms != 0 || rowSeam != seam || (step != 0 && rowStep != step) ||
        !Number(f[parameterAt], p.parameter) || !Number(f[columnAt], p.value))
      continue;
    p.caseId = id;
    const auto at = chosen.find(id);
    if (at == chosen.end() || at->second.first < rowStep) chosen[id] = {rowStep, p};
  }
  points.clear();
  for (const auto& [id, row] : chosen) points.push_back(row.second);
  if (points.empty()) {
    error = "no case that ran has a value of " + column + " for seam " + std::to_string(seam) +
            (step ? " at step " + std::to_string(step) : "");
    return false;
  }
  return true;
}

}  // namespace kavrel::study
