// Fuzz target of the .tpo topographic stress reader
// (CModelDat::TopoStressReader).
//
// Every input is read against two seam grids: the hill example's (one seam of
// 40 x 40 elements of 5 m), which the seed written by a run of that example
// matches, and a small two-seam grid of 3 x 2 elements, which short inputs
// can reach the end of. A file the reader accepts must have the seam grid's
// shape and a finite header, and must have set every stress of every seam to
// a finite value that single precision holds exactly.
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
  if (m.TopoStressReader() != 0) return;

  Promise(m.topoNx == m.nx && m.topoNy == m.ny, "grid of the seams' shape");
  Promise(static_cast<long long>(m.topoNx) * m.topoNy == m.topoBlockCount,
          "block count is X count times Y count");
  PromiseFinite(m.topoBlockWidth, "finite block width");
  PromiseFinite(m.topoOriginX, "finite origin X");
  PromiseFinite(m.topoOriginY, "finite origin Y");
  PromiseFinite(m.topoDatumZ, "finite origin Z");
  for (int s = 1; s <= m.seamCount; ++s)
    for (int i = 1; i <= m.nx; ++i)
      for (int j = 1; j <= m.ny; ++j) {
        const double v = m.overburdenStress[s][i][j];
        PromiseFinite(v, "every stress of every seam set and finite");
        Promise(v == static_cast<double>(static_cast<float>(v)), "stress at single precision");
      }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Scratch::Get().Write("model.tpo", data, size);
  ReadAgainst({1, 40, 40, 5});
  ReadAgainst({2, 3, 2, 10});
  return 0;
}
