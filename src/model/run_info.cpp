// Reading a model for what its run wrote: the model reader runs on a record
// of its own with its step code files switched off and its messages kept, so
// that a model that no longer reads is reported in the reader's words.
#include "model/run_info.h"

#include <algorithm>
#include <filesystem>

#include "core/text_files.h"
#include "model/model_dat.h"
#include "model/open_model.h"

namespace kavrel {

namespace {

// Keeps the first message the reader shows.
class FirstMessage : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override {
    if (first.empty()) first = WithoutTrailingLineEnds(text);
  }
  void WriteDiagnostic(const std::string&) override {}
  std::string first;
};

}  // namespace

std::string MaterialTypeName(int type) {
  switch (type) {
    case 1: return "Linear Elastic Coal";
    case 2: return "Strain Softening Coal";
    case 3: return "Elastic-Plastic Coal";
    case 4: return "Bi-Linear Hardening Gob";
    case 5: return "Strain Hardening Gob";
    case 6: return "Linear Elastic Gob";
    default: return "Unknown Material Type";
  }
}

std::string RunInfo::Stem() const { return SplitInputPath(modelPath).title; }

std::string RunInfo::ResultFileName(int seam) const {
  return SplitInputPath(modelPath).Result(seam);
}
std::string RunInfo::OffSeamFileName() const {
  return SplitInputPath(modelPath).OffSeamDisplacement(1);
}
std::string RunInfo::CodeFileName(int step) const {
  return SplitInputPath(modelPath).StepCodes(step);
}
std::string RunInfo::LogFileName() const { return SplitInputPath(modelPath).Log(); }

namespace {

std::vector<int> Distinct(std::vector<int> list) {
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
  return list;
}

// Every value of `asked` in 1..`last`, else `error` names the first that is not.
bool InRange(const std::vector<int>& asked, int last, const char* one, const char* many,
             std::vector<int>& out, std::string& error) {
  out = Distinct(asked);
  for (const int n : out)
    if (n < 1 || n > last) {
      error = std::string(one) + " " + std::to_string(n) + " is not in the model (" + many +
              " 1 to " + std::to_string(last) + ")";
      return false;
    }
  return true;
}

}  // namespace

bool SeamsInModel(const RunInfo& info, const std::vector<int>& asked, std::vector<int>& seams,
                  std::string& error) {
  if (!InRange(asked, info.seamCount, "seam", "seams", seams, error)) return false;
  if (seams.empty())
    for (int s = 1; s <= info.seamCount; ++s) seams.push_back(s);
  return true;
}

bool StepsInModel(const RunInfo& info, const std::vector<int>& asked, std::vector<int>& steps,
                  std::string& error) {
  return InRange(asked, info.stepCount, "step", "steps", steps, error);
}

std::string MissingRunFile(const RunInfo& info, const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) return {};
  return path + ": no such file; run the model first (kavrel run " + info.modelPath + ")";
}

bool LoadRunInfo(const std::string& path, RunInfo& info, std::string& error) {
  info = RunInfo();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = std::filesystem::exists(path, ec) ? "is not a file" : "no such file";
    return false;
  }
  FirstMessage messages;
  CModelDat model;
  model.SetMessages(&messages);
  model.writeStepCodeFiles = false;
  const InputNames names = SplitInputPath(path);
  model.SetInputPathName(names.pathName);
  model.SetInputFolder(names.folder);
  model.SetInputFileName(names.fileName);
  model.SetInputFileTitle(names.title);
  if (model.ReadInputFile() != 0) {
    error = messages.first.empty() ? "the model cannot be read" : messages.first;
    return false;
  }

  const double f = model.displacementOutputFactor;
  info.modelPath = path;
  info.title = WithoutTrailingLineEnds(model.title);
  info.seamCount = model.seamCount;
  info.stepCount = model.stepCount;
  info.lmsPillarCount = model.lmsPillarCount;
  info.nx = model.nx;
  info.ny = model.ny;
  info.elementWidth = model.elementWidth * f;
  for (int s = 1; s <= model.seamCount; ++s)
    info.seams.push_back({model.seamX[s] * f, model.seamY[s] * f, model.seamZ[s] * f,
                          model.seamThickness[s] * f});
  info.materialTypes.assign(model.materialType, model.materialType + model.materialCount);
  info.lengthUnit = model.lengthUnit;
  info.stressUnit = model.stressUnit;
  info.energyUnit = model.energyUnit;
  info.lengthFactor = f;
  info.offSeamDisplacements = model.offSeamCalc >= 1 && model.offSeamDisplacement >= 1;
  info.offSeamNx = model.offSeamNx;
  info.offSeamNy = model.offSeamNy;
  info.offSeamElevation = model.offSeamOriginZ * f;
  return true;
}

}  // namespace kavrel
