// Fuzz target of File > Open on a model file: kavrel::OpenModel reads and
// checks the input, writes one material-code file per step and the input
// echo, all in the process's scratch folder.
//
// A fatal error of the core (FatalExit) is a refusal like any other. Besides
// crashes, leaks and undefined behaviour, a model the reader accepts must
// keep what the reader promises its callers:
//   - every real number it took from the file, and the output factors it set,
//     is finite;
//   - the counts, grid sizes, boundary conditions, off-seam grid and LMS
//     pillars lie in the ranges the reader checks, and no two planes an
//     influence kernel joins are at zero distance;
//   - every element of every seam at every step, as the step code files hold
//     it, carries a material defined by the file ('A' up to the last one) or
//     the mined-out code '1'.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "core/fatal_exit.h"
#include "fuzz_support.h"
#include "model/input_fields.h"
#include "model/open_model.h"

using namespace kavrel;
using namespace kavrel::fuzzing;

namespace {

// Whether `c` names one of the first `materials` materials or a mined-out
// element.
bool ValidCode(char c, int materials) {
  if (c == '1') return true;
  int index = -1;
  if (c >= 'A' && c <= 'Z') index = c - 'A';
  if (c >= 'a' && c <= 'z') index = c - 'a' + 26;
  return index >= 0 && index < materials;
}

void CheckNumbers(const CModelDat& m) {
  PromiseFinite(m.poissonsRatio, "finite Poisson's ratio");
  PromiseFinite(m.elasticModulus, "finite elastic modulus");
  PromiseFinite(m.layerThickness, "finite layer thickness");
  for (int k = 0; k < m.materialCount; ++k)
    for (double v : m.materialProps[k]) PromiseFinite(v, "finite material property");
  PromiseFinite(m.elementWidth, "finite element width");
  PromiseFinite(m.stressGradient, "finite stress gradient");
  for (int s = 1; s <= m.seamCount; ++s) {
    PromiseFinite(m.seamX[s], "finite seam X");
    PromiseFinite(m.seamY[s], "finite seam Y");
    PromiseFinite(m.seamZ[s], "finite seam Z");
    PromiseFinite(m.seamThickness[s], "finite seam thickness");
  }
  PromiseFinite(m.overRelaxation, "finite over-relaxation");
  PromiseFinite(m.stressConvergence, "finite convergence criterion");
  if (m.offSeamCalc >= 1) {
    PromiseFinite(m.offSeamOriginX, "finite off-seam origin X");
    PromiseFinite(m.offSeamOriginY, "finite off-seam origin Y");
    PromiseFinite(m.offSeamOriginZ, "finite off-seam origin Z");
    PromiseFinite(m.offSeamBlockWidth, "finite off-seam block width");
    PromiseFinite(m.offSeamBlockHeight, "finite off-seam block height");
  }
  PromiseFinite(m.displacementOutputFactor, "finite displacement factor");
  PromiseFinite(m.stressOutputFactor, "finite stress factor");
  PromiseFinite(m.energyOutputFactor, "finite energy factor");
}

void CheckRanges(const CModelDat& m) {
  Promise(std::memchr(m.title, '\0', sizeof m.title) != nullptr, "title terminated");
  Promise(m.seamCount >= 1 && m.seamCount <= 10, "seam count 1..10");
  Promise(m.unitSystem >= 0 && m.unitSystem <= 3, "unit code 0..3");
  Promise(m.materialCount >= 1 && m.materialCount <= 52, "material count 1..52");
  for (int k = 0; k < m.materialCount; ++k)
    Promise(m.materialType[k] >= 1 && m.materialType[k] <= 6, "material type 1..6");
  Promise(m.nx >= 10 && m.nx <= input::kMaxAxisCount && m.nx % 10 == 0, "nx a multiple of 10");
  Promise(m.ny >= 10 && m.ny <= input::kMaxAxisCount && m.ny % 10 == 0, "ny a multiple of 10");
  Promise(m.elementWidth != 0, "element width not zero");
  Promise(m.stepCount >= 0 && m.stepCount <= 200, "step count 0..200");
  for (int bc : {m.bcNorth, m.bcEast, m.bcSouth, m.bcWest})
    Promise(bc == 0 || bc == 1, "boundary condition 0 or 1");
  for (int j = 1; j <= m.seamCount; ++j)
    for (int k = j; k <= m.seamCount; ++k) {
      if (k > j) Promise(m.seamZ[j] - m.seamZ[k] != 0, "seams at distinct elevations");
      if (m.surfaceEffects == 1)
        Promise(m.seamZ[j] + m.seamZ[k] != 0, "no seam on a surface image");
    }
  if (m.offSeamCalc >= 1) {
    Promise(m.offSeamNx >= 1 && m.offSeamNx <= input::kMaxAxisCount, "off-seam X count");
    Promise(m.offSeamNy >= 1 && m.offSeamNy <= input::kMaxAxisCount, "off-seam Y count");
    Promise(static_cast<long long>(m.offSeamNx) * m.offSeamNy == m.offSeamBlockCount,
            "off-seam block count");
    Promise(m.offSeamNz == 1 && m.offSeamBlockHeight == 0, "one off-seam plane");
    if (m.offSeamDisplacement >= 1 || m.offSeamStress >= 1) {
      Promise(m.offSeamBlockWidth != 0, "off-seam block width not zero");
      for (int s = 1; s <= m.seamCount; ++s) {
        Promise(m.seamZ[s] - m.offSeamOriginZ != 0, "off-seam plane off every seam");
        if (m.surfaceEffects == 1)
          Promise(-m.seamZ[s] - m.offSeamOriginZ != 0, "off-seam plane off every image");
      }
    }
  }
  if (m.localMineStiffness == 1) {
    Promise(m.lmsPillarCount >= 1 && m.lmsPillarCount <= 5, "LMS pillar count 1..5");
    for (int p = 1; p <= m.lmsPillarCount; ++p)
      Promise(m.lmsX[p] >= 1 && m.lmsX[p] <= m.nx && m.lmsY[p] >= 1 && m.lmsY[p] <= m.ny,
              "LMS pillar on the grid");
  } else {
    Promise(m.lmsPillarCount == 0, "no LMS pillar without the option");
  }
}

// Every step code file: seamCount x ny rows of nx codes, one per line, each
// a defined material or '1' unless the reader warned about the code block
// (codes that name no material are read, and warned about, not refused).
void CheckCodes(const CModelDat& m) {
  bool codesWarned = false;
  for (const ModelWarning& w : m.warnings) codesWarned = codesWarned || w.line == 0;
  const auto validOrWarned = [&](char c) { return codesWarned || ValidCode(c, m.materialCount); };
  const std::size_t rowSize = static_cast<std::size_t>(m.nx) + 1;
  const std::size_t rows = static_cast<std::size_t>(m.seamCount) * static_cast<std::size_t>(m.ny);
  for (int step = 1; step <= m.stepCount; ++step) {
    std::ifstream in(m.StepCodeFileName(step), std::ios::binary);
    Promise(static_cast<bool>(in), "a code file for every step");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Promise(text.size() == rows * rowSize, "code file of seamCount x ny rows of nx codes");
    for (std::size_t k = 0; k < text.size(); ++k) {
      if (k % rowSize == rowSize - 1)
        Promise(text[k] == '\n', "one row per line");
      else
        Promise(validOrWarned(text[k]), "valid material code, or a warning");
    }
  }
  if (m.stepCount >= 1)
    for (int s = 1; s <= m.seamCount; ++s)
      for (int i = 1; i <= m.nx; ++i)
        for (int j = 1; j <= m.ny; ++j)
          Promise(validOrWarned(m.fineCodes[s][i][j]), "valid code in the cube, or a warning");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Scratch& scratch = Scratch::Get();
  scratch.Clear();
  scratch.Write("model.inp", data, size);

  QuietModel quiet("model");
  CModelDat& m = quiet.model;
  int result = 0;
  try {
    result = OpenModel(m, SplitInputPath(scratch.Folder() + "model.inp"), false);
  } catch (const FatalExit&) {
    return 0;
  }
  if (result != 0) return 0;

  CheckNumbers(m);
  CheckRanges(m);
  CheckCodes(m);
  return 0;
}
