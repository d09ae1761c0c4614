// Fuzz target of the .top surface grid reader (CModelDat::TopoInputReader).
//
// Besides crashes, leaks and undefined behaviour, a file the reader accepts
// must describe a usable grid: at least one block each way and no more than
// a seam grid may have along an axis, a block count that is their product, a
// finite block width above zero, a finite origin and datum, and a finite
// height in every block of the grid it allocated.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "model/input_fields.h"

using namespace kavrel;
using namespace kavrel::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Scratch::Get().Write("model.top", data, size);
  QuietModel quiet("model");
  CModelDat& m = quiet.model;
  if (m.TopoInputReader() != 0) return 0;

  Promise(m.topoNx >= 1 && m.topoNx <= input::kMaxAxisCount, "X block count in range");
  Promise(m.topoNy >= 1 && m.topoNy <= input::kMaxAxisCount, "Y block count in range");
  Promise(static_cast<long long>(m.topoNx) * m.topoNy == m.topoBlockCount,
          "block count is X count times Y count");
  PromiseFinite(m.topoBlockWidth, "finite block width");
  Promise(m.topoBlockWidth > 0, "block width above zero");
  PromiseFinite(m.topoOriginX, "finite origin X");
  PromiseFinite(m.topoOriginY, "finite origin Y");
  PromiseFinite(m.topoDatumZ, "finite datum");
  Promise(m.topoLoad && m.topoLoad.rowLow() == 1 && m.topoLoad.rowHigh() == m.topoNx &&
              m.topoLoad.colLow() == 1 && m.topoLoad.colHigh() == m.topoNy,
          "height grid of the announced size");
  Promise(m.topoDisplacement && m.topoDisplacement.rowLow() == 0 &&
              m.topoDisplacement.rowHigh() == m.topoNx + 1 &&
              m.topoDisplacement.colHigh() == m.topoNy + 1,
          "displacement grid with its ghost border");
  for (int i = 1; i <= m.topoNx; ++i)
    for (int j = 1; j <= m.topoNy; ++j) PromiseFinite(m.topoLoad[i][j], "finite height");
  return 0;
}
