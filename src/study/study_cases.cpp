// Expansion of a study into cases and their folders. Each case's model is
// the base text with the study's fields rewritten, read back by the model
// reader from a temporary file before anything is written to the study
// folder.
#include "study/study_cases.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include "core/text_files.h"

namespace kavrel::study {

namespace {

// Keeps the reader's messages as text.
class MessageText : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { text_ += text; }
  void WriteDiagnostic(const std::string& text) override { text_ += text; }
  std::string Sentence() const {
    std::string t = text_;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
    for (char& c : t)
      if (c == '\n') c = ' ';
    return t;
  }

 private:
  std::string text_;
};

[[nodiscard]] bool ReadWhole(const std::filesystem::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  text = out.str();
  return true;
}

// The reader's result on `text`, with what it read, its message and warnings.
[[nodiscard]] int ReadModelText(const std::string& text, ModelInput& input, std::string& message,
                                std::vector<ModelWarning>& warnings) {
  UniqueFile file(std::tmpfile());
  if (!file || std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
    message = "cannot write a temporary file to read the model back";
    return -1;
  }
  std::rewind(file.get());
  MessageText messages;
  const int result = ReadModelInput(file.get(), input, warnings, messages);
  message = messages.Sentence();
  return result;
}

// Every combination of the listed values and draws, as one value per
// parameter.
std::vector<std::vector<double>> Combinations(const StudyFile& study) {
  std::vector<std::vector<double>> drawn(study.parameters.size());
  for (std::size_t p = 0; p < study.parameters.size(); ++p)
    if (study.parameters[p].random) drawn[p] = Draw(study.parameters[p].distribution, study.draws);
  std::vector<std::vector<double>> rows{{}};
  for (std::size_t p = 0; p < study.parameters.size(); ++p) {
    if (study.parameters[p].random) continue;
    std::vector<std::vector<double>> longer;
    for (const auto& row : rows)
      for (double v : study.parameters[p].values) {
        longer.push_back(row);
        longer.back().push_back(v);
      }
    rows = std::move(longer);
  }
  std::vector<std::vector<double>> cases;
  for (const auto& listed : rows)
    for (int k = 0; k < study.draws; ++k) {
      std::vector<double> values;
      std::size_t next = 0;
      for (std::size_t p = 0; p < study.parameters.size(); ++p)
        values.push_back(study.parameters[p].random ? drawn[p][k] : listed[next++]);
      cases.push_back(std::move(values));
    }
  return cases;
}

}  // namespace

std::string CaseName(int id) {
  char name[32];
  std::snprintf(name, sizeof name, "case-%04d", id);
  return name;
}

std::string DescribeCase(const StudyPlan& plan, const StudyCase& c) {
  std::string text;
  for (std::size_t p = 0; p < c.values.size(); ++p)
    text += (p ? ", " : "") + plan.study.parameters[p].name + "=" + FormatValue(c.values[p]);
  return text;
}

namespace {

// The base model's text and what the reader reads in it; false with the
// problem added when it cannot be read or is refused.
[[nodiscard]] bool ReadBase(const StudyFile& study, std::string& text, ModelInput& input,
                            std::vector<std::string>& problems) {
  const std::string name = study.baseModel.string();
  std::string message;
  std::vector<ModelWarning> warnings;
  if (!ReadWhole(study.baseModel, text))
    message = "cannot be read";
  else if (ReadModelText(text, input, message, warnings) == 0)
    return true;
  problems.push_back("base model " + name + ": " + message);
  return false;
}

// Where each parameter lies in the base model; a problem per unknown name.
std::vector<FieldPlace> PlaceParameters(const StudyFile& study, const ModelInput& base,
                                        std::vector<std::string>& problems) {
  std::vector<FieldPlace> places(study.parameters.size());
  for (std::size_t p = 0; p < study.parameters.size(); ++p) {
    std::string error;
    if (!PlaceOf(study.parameters[p].name, base, places[p], error))
      problems.push_back("line " + std::to_string(study.parameters[p].line) + ": " + error);
  }
  return places;
}

// The number of cases, or kMaxCases + 1 for any number above kMaxCases.
long long CaseCount(const StudyFile& study) {
  long long count = study.draws;
  for (const StudyParameter& p : study.parameters)
    if (!p.random && count <= kMaxCases) count *= static_cast<long long>(p.values.size());
  return std::min(count, kMaxCases + 1);
}

}  // namespace

bool PlanStudy(const StudyFile& study, StudyPlan& plan, std::vector<std::string>& problems,
               std::vector<std::string>& warnings) {
  plan = StudyPlan{};
  plan.study = study;
  std::string baseText, message;
  ModelInput input;
  if (!ReadBase(study, baseText, input, problems)) return false;
  const std::vector<FieldPlace> places = PlaceParameters(study, input, problems);
  if (CaseCount(study) > kMaxCases)
    problems.push_back("the study makes more than " + std::to_string(kMaxCases) + " cases");
  if (!problems.empty()) return false;

  for (std::vector<double>& values : Combinations(study)) {
    StudyCase c;
    c.id = static_cast<int>(plan.cases.size()) + 1;
    c.values = std::move(values);
    c.modelText = baseText;
    for (std::size_t p = 0; p < places.size(); ++p)
      c.modelText = WithField(c.modelText, places[p], c.values[p]);
    std::vector<ModelWarning> caseWarnings;
    ModelInput caseInput;
    const std::string who = CaseName(c.id) + " (" + DescribeCase(plan, c) + ")";
    if (ReadModelText(c.modelText, caseInput, message, caseWarnings) != 0)
      problems.push_back(who + ": the model reader refuses it: " + message);
    for (const ModelWarning& w : caseWarnings) warnings.push_back(who + ": " + w.text);
    plan.cases.push_back(std::move(c));
  }
  return problems.empty();
}

bool WriteCases(const StudyPlan& plan, const std::filesystem::path& folder, std::string& error) {
  std::error_code ec;
  std::string manifest = "case";
  for (const StudyParameter& p : plan.study.parameters) manifest += "," + p.name;
  manifest += "\n";
  std::filesystem::path top = plan.study.baseModel;
  top.replace_extension(".top");
  const bool hasTop = std::filesystem::exists(top, ec);
  for (const StudyCase& c : plan.cases) {
    manifest += std::to_string(c.id);
    for (double v : c.values) manifest.append(",").append(FormatValue(v));
    manifest += "\n";
    const std::filesystem::path dir = folder / CaseName(c.id);
    std::filesystem::create_directories(dir, ec);
    std::string old;
    if (ReadWhole(dir / kCaseModel, old) && old == c.modelText) continue;
    std::filesystem::remove(dir / kExitStatusFile, ec);
    std::ofstream out(dir / kCaseModel, std::ios::binary);
    if (!(out << c.modelText) || !out.flush()) {
      error = (dir / kCaseModel).string() + ": cannot be written";
      return false;
    }
    if (hasTop)
      std::filesystem::copy_file(top, dir / "model.top",
                                 std::filesystem::copy_options::overwrite_existing, ec);
  }
  std::ofstream out(folder / kManifestFile, std::ios::binary);
  if (!(out << manifest) || !out.flush()) {
    error = (folder / kManifestFile).string() + ": cannot be written";
    return false;
  }
  return true;
}

CaseStatus ReadCaseStatus(const std::filesystem::path& caseFolder) {
  CaseStatus status;
  std::ifstream in(caseFolder / kExitStatusFile);
  int code = 0;
  if (!(in >> code)) return status;
  status.exitStatus = code;
  status.state = code == 0 ? CaseState::Succeeded : CaseState::Failed;
  return status;
}

}  // namespace kavrel::study
