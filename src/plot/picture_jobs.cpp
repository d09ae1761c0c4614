// From a picture request to picture files. The work runs in two passes: the
// first reads every file needed and checks every seam, step and quantity
// asked for against them; only when all are there does the second draw and
// write, so a request that cannot be met leaves the folder as it was.
#include "plot/picture_jobs.h"

#include <unistd.h>

#include <QApplication>
#include <qcustomplot.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace kavrel::plot {

namespace {

namespace fs = std::filesystem;

std::string Range(const char* what, int first, int last) {
  return std::string(what) + " " + std::to_string(first) + " to " + std::to_string(last);
}

std::string Extension(PictureFormat format) {
  return format == PictureFormat::Png ? ".png" : ".pdf";
}

// "x120" or "y-35.5" for a profile line in file names.
std::string LineTag(const ProfileLine& line) {
  char text[48];
  std::snprintf(text, sizeof text, "%c%g", line.alongY ? 'x' : 'y', line.at);
  return text;
}

// A result (or off-seam) file as loaded for the request.
struct LoadedFile {
  std::string path;
  int seam = 0;  // 0: the off-seam file
  results::ResultFile file;
  std::vector<int> columns;
};

bool Contains(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

class Planner {
 public:
  Planner(const RunInfo& info, const PictureRequest& request, PictureOutcome& outcome)
      : info_(info), request_(request), outcome_(outcome) {}

  bool Plan();
  bool Draw();

 private:
  bool Fail(std::string reason) {
    outcome_.error = std::move(reason);
    return false;
  }
  bool CheckSeams();
  bool CheckStepsAgainstModel();
  bool LoadResultFile(const std::string& path, int seam);
  bool ChooseSteps(const std::vector<std::string>& paths);
  bool CheckStepsInFiles();
  bool ResolveQuantities(LoadedFile& loaded);
  bool LoadCodes();
  bool CheckOutputFolder();
  std::string OutputPath(const std::string& name) const;
  bool Save(QCustomPlot& plot, const std::string& name);
  int BlockOf(const results::ResultFile& file, int step) const;

  const RunInfo& info_;
  const PictureRequest& request_;
  PictureOutcome& outcome_;
  std::vector<int> seams_;
  std::vector<int> asked_;  // the steps asked for, checked, sorted, without repeats
  std::vector<int> steps_;
  std::vector<LoadedFile> files_;
  // codes_[seam][step index] for the code maps and the mined-out outlines.
  std::vector<std::vector<results::SeamCodes>> codes_;
  std::string folder_;
};

bool Planner::CheckSeams() {
  if (request_.offSeam) return true;
  std::string error;
  return SeamsInModel(info_, request_.seams, seams_, error) || Fail(error);
}

bool Planner::CheckStepsAgainstModel() {
  std::string error;
  if (!StepsInModel(info_, request_.steps, asked_, error)) return Fail(error);
  if (request_.lmsRun > info_.lmsPillarCount)
    return Fail("LMS run " + std::to_string(request_.lmsRun) + " is not in the model (" +
                (info_.lmsPillarCount > 0 ? Range("LMS runs", 0, info_.lmsPillarCount)
                                          : std::string("it has no LMS pillars")) +
                ")");
  return true;
}

bool Planner::LoadResultFile(const std::string& path, int seam) {
  if (const std::string missing = MissingRunFile(info_, path); !missing.empty())
    return Fail(missing);
  LoadedFile loaded;
  loaded.path = path;
  loaded.seam = seam;
  const std::vector<int>& wanted = steps_;
  const bool profile = request_.profile.has_value();
  const int lmsRun = request_.lmsRun;
  const int perStep = results::BlocksPerStep(seam == 0 ? 0 : info_.lmsPillarCount);
  const results::BlockFilter keep = [&](int step, int run) {
    const bool stepWanted = wanted.empty() || Contains(wanted, step);
    if (!stepWanted) return false;
    if (lmsRun >= 0 && !profile) return run == lmsRun;
    return run == perStep - 1;
  };
  std::string error;
  const bool ok = seam == 0 ? results::ReadOffSeamFile(path, keep, loaded.file, error)
                            : results::ReadResultFile(path, info_.lmsPillarCount, keep,
                                                      loaded.file, error);
  if (!ok) return Fail(path + ": " + error);
  if (!loaded.file.complete)
    outcome_.warnings.push_back(path + ": incomplete (an interrupted run?): " +
                                loaded.file.incompleteReason);
  files_.push_back(std::move(loaded));
  return true;
}

int Planner::BlockOf(const results::ResultFile& file, int step) const {
  if (request_.lmsRun < 0 || request_.profile) return file.FinalBlockOf(step);
  for (std::size_t b = 0; b < file.blocks.size(); ++b)
    if (file.blocks[b].step == step && file.blocks[b].lmsRun == request_.lmsRun)
      return static_cast<int>(b);
  return -1;
}

bool Planner::ChooseSteps(const std::vector<std::string>& paths) {
  steps_ = asked_;
  if (!steps_.empty()) return true;
  // Every step for a profile, else the last step that every file holds, as
  // a count of their lines tells.
  int last = info_.stepCount;
  for (const std::string& path : paths) {
    if (const std::string missing = MissingRunFile(info_, path); !missing.empty())
      return Fail(missing);
    results::ResultLayout layout;
    int blocks = 0;
    std::string error;
    if (!results::CountWholeBlocks(path, layout, blocks, error)) return Fail(path + ": " + error);
    const int perStep =
        results::BlocksPerStep(path == info_.OffSeamFileName() ? 0 : info_.lmsPillarCount);
    last = std::min(last, blocks / perStep);
    if (last < 1) return Fail(path + ": holds no complete step");
  }
  if (request_.profile) {
    for (int n = 1; n <= last; ++n) steps_.push_back(n);
  } else {
    steps_.push_back(last);
  }
  return true;
}

bool Planner::CheckStepsInFiles() {
  for (const LoadedFile& f : files_)
    for (const int n : steps_)
      if (BlockOf(f.file, n) < 0)
        return Fail(f.path + ": step " + std::to_string(n) + " is not in the file (it holds " +
                    (f.file.LastCompleteStep() > 0 ? Range("steps", 1, f.file.LastCompleteStep())
                                                   : std::string("no complete step")) +
                    ")");
  return true;
}

bool Planner::ResolveQuantities(LoadedFile& loaded) {
  std::vector<std::string> asked = request_.quantities;
  if (asked.empty()) {
    if (loaded.seam == 0) {
      asked = {"offseamdisplacement"};
    } else {
      asked = {"convergence", "totalverticalstress"};
    }
  }
  for (const std::string& q : asked) {
    const int c = loaded.file.layout.FindColumn(q);
    if (c < 0) {
      std::string known;
      for (const results::Column& col : loaded.file.layout.columns)
        known += (known.empty() ? "" : ", ") + results::QuantityKey(col.name);
      return Fail(loaded.path + ": quantity '" + q + "' is not in the file (it holds " + known +
                  ")");
    }
    loaded.columns.push_back(c);
  }
  return true;
}

bool Planner::LoadCodes() {
  codes_.assign(static_cast<std::size_t>(info_.seamCount) + 1, {});
  for (std::size_t k = 0; k < steps_.size(); ++k) {
    const std::string path = info_.CodeFileName(steps_[k]);
    std::vector<results::SeamCodes> seams;
    std::string error;
    std::error_code ec;
    if (!fs::exists(path, ec)) {
      if (!request_.codes) return true;  // the maps go without outlines
      return Fail(path + ": no such file; check the model first (kavrel check " +
                  info_.modelPath + ")");
    }
    if (!results::ReadCodeFile(path, info_.seamCount, info_.nx, info_.ny, seams, error)) {
      if (!request_.codes) return true;
      return Fail(path + ": " + error);
    }
    for (int s = 1; s <= info_.seamCount; ++s)
      codes_[static_cast<std::size_t>(s)].push_back(std::move(seams[static_cast<std::size_t>(s - 1)]));
  }
  return true;
}

bool Planner::CheckOutputFolder() {
  folder_ = request_.outputFolder.empty() ? fs::path(info_.modelPath).parent_path().string()
                                          : request_.outputFolder;
  if (folder_.empty()) folder_ = ".";
  std::error_code ec;
  if (!fs::exists(folder_, ec)) {
    fs::create_directories(folder_, ec);
    if (ec) return Fail(folder_ + ": cannot be created: " + ec.message());
  }
  if (!fs::is_directory(folder_, ec)) return Fail(folder_ + ": is not a folder");
  if (::access(folder_.c_str(), W_OK) != 0)
    return Fail(folder_ + ": cannot be written: " + std::strerror(errno));
  return true;
}

bool Planner::Plan() {
  if (!CheckSeams() || !CheckStepsAgainstModel()) return false;
  if (request_.codes) {
    steps_ = asked_;
    if (steps_.empty())
      for (int n = 1; n <= info_.stepCount; ++n) steps_.push_back(n);
    return LoadCodes() && CheckOutputFolder();
  }
  std::vector<std::pair<std::string, int>> wanted;  // path, seam (0 = off-seam)
  if (request_.offSeam) {
    if (!info_.offSeamDisplacements)
      return Fail(info_.modelPath + ": the model computes no off-seam displacements");
    wanted.emplace_back(info_.OffSeamFileName(), 0);
  } else {
    for (const int s : seams_) wanted.emplace_back(info_.ResultFileName(s), s);
  }
  std::vector<std::string> paths;
  for (const auto& w : wanted) paths.push_back(w.first);
  if (!ChooseSteps(paths)) return false;
  for (const auto& [path, seam] : wanted)
    if (!LoadResultFile(path, seam)) return false;
  for (LoadedFile& f : files_)
    if (!ResolveQuantities(f)) return false;
  if (!CheckStepsInFiles()) return false;
  if (!request_.offSeam && !request_.profile && !LoadCodes()) return false;
  return CheckOutputFolder();
}

std::string Planner::OutputPath(const std::string& name) const {
  return (fs::path(folder_) / (name + Extension(request_.format))).string();
}

bool Planner::Save(QCustomPlot& plot, const std::string& name) {
  const std::string path = OutputPath(name);
  std::string error;
  if (!SavePicture(plot, path, request_.format, request_.width, request_.height, error))
    return Fail(path + ": " + error);
  outcome_.written.push_back(path);
  return true;
}

bool Planner::Draw() {
  QCustomPlot plot;
  SizeForPicture(plot, request_.width, request_.height);
  const std::string stem = info_.Stem();
  const ValueRange* fixed = request_.range ? &*request_.range : nullptr;

  if (request_.codes) {
    for (const int s : seams_)
      for (std::size_t k = 0; k < steps_.size(); ++k) {
        DrawCodeMap(plot, CodeMap(info_, codes_[static_cast<std::size_t>(s)][k], s, steps_[k]));
        if (!Save(plot, stem + "_seam" + std::to_string(s) + "_step" + std::to_string(steps_[k]) +
                            "_codes"))
          return false;
      }
    return true;
  }

  for (const LoadedFile& f : files_) {
    const std::string where =
        f.seam == 0 ? stem + "_offseam" : stem + "_seam" + std::to_string(f.seam);
    if (request_.profile) {
      ProfileData data;
      std::string error;
      if (!SeamProfile(info_, f.file, f.seam, f.columns, steps_, *request_.profile, data, error))
        return Fail(error);
      DrawProfile(plot, data);
      std::string name = where + "_profile_" + LineTag(*request_.profile);
      for (const int c : f.columns)
        name += "_" + results::QuantityKey(f.file.layout.columns[static_cast<std::size_t>(c)].name);
      if (!Save(plot, name)) return false;
      continue;
    }
    for (std::size_t k = 0; k < steps_.size(); ++k) {
      const auto block = static_cast<std::size_t>(BlockOf(f.file, steps_[k]));
      const results::SeamCodes* codes = nullptr;
      if (f.seam > 0 && k < codes_[static_cast<std::size_t>(f.seam)].size())
        codes = &codes_[static_cast<std::size_t>(f.seam)][k];
      std::string tag = "_step" + std::to_string(steps_[k]);
      if (request_.lmsRun >= 0) tag += "_lms" + std::to_string(request_.lmsRun);
      for (const int c : f.columns) {
        const MapData data = f.seam == 0 ? OffSeamMap(info_, f.file, block, c, fixed)
                                         : SeamMap(info_, f.file, block, c, f.seam, codes, fixed);
        DrawMap(plot, data);
        if (!Save(plot, where + tag + "_" +
                            results::QuantityKey(f.file.layout.columns[static_cast<std::size_t>(c)].name)))
          return false;
      }
    }
  }
  return true;
}

}  // namespace

bool WritePictures(const RunInfo& info, const PictureRequest& request, PictureOutcome& outcome) {
  outcome = PictureOutcome();
  if (request.profile && request.codes) {
    outcome.error = "a profile and the code map cannot be drawn together";
    return false;
  }
  Planner planner(info, request, outcome);
  return planner.Plan() && planner.Draw();
}

struct HeadlessApplication::Owned {
  int argc = 1;
  char name[16] = "kavrel";
  char* argv[2] = {name, nullptr};
  std::unique_ptr<QApplication> app;
};

namespace {

// Qt's own chatter (missing runtime folders, font fallbacks) is not for the
// user of a command-line tool; its fatal messages still end the process.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "kavrel: Qt: %s\n", text.toLocal8Bit().constData());
    std::abort();
  }
}

}  // namespace

HeadlessApplication::HeadlessApplication() {
  if (QCoreApplication::instance()) return;
  qInstallMessageHandler(QuietQtMessages);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  owned_ = new Owned;
  owned_->app = std::make_unique<QApplication>(owned_->argc, owned_->argv);
}

HeadlessApplication::~HeadlessApplication() { delete owned_; }

}  // namespace kavrel::plot
