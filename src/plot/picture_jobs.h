// `kavrel plot` without its command line: from what the user asked for (seams,
// steps, quantities, a profile line, the code map, the off-seam plane, a fixed
// range, the format and the folder) to the picture files, everything checked
// before anything is drawn, so that a request that cannot be met writes
// nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/run_info.h"
#include "plot/figures.h"
#include "plot/plot_data.h"

namespace kavrel::plot {

struct PictureRequest {
  std::vector<int> seams;               // empty: every seam
  std::vector<int> steps;               // empty: the last (complete) step; profiles: every step
  std::vector<std::string> quantities;  // empty: convergence and total vertical stress
  std::optional<ProfileLine> profile;
  bool codes = false;    // code maps instead of result maps
  bool offSeam = false;  // the off-seam plane instead of the seams
  int lmsRun = -1;       // -1: the step's final block; p: LMS run p
  std::optional<ValueRange> range;
  PictureFormat format = PictureFormat::Png;
  std::string outputFolder;  // empty: the model's folder
  int width = 1000;
  int height = 800;
};

struct PictureOutcome {
  std::vector<std::string> written;  // the paths, in the order written
  // Warnings that do not stop the pictures (an incomplete result file), one
  // line each: "<file>: <reason>".
  std::vector<std::string> warnings;
  // Set when nothing was written: "<file>: <reason>" or a plain reason.
  std::string error;
};

// Writes the pictures of `request` for the run of `info`. Returns false with
// `outcome.error` set when the request cannot be met; nothing is then
// written. Needs a QApplication (HeadlessApplication).
[[nodiscard]] bool WritePictures(const RunInfo& info, const PictureRequest& request,
                                 PictureOutcome& outcome);

// Makes sure a QApplication exists for drawing, on the offscreen platform
// when no display is set; the one it made goes when this goes.
class HeadlessApplication {
 public:
  HeadlessApplication();
  ~HeadlessApplication();
  HeadlessApplication(const HeadlessApplication&) = delete;
  HeadlessApplication& operator=(const HeadlessApplication&) = delete;

 private:
  struct Owned;
  Owned* owned_ = nullptr;
};

}  // namespace kavrel::plot
