// The memory a run will take, known from the model's header alone, so that
// the reader can refuse a model the machine cannot hold before it allocates
// the code cube, instead of a run that ends hours in with an allocation
// failure or brings the machine to a halt swapping.
//
// The estimate counts the grids the run keeps for its whole length: the code
// cube, the always-present seam grids with the ghost borders of the
// convergence, the grids of each option that is on, and the pillar table,
// each with the row tables of the indexed arrays. Short-lived working buffers
// (kernel tables, pillar lists) and the topographic grids, whose size only
// the .top file knows, are left out: they are small beside the seam grids.
#pragma once

#include <cstdint>
#include <string>

namespace kavrel {

class CModelDat;
struct ModelInput;

// Bytes the grids of a run of `model` take, from seamCount, nx, ny,
// stepCount, the option flags and the off-seam grid as read.
std::uint64_t EstimateRunMemory(const ModelInput& model);

// The machine's physical memory in bytes; 0 when the system does not say.
std::uint64_t PhysicalMemoryBytes();

// The memory the model's run is compared with: model.machineMemory when set,
// else the machine's physical memory (0 when unknown: nothing is refused).
std::uint64_t AvailableMemoryBytes(const CModelDat& model);

// A byte count for people, with one decimal: "812.0 kB", "12.3 MB", "57.2 GB"
// (units of 1024).
std::string MemoryText(std::uint64_t bytes);

}  // namespace kavrel
