// The memory estimate of a run against a count by hand of the grids a small
// model's run allocates, option by option, and the figures as people read
// them.
#include "model/memory_estimate.h"

#include <gtest/gtest.h>

#include "model/model_dat.h"

namespace kavrel {
namespace {

TEST(MemoryEstimate, CountsEveryGridOfTheOptionsWithItsRowTables) {
  CModelDat m;
  m.seamCount = 1;
  m.nx = 10;
  m.ny = 10;
  m.stepCount = 1;
  // Pointers and doubles of 8 bytes. A 1 x 10 x 10 cube holds a plane
  // pointer, 10 row pointers and its elements: doubles 8 + 10 (8 + 80) = 888,
  // codes 8 + 10 (8 + 10) = 188; with the ghost border 8 + 12 (8 + 96) = 1256.
  // A 10 x 10 matrix of doubles is 10 (8 + 80) = 880.
  const std::uint64_t cube = 888, codes = 188, bordered = 1256, matrix = 880;
  // Codes, convergence and its copy, the coarse grid, five stress cubes.
  const std::uint64_t always = codes + 2 * bordered + matrix + 5 * cube;
  EXPECT_EQ(always, 8020u);
  EXPECT_EQ(EstimateRunMemory(m), always);

  // Safety factors: three cubes and the pillar table, 10 rows of 11 pointers.
  m.safetyFactors = 1;
  EXPECT_EQ(EstimateRunMemory(m), always + 3 * cube + 10 * (8 + 11 * 8));
  m.safetyFactors = 0;

  // Energies: six cubes; over two steps four more and the previous codes.
  m.energyValues = 1;
  EXPECT_EQ(EstimateRunMemory(m), always + 6 * cube);
  m.stepCount = 2;
  EXPECT_EQ(EstimateRunMemory(m), always + 10 * cube + codes);
  m.energyValues = 0;

  // Remote strains and roof bending: five cubes each.
  m.remoteStrains = 1;
  m.roofBending = 1;
  EXPECT_EQ(EstimateRunMemory(m), always + 10 * cube);
  m.remoteStrains = m.roofBending = 0;

  // Off-seam displacements (five grids) and stresses (one) on 1 x 4 x 5
  // blocks: 8 + 4 (8 + 40) = 200 each.
  m.offSeamCalc = 1;
  m.offSeamDisplacement = m.offSeamStress = 1;
  m.offSeamNz = 1;
  m.offSeamNx = 4;
  m.offSeamNy = 5;
  EXPECT_EQ(EstimateRunMemory(m), always + 6 * 200);

  // Two seams double every seam grid but not the coarse one.
  m.offSeamCalc = 0;
  m.seamCount = 2;
  EXPECT_EQ(EstimateRunMemory(m), 2 * (always - matrix) + matrix);
}

TEST(MemoryEstimate, FiguresForPeopleAndTheMachine) {
  EXPECT_EQ(MemoryText(8020), "7.8 kB");
  EXPECT_EQ(MemoryText(std::uint64_t{123} << 20), "123.0 MB");
  EXPECT_EQ(MemoryText((std::uint64_t{57} << 30) + (std::uint64_t{1} << 29)), "57.5 GB");
  EXPECT_GT(PhysicalMemoryBytes(), std::uint64_t{1} << 20);
  CModelDat m;
  EXPECT_EQ(AvailableMemoryBytes(m), PhysicalMemoryBytes());
  m.machineMemory = 1000;
  EXPECT_EQ(AvailableMemoryBytes(m), 1000u);
}

}  // namespace
}  // namespace kavrel
