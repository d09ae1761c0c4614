// The cases of a study: their parameter values, their model texts (checked
// by the model reader before anything is written or launched), their folders
// and manifest, and what each case's folder says about its run.
//
// Study folder layout (StudyFolder):
//   manifest.csv        "case," then the parameter names; one line per case
//   case-0001/model.inp the case's model (model.top beside it when the base
//                       model has a topography file)
//   case-0001/exit-status   the exit status of `kavrel run`, written once the
//                       run has ended by itself; run.out and run.err its output
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/model_input.h"
#include "study/model_fields.h"
#include "study/study_file.h"

namespace kavrel::study {

inline constexpr const char* kCaseModel = "model.inp";
inline constexpr const char* kExitStatusFile = "exit-status";
inline constexpr const char* kManifestFile = "manifest.csv";
inline constexpr long long kMaxCases = 100000;

struct StudyCase {
  int id = 0;                  // 1..case count, in expansion order
  std::vector<double> values;  // one per parameter, in the study file's order
  std::string modelText;
};

struct StudyPlan {
  StudyFile study;
  std::vector<StudyCase> cases;
};

// Expands `study`: reads its base model, places every parameter in it, makes
// every combination of the listed values times the draws (the first
// parameter varying slowest, the draw fastest), and reads each case's model
// text with ReadModelInput. Returns false with every problem in `problems`
// (one sentence each, naming the case and its values where one is at fault),
// so that nothing is launched for a study with a case the reader refuses.
// Warnings of the reader on a case go to `warnings`. A study of more than
// kMaxCases cases is refused before any is made.
[[nodiscard]] bool PlanStudy(const StudyFile& study, StudyPlan& plan,
                             std::vector<std::string>& problems,
                             std::vector<std::string>& warnings);

// "case-0001": the folder name of case `id`.
std::string CaseName(int id);

// "name=value, ..." of a case, for messages.
std::string DescribeCase(const StudyPlan& plan, const StudyCase& c);

// Writes the manifest and every case's folder under `folder`. A case model
// already on disk with the same text is left alone (with its results); one
// whose text differs is replaced and its exit status removed, so the case
// runs again. False with `error` naming the file on the first write that
// fails.
[[nodiscard]] bool WriteCases(const StudyPlan& plan, const std::filesystem::path& folder,
                              std::string& error);

enum class CaseState { NotRun, Succeeded, Failed };

struct CaseStatus {
  CaseState state = CaseState::NotRun;
  int exitStatus = -1;  // when the run ended
};

// What the case folder says: no exit-status file is a case not run (or
// stopped before its end); a status of 0 a success; any other a failure.
CaseStatus ReadCaseStatus(const std::filesystem::path& caseFolder);

}  // namespace kavrel::study
