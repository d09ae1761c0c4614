// The study file: a base model and the parameters to vary, plain text, one
// setting per line, `#` starting a comment:
//
//   base = two_seam.inp              the model every case starts from
//                                    (relative paths from the study file's folder)
//   draws = 20                       cases per combination of listed values; needed
//                                    when a parameter is drawn at random, else 1
//   rock.modulus = 10e9, 14e9        a list of values
//   rock.lamination = range 40 120 5 COUNT values from FROM to TO, both ends included
//   material.B.2 = normal 20e6 2e6 seed 11
//                                    random draws: uniform LOW HIGH, normal MEAN SD
//                                    or lognormal MU SIGMA (of the natural log),
//                                    each with its own seed
//
// Which names a parameter may have is the business of model_fields.h; this
// file only reads the text. The cases are every combination of the listed
// values (the first parameter varying slowest) times `draws`.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "study/random_draws.h"

namespace kavrel::study {

struct StudyParameter {
  std::string name;
  int line = 0;  // line of the study file, from 1
  bool random = false;
  std::vector<double> values;  // a list or a range, when not random
  Distribution distribution;   // when random
};

struct StudyFile {
  std::filesystem::path path;       // the study file as given
  std::filesystem::path baseModel;  // resolved against the study file's folder
  int draws = 1;
  bool drawsGiven = false;
  std::vector<StudyParameter> parameters;  // in file order
};

// Reads the study file's text. On a line it cannot read, returns false with
// `error` naming the line and the reason ("line 4: ..."), without a line end.
[[nodiscard]] bool ParseStudyText(const std::string& text, const std::filesystem::path& path,
                                  StudyFile& study, std::string& error);

// Reads the study file at `path`; `error` as ParseStudyText's, or why the file
// cannot be read.
[[nodiscard]] bool ReadStudyFile(const std::filesystem::path& path, StudyFile& study,
                                 std::string& error);

// The folder that holds the study's cases, manifest and job files: beside
// the study file, named after it with ".cases" (calib.txt -> calib.cases).
std::filesystem::path StudyFolder(const StudyFile& study);

}  // namespace kavrel::study
