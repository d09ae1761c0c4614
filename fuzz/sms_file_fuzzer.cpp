// Fuzz target of the .sms static stress reader
// (CModelDat::StaticStressReader).
//
// Every input is read against two seam grids: the every_option example's
// off-seam grid (20 x 20 blocks of 240 in, here two seams), which the seed
// written by a run of that example matches, and a small two-seam grid of
// 3 x 2 elements of 123.456, whose width the writer cannot print exactly.
// A file the reader accepts must have set grid 1 and any further grids it
// holds to finite values in every element, leaving the seams beyond them
// untouched (still NaN here).
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

using namespace kavrel;
using namespace kavrel::fuzzing;

namespace {

void ReadAgainst(const SeamGrid& grid) {
  QuietModel quiet("model");
  CModelDat& m = quiet.model;
  SetSeamGrid(m, grid);
  RunLog log = RunLog::Open("/dev/null", "w");
  if (m.StaticStressReader(log) != 0) return;

  // Seams 1..G are set throughout, seams above G not at all.
  bool setSoFar = true;
  for (int s = 1; s <= m.seamCount; ++s) {
    const bool set = !std::isnan(m.preCalculatedStress[s][1][1]);
    Promise(s > 1 || set, "grid 1 set");
    Promise(setSoFar || !set, "the grids set are the first ones");
    setSoFar = set;
    for (int i = 1; i <= m.nx; ++i)
      for (int j = 1; j <= m.ny; ++j) {
        const double v = m.preCalculatedStress[s][i][j];
        if (set)
          PromiseFinite(v, "every stress of a grid set and finite");
        else
          Promise(std::isnan(v), "a seam beyond the file's grids untouched");
      }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Scratch::Get().Write("model.sms", data, size);
  ReadAgainst({2, 20, 20, 240});
  ReadAgainst({2, 3, 2, 123.456});
  return 0;
}
