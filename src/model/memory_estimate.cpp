// The run's memory from the header: the grids CModelDat::AllocateArrays
// makes for the options of the model, plus the code cube of the reader, each
// counted as the indexed arrays lay it out.
#include "model/memory_estimate.h"

#include <unistd.h>

#include "core/text_files.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

using Bytes = std::uint64_t;

Bytes Count(int n) { return n > 0 ? static_cast<Bytes>(n) : 0; }

// A matrix of `rows` x `columns` elements of `element` bytes: the row table
// and the rows.
Bytes MatrixBytes(int rows, int columns, Bytes element) {
  return Count(rows) * (sizeof(void*) + Count(columns) * element);
}

// A cube of `planes` such matrices and its plane table.
Bytes CubeBytes(int planes, int rows, int columns, Bytes element) {
  return Count(planes) * (sizeof(void*) + MatrixBytes(rows, columns, element));
}

}  // namespace

Bytes EstimateRunMemory(const ModelInput& m) {
  const int S = m.seamCount;
  const Bytes seamCube = CubeBytes(S, m.nx, m.ny, sizeof(double));
  const Bytes bordered = CubeBytes(S, m.nx + 2, m.ny + 2, sizeof(double));
  const Bytes codeCube = CubeBytes(S, m.nx, m.ny, sizeof(char));

  // The code cube, convergence and oldConvergence, coarseConvergence, and the
  // total, overburden, surface effect, interseam and pre-calculated stresses.
  Bytes total = codeCube + 2 * bordered + MatrixBytes(m.nx, m.ny, sizeof(double)) + 5 * seamCube;
  if (m.remoteStrains == 1) total += 5 * seamCube;
  if (m.safetyFactors == 1) total += 3 * seamCube;
  if (m.energyValues == 1) {
    total += 6 * seamCube;
    if (m.stepCount > 1) total += 4 * seamCube + codeCube;
  }
  if (m.roofBending == 1) total += 5 * seamCube;
  if (m.offSeamCalc >= 1) {
    const Bytes offSeamCube = CubeBytes(m.offSeamNz, m.offSeamNx, m.offSeamNy, sizeof(double));
    if (m.offSeamDisplacement >= 1) total += 5 * offSeamCube;
    if (m.offSeamStress >= 1) total += offSeamCube;
  }
  // The pillar table, rows 1..nx of columns 0..ny.
  if (m.safetyFactors == 1 || m.lmsPillarCount > 0)
    total += MatrixBytes(m.nx, m.ny + 1, sizeof(void*));
  return total;
}

Bytes PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<Bytes>(pages) * static_cast<Bytes>(pageSize);
}

Bytes AvailableMemoryBytes(const CModelDat& model) {
  return model.machineMemory > 0 ? model.machineMemory : PhysicalMemoryBytes();
}

std::string MemoryText(Bytes bytes) {
  const double kilo = 1024.0;
  const double value = static_cast<double>(bytes);
  if (value < kilo * kilo) return FormatText(32, "%.1f kB", value / kilo);
  if (value < kilo * kilo * kilo) return FormatText(32, "%.1f MB", value / (kilo * kilo));
  return FormatText(32, "%.1f GB", value / (kilo * kilo * kilo));
}

}  // namespace kavrel
