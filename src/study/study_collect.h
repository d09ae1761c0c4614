// Gathering a study's results: every case's step summary (MODEL.summary.csv)
// in one table beside the manifest, each case marked by how its run ended,
// and, given measured values, the cases ranked by their misfit to them.
//
// collected.csv: "case,status,exit_status," the parameter names, then the
// step summary's columns; one line per summary line of a case that ran, one
// line with empty summary columns for a case that failed, has not run, or
// left no summary. Status is "ok", "failed", "not run" or "no summary".
//
// Measured points, a CSV file with the header "x,y,seam,step,quantity,value":
// x, y a point in the model's length unit; quantity "convergence" (the seam
// convergence of seam `seam` at the element holding the point) or "surface"
// (the off-seam displacement, MODEL.of1, at the block holding the point, the
// off-seam grid being the ground surface; `seam` is not used); value in the
// output unit of the result files. A case's misfit is the root mean square of
// (computed - measured) over the points.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "study/study_cases.h"

namespace kavrel::study {

inline constexpr const char* kCollectedFile = "collected.csv";
inline constexpr const char* kMisfitFile = "misfit.csv";

struct Manifest {
  std::vector<std::string> parameterNames;
  std::vector<int> ids;
  std::vector<std::vector<std::string>> values;  // as the manifest spells them
};

// Reads manifest.csv of `studyFolder`; false with `error` (the reason, without
// the file's name).
// The fields of one line of the study's CSV files, split at every comma,
// blanks and a CR at either end taken off.
std::vector<std::string> SplitCsv(const std::string& line);

[[nodiscard]] bool ReadManifest(const std::filesystem::path& studyFolder, Manifest& manifest,
                                std::string& error);

enum class MeasuredQuantity { Convergence, Surface };

struct MeasuredPoint {
  double x = 0, y = 0;
  int seam = 0, step = 0;
  MeasuredQuantity quantity = MeasuredQuantity::Convergence;
  double value = 0;
};

// Reads the measured points; false with `error` ("line N: ...", or why the
// file cannot be read).
[[nodiscard]] bool ReadMeasuredPoints(const std::filesystem::path& path,
                                      std::vector<MeasuredPoint>& points, std::string& error);

struct CaseOutcome {
  int id = 0;
  CaseStatus status;
  bool hasSummary = false;
  std::string statusText;  // "ok", "failed", "not run", "no summary"
  // Misfit to the measured points, when every point could be evaluated.
  bool ranked = false;
  double misfit = 0;
  std::string whyUnranked;  // one sentence, when not ranked and points were given
};

struct Collection {
  std::vector<CaseOutcome> outcomes;  // in manifest order
  std::string table;                  // the text of collected.csv
  std::string ranking;                // the text of misfit.csv (points given)
  std::vector<int> rankedOrder;       // indices into outcomes, best first
};

// Collects the study in `studyFolder` (its manifest already read); with
// `points` not empty also computes each case's misfit and the ranking.
Collection CollectStudy(const std::filesystem::path& studyFolder, const Manifest& manifest,
                        const std::vector<MeasuredPoint>& points);

// The misfit of one case folder's results to `points`; false with `error`
// when a point cannot be evaluated (file missing, point outside the grid,
// step not written).
[[nodiscard]] bool CaseMisfit(const std::filesystem::path& caseFolder,
                              const std::vector<MeasuredPoint>& points, double& misfit,
                              std::string& error);

}  // namespace kavrel::study
