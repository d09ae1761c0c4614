// Collecting a study (see the header): the manifest, each case's exit status
// and step summary, and the misfit of its result files to measured points.
#include "study/study_collect.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "model/file_names.h"
#include "model/result_reader.h"

namespace kavrel::study {

namespace {

std::vector<std::string> Lines(const std::filesystem::path& path, bool& opened) {
  std::ifstream in(path, std::ios::binary);
  opened = static_cast<bool>(in);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

template <typename T>
[[nodiscard]] bool Number(const std::string& text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

std::string StatusText(const CaseStatus& s, bool hasSummary) {
  if (s.state == CaseState::NotRun) return "not run";
  if (s.state == CaseState::Failed) return "failed";
  return hasSummary ? "ok" : "no summary";
}

// Element index (from 1) of coordinate `v` on an axis from `origin`, or 0
// when it lies outside the `count` elements of width `width`.
int IndexOf(double v, double origin, double width, int count) {
  if (!(width > 0)) return 0;
  const double k = std::floor((v - origin) / width) + 1;
  return k >= 1 && k <= count ? static_cast<int>(k) : 0;
}

// The value of `quantityKey` at (x, y) in the step-`step` block (LMS run 0)
// of `file`; false with `error`.
[[nodiscard]] bool ValueAt(const results::ResultFile& file, const std::string& quantityKey,
                           const MeasuredPoint& p, double& value, std::string& error) {
  const int c = file.layout.FindColumn(quantityKey);
  const int i = IndexOf(p.x, file.layout.originX, file.layout.elementWidth, file.layout.nx);
  const int j = IndexOf(p.y, file.layout.originY, file.layout.elementWidth, file.layout.ny);
  if (c < 0)
    error = "no " + quantityKey + " column";
  else if (i == 0 || j == 0)
    error = "point (" + FormatValue(p.x) + ", " + FormatValue(p.y) + ") lies outside the grid";
  for (std::size_t b = 0; error.empty() && b < file.blocks.size(); ++b)
    if (file.blocks[b].step == p.step && file.blocks[b].lmsRun == 0) {
      value = file.At(b, c, i, j);
      return true;
    }
  if (error.empty()) error = "step " + std::to_string(p.step) + " was not written";
  return false;
}

// `text` as one CSV field: quoted when it holds a comma or a quote.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char ch : text) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return quoted + "\"";
}

}  // namespace

std::vector<std::string> SplitCsv(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (std::size_t comma; (comma = line.find(',', from)) != std::string::npos; from = comma + 1)
    fields.push_back(line.substr(from, comma - from));
  fields.push_back(line.substr(from));
  for (std::string& f : fields) {
    while (!f.empty() && (f.back() == '\r' || f.back() == ' ')) f.pop_back();
    while (!f.empty() && f.front() == ' ') f.erase(f.begin());
  }
  return fields;
}

bool ReadManifest(const std::filesystem::path& studyFolder, Manifest& manifest,
                  std::string& error) {
  const std::filesystem::path path = studyFolder / kManifestFile;
  bool opened = false;
  const std::vector<std::string> lines = Lines(path, opened);
  if (!opened || lines.empty() || SplitCsv(lines[0]).front() != "case") {
    error = opened ? "not a study manifest" : "cannot be read (expand the study first)";
    return false;
  }
  manifest = Manifest{};
  const std::vector<std::string> header = SplitCsv(lines[0]);
  manifest.parameterNames.assign(header.begin() + 1, header.end());
  for (std::size_t k = 1; k < lines.size(); ++k) {
    std::vector<std::string> fields = SplitCsv(lines[k]);
    int id = 0;
    if (fields.size() != header.size() || !Number(fields[0], id)) {
      error = "line " + std::to_string(k + 1) + " does not fit the header";
      return false;
    }
    manifest.ids.push_back(id);
    manifest.values.emplace_back(fields.begin() + 1, fields.end());
  }
  return true;
}

bool ReadMeasuredPoints(const std::filesystem::path& path, std::vector<MeasuredPoint>& points,
                        std::string& error) {
  bool opened = false;
  const std::vector<std::string> lines = Lines(path, opened);
  if (!opened) {
    error = "cannot be read";
    return false;
  }
  if (lines.empty() || SplitCsv(lines[0]) != std::vector<std::string>{"x", "y", "seam", "step",
                                                                      "quantity", "value"}) {
    error = "line 1: the header must be x,y,seam,step,quantity,value";
    return false;
  }
  for (std::size_t k = 1; k < lines.size(); ++k) {
    const std::vector<std::string> f = SplitCsv(lines[k]);
    MeasuredPoint p;
    const bool known = f.size() == 6 && (f[4] == "convergence" || f[4] == "surface");
    if (!known || !Number(f[0], p.x) || !Number(f[1], p.y) || !Number(f[2], p.seam) ||
        !Number(f[3], p.step) || !Number(f[5], p.value) || p.step < 1) {
      error = "line " + std::to_string(k + 1) +
              ": expected x,y,seam,step,quantity,value with quantity convergence or surface";
      return false;
    }
    p.quantity = f[4] == "surface" ? MeasuredQuantity::Surface : MeasuredQuantity::Convergence;
    points.push_back(p);
  }
  if (points.empty()) {
    error = "no measured points";
    return false;
  }
  return true;
}

bool CaseMisfit(const std::filesystem::path& caseFolder, const std::vector<MeasuredPoint>& points,
                double& misfit, std::string& error) {
  const InputNames names = SplitInputPath((caseFolder / kCaseModel).string());
  NullMessageSink quiet;
  const ModelRead model = ReadModelInput(names.pathName, quiet);
  if (model.result != 0) {
    error = names.pathName + ": cannot be read";
    return false;
  }
  // Each result file read once, keeping only the steps measured.
  std::map<int, results::ResultFile> files;  // seam (0: the off-seam file)
  double sum = 0;
  for (const MeasuredPoint& p : points) {
    const int key = p.quantity == MeasuredQuantity::Surface ? 0 : p.seam;
    if (!files.count(key)) {
      const auto wanted = [&](int step, int lmsRun) {
        return lmsRun == 0 && std::any_of(points.begin(), points.end(),
                                          [&](const MeasuredPoint& q) { return q.step == step; });
      };
      const std::string path = key == 0 ? names.OffSeamDisplacement(1) : names.Result(key);
      results::ResultFile file;
      std::string why;
      const bool read =
          key == 0 ? results::ReadOffSeamFile(path, wanted, file, why)
                   : results::ReadResultFile(path, model.input.lmsPillarCount, wanted, file, why);
      if (!read) {
        error = path + ": " + why;
        return false;
      }
      files.emplace(key, std::move(file));
    }
    double computed = 0;
    const std::string quantity = key == 0 ? "offseamdisplacement" : "convergence";
    if (!ValueAt(files.at(key), quantity, p, computed, error)) return false;
    sum += (computed - p.value) * (computed - p.value);
  }
  misfit = std::sqrt(sum / static_cast<double>(points.size()));
  return true;
}

namespace {

// How case `id` ended, its summary lines (header first) in `summary`, and
// with `points` its misfit.
CaseOutcome OutcomeOf(const std::filesystem::path& studyFolder, int id,
                      const std::vector<MeasuredPoint>& points, std::vector<std::string>& summary) {
  CaseOutcome o;
  o.id = id;
  const std::filesystem::path folder = studyFolder / CaseName(id);
  o.status = ReadCaseStatus(folder);
  bool opened = false;
  summary = Lines(SplitInputPath((folder / kCaseModel).string()).Summary(), opened);
  o.hasSummary = opened && !summary.empty() && o.status.state == CaseState::Succeeded;
  if (!o.hasSummary) summary.clear();
  o.statusText = StatusText(o.status, o.hasSummary);
  if (points.empty()) return o;
  if (o.hasSummary)
    o.ranked = CaseMisfit(folder, points, o.misfit, o.whyUnranked);
  else
    o.whyUnranked = "the case has no results (" + o.statusText + ")";
  return o;
}

std::string ParameterColumns(const Manifest& manifest) {
  std::string text;
  for (const std::string& name : manifest.parameterNames) text += "," + name;
  return text;
}

// The text of collected.csv; summaries[k] holds case k's summary lines,
// header first, or nothing.
std::string TableText(const Manifest& manifest, const std::vector<CaseOutcome>& outcomes,
                      const std::vector<std::vector<std::string>>& summaries) {
  std::string header;
  for (const auto& lines : summaries)
    if (header.empty() && !lines.empty()) header = lines.front();
  const std::size_t summaryColumns = header.empty() ? 0 : SplitCsv(header).size();
  std::string table = "case,status,exit_status" + ParameterColumns(manifest) +
                      (header.empty() ? "" : "," + header) + "\n";
  for (std::size_t k = 0; k < outcomes.size(); ++k) {
    const CaseOutcome& o = outcomes[k];
    std::string lead =
        std::to_string(o.id) + "," + o.statusText + "," +
        (o.status.state == CaseState::NotRun ? "" : std::to_string(o.status.exitStatus));
    for (const std::string& v : manifest.values[k]) lead += "," + v;
    if (summaries[k].empty()) table += lead + std::string(summaryColumns, ',') + "\n";
    for (std::size_t row = 1; row < summaries[k].size(); ++row)
      table += lead + "," + summaries[k][row] + "\n";
  }
  return table;
}

// Ranks the outcomes with a misfit, best first, and writes misfit.csv's text.
void Rank(const Manifest& manifest, Collection& c) {
  for (std::size_t k = 0; k < c.outcomes.size(); ++k)
    if (c.outcomes[k].ranked) c.rankedOrder.push_back(static_cast<int>(k));
  std::stable_sort(c.rankedOrder.begin(), c.rankedOrder.end(),
                   [&](int a, int b) { return c.outcomes[a].misfit < c.outcomes[b].misfit; });
  c.ranking = "rank,case,misfit" + ParameterColumns(manifest) + ",note\n";
  const auto line = [&](std::size_t k, const std::string& rank) {
    const CaseOutcome& o = c.outcomes[k];
    std::string text =
        rank + "," + std::to_string(o.id) + "," + (o.ranked ? FormatValue(o.misfit) : "");
    for (const std::string& v : manifest.values[k]) text += "," + v;
    return text + "," + CsvField(o.whyUnranked) + "\n";
  };
  for (std::size_t r = 0; r < c.rankedOrder.size(); ++r)
    c.ranking += line(c.rankedOrder[r], std::to_string(r + 1));
  for (std::size_t k = 0; k < c.outcomes.size(); ++k)
    if (!c.outcomes[k].ranked) c.ranking += line(k, "");
}

}  // namespace

Collection CollectStudy(const std::filesystem::path& studyFolder, const Manifest& manifest,
                        const std::vector<MeasuredPoint>& points) {
  Collection c;
  std::vector<std::vector<std::string>> summaries(manifest.ids.size());
  for (std::size_t k = 0; k < manifest.ids.size(); ++k)
    c.outcomes.push_back(OutcomeOf(studyFolder, manifest.ids[k], points, summaries[k]));
  c.table = TableText(manifest, c.outcomes, summaries);
  if (!points.empty()) Rank(manifest, c);
  return c;
}

}  // namespace kavrel::study
