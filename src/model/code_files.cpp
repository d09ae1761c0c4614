// The per-step material-code files: the input's code block is split into one
// file per mining step when the model is read, and each step's file is loaded
// into the code cube at the start of that step of a run.
//
// Layout of one step, in the input's block and in a code file alike: for each
// seam s = 1..seamCount, rows y = ny down to 1, each row the codes of
// x = 1..nx. A code file holds one row per line; the input's block may be laid
// out freely, since white space between codes is skipped.
#include "model/code_files.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "core/fatal_exit.h"
#include "core/text_files.h"
#include "model/input_fields.h"
#include "model/material_codes.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

// The next code character of `file`, white space skipped; EOF at the end.
int NextCode(std::FILE* file) {
  int c = std::getc(file);
  while (c != EOF && input::IsSpace(c)) c = std::getc(file);
  return c;
}

}  // namespace

bool ReadSeamCodes(std::FILE* file, char** codes, int nx, int ny, int& x, int& y) {
  for (y = ny; y >= 1; --y)
    for (x = 1; x <= nx; ++x) {
      const int c = NextCode(file);
      if (c == EOF) return false;
      codes[x][y] = static_cast<char>(c);
    }
  return true;
}

void WriteSeamRows(std::FILE* file, char** codes, int nx, int ny) {
  std::string row(static_cast<std::size_t>(nx > 0 ? nx : 0) + 1, '\n');
  for (int y = ny; y >= 1; --y) {
    for (int x = 1; x <= nx; ++x) row[static_cast<std::size_t>(x - 1)] = codes[x][y];
    std::fwrite(row.data(), 1, row.size(), file);
  }
}

std::string CModelDat::StepCodeFileName(int step) const {
  return Names().StepCodes(step);
}

// Creates fineCodes and writes one code file per step from the code block that
// follows the last line the reader took from `input`. A step file that cannot
// be created, a block that ends early, or a code file that cannot be written
// ends the read with result 11; afterwards fineCodes holds the last step.
// With `writeStepCodeFiles` false the block is read and checked alike but no
// file is written. Codes that name no material are added to `warnings`.
int CModelDat::WriteStepCodeFiles(std::FILE* input) {
  fineCodes.Allocate(1, seamCount, 1, nx, 1, ny);

  for (int step = 1; step <= stepCount; ++step) {
    UniqueFile out;
    if (writeStepCodeFiles) {
      out.reset(std::fopen(StepCodeFileName(step).c_str(), "w"));
      if (!out) {
        const int error = errno;
        ShowMessage("Could Not Open Temporary File for Seam Codes- RI11a");
        ShowFileProblem(StepCodeFileName(step), error);
        return 11;
      }
    }
    for (int s = 1; s <= seamCount; ++s) {
      char** codes = fineCodes[s];
      int x = 0, y = 0;
      if (!ReadSeamCodes(input, codes, nx, ny, x, y)) {
        ShowMessage("Error reading the fine mesh codes - RI11b\n");
        return 11;
      }
      CheckSeamCodes(codes, nx, ny, materialCount, step, s, warnings);
      if (out) WriteSeamRows(out.get(), codes, nx, ny);
    }
    if (out && !FinishFile(out)) {
      ShowMessage("Error writing the fine mesh codes - RI11c\n");
      return 11;
    }
  }
  return 0;
}

// Loads the codes of `step` into `current` (and, with energies from step 2
// on, first keeps the codes it held in `previous`). A missing or short code
// file ends the run (exit codes 1 and 2).
void CModelDat::ReadStepCodes(CCube& previous, CCube& current, int step, RunLog& log) {
  UniqueFile file(std::fopen(StepCodeFileName(step).c_str(), "r"));
  if (!file) {
    const int error = errno;
    ShowMessage("Could Not Open Temporary File with Seam Codes - RC1");
    ShowFileProblem(StepCodeFileName(step), error);
    throw FatalExit(1);
  }
  if (energyValues == 1 && step > 1)
    for (int s = 1; s <= seamCount; ++s)
      for (int x = 1; x <= nx; ++x)
        for (int y = 1; y <= ny; ++y) previous[s][x][y] = current[s][x][y];

  for (int s = 1; s <= seamCount; ++s) {
    log.Printf("Reading in material codes for Step %i, Seam %i\n\n", step, s);
    int x = 0, y = 0;
    if (!ReadSeamCodes(file.get(), current[s], nx, ny, x, y)) {
      ShowMessage(
          FormatText(128, "Error reading the fine mesh codes, step=%i, seam %i, X=%i, Y=%i - RC2\n",
                     step, s, x, y));
      throw FatalExit(2);
    }
  }
}

int CModelDat::CodeToInteger(char code) { return MaterialIndexReported(code, *messages); }

}  // namespace kavrel
