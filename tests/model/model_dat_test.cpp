// The model record: construction defaults and the allocation of a run's grids
// by the option flags, with their starting values, and their release.
#include "model/model_dat.h"

#include <gtest/gtest.h>


namespace kavrel {
namespace {

// A two-seam, 20 x 10 model with every option flag off.
void PlainModel(CModelDat& m) {
  m.seamCount = 2;
  m.nx = 20;
  m.ny = 10;
  m.stepCount = 3;
  m.seamZ[1] = -500;
  m.seamZ[2] = -400;
  m.stressGradient = 1.1;
  m.layerThickness = 10;
  m.poissonsRatio = 0.25;
  m.fineCodes.Allocate(1, 2, 1, 20, 1, 10);
}

TEST(ModelDat, ConstructionStartsEmpty) {
  CModelDat m;
  EXPECT_STREQ(m.title, "");
  EXPECT_TRUE(m.inputPathName.empty());
  EXPECT_EQ(m.nx, 0);
  EXPECT_EQ(m.ny, 0);
  EXPECT_FALSE(m.fineCodes);
  EXPECT_EQ(m.staticStress, 0);
  EXPECT_EQ(m.lmsPillarCount, 0);
  EXPECT_EQ(m.arraysAllocated, 0);
  for (const SeamProfile& p : m.profile) {
    EXPECT_EQ(p.topoSeconds, 0);
    EXPECT_EQ(p.staticSeconds, 0);
    EXPECT_EQ(p.sorSeconds[3], 0);
  }
  ASSERT_NE(m.progress, nullptr);
  ASSERT_NE(m.messages, nullptr);
  m.ShowMessage("dropped by the default sink");
}

TEST(ModelDat, WithoutOptionsOnlyTheBaseGridsExist) {
  CModelDat m;
  PlainModel(m);
  m.AllocateArrays();
  EXPECT_EQ(m.arraysAllocated, 1);
  EXPECT_EQ(m.arraysAllocated, 1);
  for (const DCube* c : {&m.totalStress, &m.overburdenStress, &m.surfaceEffectStress,
                         &m.interseamStress, &m.preCalculatedStress}) {
    ASSERT_TRUE(*c);
    EXPECT_EQ(c->planeHigh(), 2);
    EXPECT_EQ(c->rowLow(), 1);
    EXPECT_EQ(c->rowHigh(), 20);
    EXPECT_EQ(c->colHigh(), 10);
  }
  for (const DCube* c : {&m.convergence, &m.oldConvergence}) {
    ASSERT_TRUE(*c);
    EXPECT_EQ(c->rowLow(), 0);
    EXPECT_EQ(c->rowHigh(), 21);
    EXPECT_EQ(c->colLow(), 0);
    EXPECT_EQ(c->colHigh(), 11);
  }
  ASSERT_TRUE(m.coarseConvergence);
  EXPECT_EQ(m.coarseConvergence.rowHigh(), 20);
  for (const DCube* c :
       {&m.remoteDisplacement, &m.remoteXSlope, &m.elementStrainSF, &m.totalInputEnergy,
        &m.previousStress, &m.roofStressX, &m.maxRoofStress, &m.offSeamDisp[0],
        &m.offSeamStressGrid})
    EXPECT_FALSE(*c);
  EXPECT_FALSE(m.previousCodes);
  EXPECT_FALSE(m.pillarGrid);

  m.ReleaseArrays();
  for (const DCube* c : {&m.convergence, &m.oldConvergence, &m.totalStress, &m.overburdenStress,
                         &m.surfaceEffectStress, &m.interseamStress, &m.preCalculatedStress})
    EXPECT_FALSE(*c);
  EXPECT_FALSE(m.coarseConvergence);
  EXPECT_FALSE(m.fineCodes);
}

TEST(ModelDat, StartingValuesOfTheBaseGrids) {
  CModelDat m;
  PlainModel(m);
  m.maxDisplacement[7][1] = 3.5;
  m.profile[2].sorIterations[1] = 40;
  m.profile[2].staticSeconds = 9;
  m.AllocateArrays();
  // Seam 1 at -500 with 1.1 stress per unit depth carries 550 everywhere.
  for (int i = 1; i <= 20; ++i)
    for (int j = 1; j <= 10; ++j) {
      ASSERT_EQ(m.overburdenStress[1][i][j], 550.0);
      ASSERT_EQ(m.overburdenStress[2][i][j], 440.00000000000006);  // -(-400 x 1.1)
      ASSERT_EQ(m.totalStress[2][i][j], 0.0);
      ASSERT_EQ(m.surfaceEffectStress[1][i][j], 0.0);
      ASSERT_EQ(m.interseamStress[2][i][j], 0.0);
      ASSERT_EQ(m.preCalculatedStress[1][i][j], 0.0);
    }
  // Ghost border included.
  for (int s = 1; s <= 2; ++s)
    for (int i = 0; i <= 21; ++i)
      for (int j = 0; j <= 11; ++j) {
        ASSERT_EQ(m.convergence[s][i][j], 0.0);
        ASSERT_EQ(m.oldConvergence[s][i][j], 0.0);
      }
  EXPECT_EQ(m.maxDisplacement[7][1], 0.0);
  EXPECT_EQ(m.profile[2].sorIterations[1], 0);
  EXPECT_EQ(m.profile[2].staticSeconds, 9);  // kept
  // sqrt(100 / 11.25) = 2.98142397..., held at single precision.
  EXPECT_EQ(m.layerPlateFactor, 2.981423854827881);
}

TEST(ModelDat, OptionalGridsFollowTheirFlags) {
  CModelDat m;
  PlainModel(m);
  m.remoteStrains = m.safetyFactors = m.energyValues = m.roofBending = 1;
  m.offSeamCalc = 1;
  m.offSeamDisplacement = 1;
  m.offSeamStress = 1;
  m.offSeamNx = 4;
  m.offSeamNy = 5;
  m.offSeamNz = 1;
  m.AllocateArrays();
  for (const DCube* c :
       {&m.remoteDisplacement, &m.remoteXSlope, &m.remoteYSlope, &m.remoteXStrain,
        &m.remoteYStrain, &m.elementStrainSF, &m.pillarStrainSF, &m.pillarStressSF,
        &m.totalInputEnergy, &m.storedElasticEnergy, &m.dissipatedEnergy,
        &m.storedEnergyReleased, &m.kineticEnergyReleased, &m.totalEnergyReleased,
        &m.previousStoredEnergy, &m.previousDissipatedEnergy, &m.previousConvergence,
        &m.previousStress, &m.roofStressX, &m.roofStressY, &m.maxRoofTension,
        &m.maxRoofCompression, &m.maxRoofStress}) {
    ASSERT_TRUE(*c);
    EXPECT_EQ(c->rowHigh(), 20);
    // Result files of an early local-mine-stiffness run print these before
    // their stage has run: they must hold zeros, not leftover memory.
    EXPECT_EQ((*c)[1][1][1], 0.0);
    EXPECT_EQ((*c)[2][20][10], 0.0);
  }
  EXPECT_TRUE(m.previousCodes);
  for (const DCube& c : m.offSeamDisp) {
    ASSERT_TRUE(c);
    EXPECT_EQ(c.planeHigh(), 1);
    EXPECT_EQ(c.rowHigh(), 4);
    EXPECT_EQ(c.colHigh(), 5);
    EXPECT_EQ(c[1][4][5], 0.0);
  }
  ASSERT_TRUE(m.offSeamStressGrid);
  EXPECT_EQ(m.offSeamStressGrid[1][1][1], 0.0);
  EXPECT_EQ(m.roofStressY[2][20][10], 0.0);
  EXPECT_EQ(m.maxRoofStress[1][1][1], 0.0);
  // Safety factors create the pillar grid with no pillar anywhere.
  ASSERT_TRUE(m.pillarGrid);
  for (int i = 1; i <= 20; ++i)
    for (int j = 0; j <= 10; ++j) ASSERT_EQ(m.pillarGrid[i][j], nullptr);

  m.ReleaseArrays();
  for (const DCube* c : {&m.remoteYStrain, &m.pillarStressSF, &m.totalEnergyReleased,
                         &m.previousStress, &m.maxRoofCompression, &m.offSeamDisp[4],
                         &m.offSeamStressGrid, &m.oldConvergence})
    EXPECT_FALSE(*c);
  EXPECT_FALSE(m.previousCodes);
  EXPECT_TRUE(m.pillarGrid);  // kept until the model goes
}

TEST(ModelDat, EnergiesOfASingleStepNeedNoPreviousStep) {
  CModelDat m;
  PlainModel(m);
  m.stepCount = 1;
  m.energyValues = 1;
  m.AllocateArrays();
  EXPECT_TRUE(m.totalInputEnergy);
  EXPECT_TRUE(m.totalEnergyReleased);
  EXPECT_FALSE(m.previousStoredEnergy);
  EXPECT_FALSE(m.previousDissipatedEnergy);
  EXPECT_FALSE(m.previousConvergence);
  EXPECT_FALSE(m.previousStress);
  EXPECT_FALSE(m.previousCodes);
  m.ReleaseArrays();
  EXPECT_FALSE(m.totalInputEnergy);
}

TEST(ModelDat, OffSeamGridsNeedTheirOwnFlags) {
  CModelDat m;
  PlainModel(m);
  m.offSeamCalc = 1;
  m.offSeamDisplacement = 0;
  m.offSeamStress = 1;
  m.offSeamNx = m.offSeamNy = m.offSeamNz = 1;
  m.AllocateArrays();
  EXPECT_FALSE(m.offSeamDisp[0]);
  EXPECT_TRUE(m.offSeamStressGrid);
}

TEST(ModelDat, LmsPillarsCreateThePillarGridWithoutSafetyFactors) {
  CModelDat m;
  PlainModel(m);
  m.lmsPillarCount = 2;
  m.lmsResults[1].mineStiffness = 12.5;
  m.lmsResults[5].finalStress = -3;
  m.AllocateArrays();
  ASSERT_TRUE(m.pillarGrid);
  EXPECT_EQ(m.pillarGrid.rowLow(), 1);
  EXPECT_EQ(m.pillarGrid.rowHigh(), 20);
  EXPECT_EQ(m.pillarGrid.colHigh(), 10);
  EXPECT_EQ(m.pillarGrid[20][10], nullptr);
  EXPECT_EQ(m.lmsResults[1].mineStiffness, 0.0);
  EXPECT_EQ(m.lmsResults[5].finalStress, 0.0);
}

TEST(ModelDat, TopographicStressLeavesTheOverburdenToItsStage) {
  // The cube exists, but its values are for the topographic stage to set;
  // the allocation only computes the uniform value it would have used.
  CModelDat m;
  PlainModel(m);
  m.topographicStress = 1;
  m.AllocateArrays();
  ASSERT_TRUE(m.overburdenStress);
  EXPECT_EQ(m.overburdenStress.rowHigh(), 20);
  EXPECT_EQ(m.overburdenScratch, 440.00000000000006);  // the last seam's uniform value
}

}  // namespace
}  // namespace kavrel
