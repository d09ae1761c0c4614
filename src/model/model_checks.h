// Warnings on models that read but cannot give a meaningful run: a zero or
// negative rock modulus, a Poisson's ratio the plate factor cannot take, a
// seam above the ground, an option flag the run would half obey, codes that
// name no material, stray bytes in the file. The format's own checks (the
// reader's result codes) refuse only what would break the program; these
// values run to the end and give numbers that mean nothing, so they are
// reported, and `kavrel check --strict` can fail on them.
//
// The reader collects the warnings (CModelDat::warnings), in the order of
// the file: the header lines first, then the code block, then text after it.
// Each warning text names where the problem is (an input line and field,
// counted from 1, or a step, seam and element) and what is wrong; the front
// end marks it as a warning when it shows it.
#pragma once

#include <string>
#include <vector>

#include "model/material_codes.h"

namespace kavrel {

struct ModelInput;

struct ModelWarning {
  int line = 0;      // the input line it names (from 1); 0 for the code block
  std::string text;  // e.g. "line 2, field 2 (rock modulus): -5 is not above 0"
};

// The input lines (from 1) that hold the checked records; 0 for a record the
// file does not have.
struct InputLineNumbers {
  int hostRock = 0;
  int grid = 0;
  int seam[11] = {};  // seam s = 1..10
  int control = 0;
  int offSeam = 0;
};

// The warnings on the values of a read model's header, in line order.
std::vector<ModelWarning> CheckModel(const ModelInput& model, const InputLineNumbers& lines);

// Appends the warnings on one seam's codes of one step: at most one for NUL
// bytes and one for other characters that name no material of the model
// ('A'.. up to the materialCount-th letter, and '1' for mined out), each
// naming the first such element in the layout order and counting the rest.
void CheckSeamCodes(char** codes, int nx, int ny, int materialCount, int step, int seam,
                    std::vector<ModelWarning>& warnings);

}  // namespace kavrel
