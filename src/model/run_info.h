// What a reader of a finished run (its pictures, its export to CSV) needs to
// know about the model: the title, the seams and their grids, the steps and
// LMS runs that lay out the result blocks, the materials, the off-seam grid
// and the output units, together with the names of the files the run wrote
// beside the model. It is read from the model file itself, without writing
// anything (the step code files and the log of the run stay as the run left
// them). Nothing here depends on Qt.
#pragma once

#include <string>
#include <vector>

namespace kavrel {

// Material type numbers as the model file gives them (1..6).
std::string MaterialTypeName(int type);

struct SeamPlacement {
  double originX = 0;  // outer corner of element (1, 1), output length unit
  double originY = 0;
  double elevation = 0;
  double thickness = 0;
};

struct RunInfo {
  std::string modelPath;
  std::string title;  // the model's first line, without its line end
  int seamCount = 0;
  int stepCount = 0;
  int lmsPillarCount = 0;
  int nx = 0;
  int ny = 0;
  double elementWidth = 0;  // output length unit
  std::vector<SeamPlacement> seams;  // seams[s - 1] is seam s
  std::vector<int> materialTypes;    // materialTypes[code] for codes 0..materialCount-1
  std::string lengthUnit, stressUnit, energyUnit;
  // Lengths of the result files' dimension lines (element width, origins)
  // are in the model's internal unit; times this factor they are in
  // `lengthUnit` (1/12 for unit system 1, else 1).
  double lengthFactor = 1;
  bool offSeamDisplacements = false;  // the run wrote an off-seam file
  int offSeamNx = 0, offSeamNy = 0;
  double offSeamElevation = 0;  // output length unit

  // Files of the run, beside the model.
  std::string ResultFileName(int seam) const;  // MODEL.fS
  std::string OffSeamFileName() const;         // MODEL.of1
  std::string CodeFileName(int step) const;    // MODEL_StepN.chr
  std::string LogFileName() const;             // MODEL.out
  // The model's name without folder and extension, e.g. "panel".
  std::string Stem() const;
};

// What a reader of the run's files asked for, checked against the model: the
// seams (every seam when `asked` is empty) and the steps, each list sorted
// with repeats dropped. False with `error` set ("seam 3 is not in the model
// (seams 1 to 2)") when one is not there.
[[nodiscard]] bool SeamsInModel(const RunInfo& info, const std::vector<int>& asked,
                                std::vector<int>& seams, std::string& error);
[[nodiscard]] bool StepsInModel(const RunInfo& info, const std::vector<int>& asked,
                                std::vector<int>& steps, std::string& error);

// "<path>: no such file; run the model first (kavrel run MODEL.inp)" for a
// run file that is missing, or empty when `path` exists.
std::string MissingRunFile(const RunInfo& info, const std::string& path);

// Reads the model at `path`. Returns false with `error` set to the reader's
// own message (one line, no line end) when the model cannot be read.
[[nodiscard]] bool LoadRunInfo(const std::string& path, RunInfo& info, std::string& error);

}  // namespace kavrel
