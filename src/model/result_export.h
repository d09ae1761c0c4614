// The results of a finished run as one CSV table, for spreadsheets and
// scripts that should not have to know the layout of the result files: one
// header row, then one row per element of each seam, step and LMS run, with
// the element's indices, centre and material code beside every result
// column. Everything is read from the files the run left beside the model
// (the result files MODEL.fS and the step code files MODEL_StepN.chr); the
// model is never run again. Qt-free, so that the console and any script
// driver can use it.
//
// Columns, in this order:
//   step, lms_run, seam, i, j   1-based; lms_run 0 is the step as mined, p the
//                               run with LMS pillar p taken out (always 0 for a
//                               model without LMS pillars)
//   x_U, y_U                    the element's centre in the output length unit
//                               U (e.g. x_ft), from the model's seam origin and
//                               element width
//   code                        the element's material code at that step
//   then every result column    under ExportColumnName, in the file's order
//
// Rows run seam by seam (each result file is read once, block by block, so a
// large model never has more than one block in memory), within a seam in the
// file's block order (step, then LMS run), within a block X outer, Y inner.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "model/result_reader.h"
#include "model/run_info.h"

namespace kavrel::results {

// The CSV name of a result column: the words of its name (runs of letters
// and digits) in lower case joined by "_", a leading word "seam" dropped
// when others follow; then "_" and the unit label with every run of other
// characters turned into one "_", its case kept. Unit labels that name a
// kind of ratio rather than a unit ("Strain", "Slope", "... Safety Factor")
// and empty labels add nothing. So {"Seam Convergence", "m"} ->
// "convergence_m", {"Stored Elastic Energy", "in-lbs"} ->
// "stored_elastic_energy_in_lbs", {"Pillar Stress SF", "Stress Safety
// Factor"} -> "pillar_stress_sf", {"X Strain", "Strain"} -> "x_strain".
std::string ExportColumnName(const Column& column);

// The whole header row's names for `columns` of a model whose output length
// unit is `lengthUnit`: the fixed columns, then ExportColumnName of each
// result column. A name that would repeat an earlier one gets "_2", "_3", ...
std::vector<std::string> ExportHeader(const std::vector<Column>& columns,
                                      const std::string& lengthUnit);

struct ExportRequest {
  std::vector<int> seams;  // empty: every seam
  std::vector<int> steps;  // empty: every step (every complete block the files hold)
  std::string output;      // empty: DefaultExportPath; "-": the stream given to ExportResults
};

struct ExportOutcome {
  // The path written (or "-"); empty when nothing was.
  std::string written;
  long long rows = 0;  // data rows written
  // Set when the table was written but lacks blocks: one line per
  // incomplete result file, "<file>: incomplete (...): <reason>".
  std::vector<std::string> warnings;
  // Set when ExportResults returns false: "<file>: <reason>" or a plain
  // reason, one line without a line end.
  std::string error;
};

// MODEL.export.csv beside the model.
std::string DefaultExportPath(const RunInfo& info);

// Writes the table of `request` for the run of `info`. Every seam, step,
// result file and code file is checked before a row is written; a file
// output is written under a temporary name in the same folder and renamed
// at the end, so that on failure (false, `outcome.error` set) the output
// path is left as it was. With `request.output` "-" the table goes to
// `standardOutput`, and a failure found while reading may leave part of it
// there. An incomplete result file (an interrupted run) with no steps
// asked for is not a failure: its complete blocks are written and a
// warning names it; a step asked for that a file does not hold is.
[[nodiscard]] bool ExportResults(const RunInfo& info, const ExportRequest& request,
                                 std::FILE* standardOutput, ExportOutcome& outcome);

}  // namespace kavrel::results
