// What the fuzz targets share: a private scratch folder for the files a
// reader opens by name, the model record a target drives with its sinks set
// to drop everything, and the check that turns a broken promise of a reader
// into a crash that libFuzzer reports and keeps.
//
// The readers take their input by file name, so every input is written to a
// file first. Each fuzzing process makes its own folder under the temporary
// directory (TMPDIR) and removes it at exit; parallel jobs never share one.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/message_sink.h"
#include "core/progress_sink.h"
#include "model/model_dat.h"

namespace kavrel::fuzzing {

// Whether the promise `what` is one that KAVREL_FUZZ_TOLERATE names: a list
// of texts separated by ':', each tolerating every promise whose description
// contains it. A known finding that is not mended yet can so be set aside
// while fuzzing looks for others.
inline bool Tolerated(const char* what) {
  static const std::string list = [] {
    const char* env = std::getenv("KAVREL_FUZZ_TOLERATE");
    return std::string(env ? env : "");
  }();
  const std::string text(what);
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (end > start && text.find(list.substr(start, end - start)) != std::string::npos) return true;
    start = end + 1;
  }
  return false;
}

// Ends the process with `what` on standard error when `ok` is false: a reader
// accepted what it promises to refuse. libFuzzer keeps the input as a crash.
inline void Promise(bool ok, const char* what) {
  if (ok || Tolerated(what)) return;
  std::fprintf(stderr, "\n==kavrel-fuzz== broken promise: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

inline void PromiseFinite(double value, const char* what) { Promise(std::isfinite(value), what); }

// The process's own scratch folder, made on first use and removed at exit.
class Scratch {
 public:
  static Scratch& Get() {
    static Scratch scratch;
    return scratch;
  }

  const std::filesystem::path& dir() const { return dir_; }
  // The folder's name with the '/' the model's inputFolder ends with.
  std::string Folder() const { return dir_.string() + "/"; }

  // Removes everything an earlier input left in the folder.
  void Clear() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir_, ec))
      std::filesystem::remove_all(entry.path(), ec);
  }

  // Replaces `name` in the folder with exactly the `size` bytes at `data`.
  void Write(const std::string& name, const std::uint8_t* data, std::size_t size) const {
    const std::string path = (dir_ / name).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::abort();
    }
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }

  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

 private:
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavrel-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    dir_ = pattern;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Get().dir_, ec);
    });
  }

  std::filesystem::path dir_;
};

// A model record bound to `title` in the scratch folder, reporting to sinks
// that drop everything.
struct QuietModel {
  explicit QuietModel(const std::string& title) {
    model.SetMessages(&messages);
    model.SetProgress(&progress);
    const Scratch& scratch = Scratch::Get();
    model.SetInputFolder(scratch.Folder());
    model.SetInputFileTitle(title);
    model.SetInputFileName(title + ".inp");
    model.SetInputPathName(scratch.Folder() + title + ".inp");
    model.topoInputFileName = scratch.Folder() + title + ".top";
    model.topoStressFileName = scratch.Folder() + title + ".tpo";
    model.staticStressFileName = scratch.Folder() + title + ".sms";
  }

  NullMessageSink messages;
  NullProgressSink progress;
  CModelDat model;
};

// The seam grids a grid file is matched against: `seams` seams of nx x ny
// elements of width `width`, the stress cubes allocated and filled with NaN,
// so that a cell the reader should have set and did not is seen as well.
struct SeamGrid {
  int seams, nx, ny;
  double width;
};

inline void SetSeamGrid(CModelDat& m, const SeamGrid& g) {
  m.seamCount = g.seams;
  m.nx = g.nx;
  m.ny = g.ny;
  m.elementWidth = g.width;
  m.stressUnit = "psi";
  for (int s = 1; s <= g.seams; ++s) {
    m.seamX[s] = 0;
    m.seamY[s] = 0;
    m.seamZ[s] = -500.0 - 50 * s;
  }
  m.overburdenStress.Allocate(1, g.seams, 1, g.nx, 1, g.ny);
  m.preCalculatedStress.Allocate(1, g.seams, 1, g.nx, 1, g.ny);
  m.overburdenStress.Fill(NAN);
  m.preCalculatedStress.Fill(NAN);
}

}  // namespace kavrel::fuzzing
