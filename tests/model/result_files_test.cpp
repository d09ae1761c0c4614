// Output units and the per-seam result files: labels and factors of each unit
// code, the two header lines, the dimension line and the data lines, byte for
// byte.
#include <gtest/gtest.h>

#include <string>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "model_test_support.h"

namespace kavrel {
namespace {

using testing_support::FullDeviceLink;
using testing_support::ReadFile;
using testing_support::RecordingMessages;
using testing_support::ScratchFolder;

// A unit label right-aligned in 25 characters.
std::string R(const std::string& unit) {
  std::string field(25, ' ');
  field.replace(25 - unit.size(), unit.size(), unit);
  return field;
}
// The same after a comma.
std::string CommaR(const std::string& unit) {
  std::string field(",");
  field.append(R(unit));
  return field;
}

TEST(ResultFiles, UnitCodesSetLabelsAndFactors) {
  struct Row {
    int code;
    const char *length, *stress, *energy;
    double fd, fs, fe;
  };
  const Row rows[] = {{0, "in", "psi", "in-lbs", 1, 1, 1},
                      {1, "ft", "psi", "ft-lbs", 0.08333333333333333, 1, 0.08333333333333333},
                      {2, "m", "Pa", "Joules", 1, 1, 1},
                      {3, "m", "MPa", "MJoules", 1, 0.000001, 0.000001}};
  for (const Row& row : rows) {
    CModelDat model;
    model.seamCount = 1;
    model.unitSystem = row.code;
    model.SetUnits();
    EXPECT_EQ(model.lengthUnit, row.length);
    EXPECT_EQ(model.stressUnit, row.stress);
    EXPECT_EQ(model.energyUnit, row.energy);
    EXPECT_EQ(model.displacementOutputFactor, row.fd);
    EXPECT_EQ(model.stressOutputFactor, row.fs);
    EXPECT_EQ(model.energyOutputFactor, row.fe);
  }
}

TEST(ResultFiles, UnitCodeOutOfRangeEndsTheProgramWithPU1) {
  RecordingMessages sink;
  CModelDat model;
  model.SetMessages(&sink);
  model.unitSystem = -1;
  try {
    model.SetUnits();
    FAIL() << "no fatal exit";
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.exitCode(), 1);
  }
  ASSERT_EQ(sink.diagnostics.size(), 1u);
  EXPECT_EQ(sink.diagnostics[0], "Unit Code Out of Range in Input File - PU1\n");
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0], "Unit Code Out of Range in Input File - PU1\n");
}

TEST(ResultFiles, HeadersOfAOneSeamModelWithoutOptions) {
  CModelDat model;
  model.seamCount = 1;
  model.unitSystem = 0;
  model.SetUnits();
  EXPECT_EQ(model.resultHeader1,
            "  3,Seam Convergence         ,Total Vertical Stress    ,Overburden Stress        \n");
  EXPECT_EQ(model.resultHeader2, "  3," + R("in") + CommaR("psi") + CommaR("psi") + "\n");
}

TEST(ResultFiles, HeadersWithEveryOptionCountTwentyTwoColumns) {
  CModelDat model;
  model.seamCount = 2;
  model.unitSystem = 1;
  model.surfaceEffects = model.safetyFactors = model.remoteStrains = model.energyValues =
      model.roofBending = 1;
  model.SetUnits();
  EXPECT_EQ(model.resultHeader1,
            " 22,Seam Convergence         ,Total Vertical Stress    ,Overburden Stress        "
            ",Surface Effect Stress    ,Multiple Seam Stress     "
            ",Element Strain SF        ,Pillar Stress SF         ,Pillar Strain SF         "
            ",Remote Displacement      ,X Strain                 ,Y Strain                 "
            ",Stored Elastic Energy    ,Dissipated Energy        ,Total Input Energy       "
            ",Stored Energy Released   ,Kinetic Energy Released  ,Total Energy Released    "
            ",Roof X Stress            ,Roof Y Stress            ,Maximum Roof Compression "
            ",Maximum Roof Tension     ,Maximum Roof Stress      \n");
  const std::string psi = CommaR("psi");
  const std::string ftlbs = CommaR("ft-lbs");
  EXPECT_EQ(model.resultHeader2,
            " 22," + R("ft") + psi + psi + psi + psi +
                ",Strain Safety Factor     ,Stress Safety Factor     ,Strain Safety Factor     "
                "," + R("ft") + ",Strain                   ,Strain                   " +
                ftlbs + ftlbs + ftlbs + ftlbs + ftlbs + ftlbs + psi + psi + psi + psi + psi + "\n");
}

TEST(ResultFiles, HeadersOfSingleGroups) {
  CModelDat model;
  model.seamCount = 1;
  model.unitSystem = 3;
  model.roofBending = 1;
  model.SetUnits();
  EXPECT_EQ(model.resultHeader1.substr(0, 4), "  8,");
  const std::string mpa = CommaR("MPa");
  EXPECT_EQ(model.resultHeader2, "  8," + R("m") + mpa + mpa + mpa + mpa + mpa + mpa + mpa + "\n");
  // A second call starts from scratch with the flags of that moment.
  model.roofBending = 0;
  model.surfaceEffects = 1;
  model.SetUnits();
  EXPECT_EQ(model.resultHeader1,
            "  4,Seam Convergence         ,Total Vertical Stress    ,Overburden Stress        "
            ",Surface Effect Stress    \n");
}

// A 2 x 2 grid with every cube allocated and seam s, element (i, j) holding
// the values the test sets.
struct ResultModel {
  explicit ResultModel(int seams) {
    folder = ScratchFolder();
    model.SetMessages(&sink);
    model.SetInputFolder(folder.string() + "/");
    model.SetInputFileTitle("panel");
    model.seamCount = seams;
    model.nx = 2;
    model.ny = 2;
    model.elementWidth = 120;
    model.stepCount = 3;
    model.seamX[1] = 0;
    model.seamY[1] = -30.25;
    model.seamX[2] = 1234567.0;
    model.seamY[2] = 0.5;
    model.convergence.Allocate(1, seams, 0, 3, 0, 3);
    for (DCube* c : {&model.totalStress, &model.overburdenStress, &model.surfaceEffectStress,
                     &model.interseamStress, &model.preCalculatedStress, &model.elementStrainSF,
                     &model.pillarStressSF, &model.pillarStrainSF, &model.remoteDisplacement,
                     &model.remoteXStrain, &model.remoteYStrain, &model.storedElasticEnergy,
                     &model.dissipatedEnergy, &model.totalInputEnergy,
                     &model.storedEnergyReleased, &model.kineticEnergyReleased,
                     &model.totalEnergyReleased, &model.roofStressX, &model.roofStressY,
                     &model.maxRoofCompression, &model.maxRoofTension, &model.maxRoofStress}) {
      c->Allocate(1, seams, 1, 2, 1, 2);
      c->Fill(0.0);
    }
    model.convergence.Fill(0.0);
  }
  std::filesystem::path folder;
  RecordingMessages sink;
  CModelDat model;
};

TEST(ResultFiles, OneSeamFileWithoutOptions) {
  ResultModel r(1);
  CModelDat& m = r.model;
  m.SetUnits();
  m.convergence[1][1][1] = 0.123456789;
  m.totalStress[1][1][1] = 1234.5678;
  m.overburdenStress[1][1][1] = 440;
  m.convergence[1][1][2] = -1.0e-7;
  m.totalStress[1][1][2] = 123456789.0;
  m.overburdenStress[1][1][2] = 440;
  m.convergence[1][2][1] = 3;
  m.totalStress[1][2][1] = 0;
  m.overburdenStress[1][2][1] = -2.5;
  m.convergence[1][2][2] = 72;
  m.interseamStress[1][2][2] = 99;  // no multiple-seam column with one seam
  ASSERT_EQ(m.WriteResults(1), 0);
  const std::string block =
      "     0.12346,       1234.6,          440\n"
      "      -1e-07,   1.2346e+08,          440\n"
      "           3,            0,         -2.5\n"
      "          72,            0,            0\n";
  const std::string header =
      "  3,       4,          120,   2,   2,            0,       -30.25\n"
      "  3,Seam Convergence         ,Total Vertical Stress    ,Overburden Stress        \n"
      "  3," + R("in") + CommaR("psi") + CommaR("psi") + "\n";
  EXPECT_EQ(ReadFile(r.folder / "panel.f1"), header + block);
  EXPECT_EQ(m.resultFileName, r.folder.string() + "/panel.f1");

  // Any other mode appends a block without headers.
  m.convergence[1][2][2] = 36;
  ASSERT_EQ(m.WriteResults(2), 0);
  EXPECT_EQ(ReadFile(r.folder / "panel.f1"),
            header + block + block.substr(0, block.size() - 41) +
                "          36,            0,            0\n");
}

TEST(ResultFiles, EveryColumnWithFeetScaling) {
  ResultModel r(2);
  CModelDat& m = r.model;
  m.unitSystem = 1;
  m.surfaceEffects = m.safetyFactors = m.remoteStrains = m.energyValues = m.roofBending = 1;
  m.lmsPillarCount = 2;
  m.SetUnits();
  // Seam 2, element (1, 2); every value is chosen so that its reported value
  // is its column number. Lengths and energies are reported in feet (1/12),
  // stresses stay in psi, safety factors and strains are unscaled.
  const int s = 2, i = 1, j = 2;
  m.convergence[s][i][j] = 12;
  m.totalStress[s][i][j] = 2;
  m.overburdenStress[s][i][j] = 3;
  m.surfaceEffectStress[s][i][j] = 4;
  m.interseamStress[s][i][j] = 4.5;
  m.preCalculatedStress[s][i][j] = 0.5;
  m.elementStrainSF[s][i][j] = 6;
  m.pillarStressSF[s][i][j] = 7;
  m.pillarStrainSF[s][i][j] = 8;
  m.remoteDisplacement[s][i][j] = 108;
  m.remoteXStrain[s][i][j] = 10;
  m.remoteYStrain[s][i][j] = 11;
  m.storedElasticEnergy[s][i][j] = 144;
  m.dissipatedEnergy[s][i][j] = 156;
  m.totalInputEnergy[s][i][j] = 168;
  m.storedEnergyReleased[s][i][j] = 180;
  m.kineticEnergyReleased[s][i][j] = 192;
  m.totalEnergyReleased[s][i][j] = 204;
  m.roofStressX[s][i][j] = 18;
  m.roofStressY[s][i][j] = 19;
  m.maxRoofCompression[s][i][j] = 20;
  m.maxRoofTension[s][i][j] = 21;
  m.maxRoofStress[s][i][j] = 22;
  ASSERT_EQ(m.WriteResults(1), 0);

  // A line of zeros: the three base values, then the groups of 1, 1, 3, 3, 6
  // and 5 values, each group after a bare comma.
  std::string zeros = "           0,            0,            0";
  for (int size : {1, 1, 3, 3, 6, 5}) {
    zeros += ",           0";
    for (int k = 1; k < size; ++k) zeros += ",            0";
  }
  zeros += "\n";
  const std::string line =
      "           1,            2,            3,           4,           5"
      ",           6,            7,            8"
      ",           9,           10,           11"
      ",          12,           13,           14,           15,           16,           17"
      ",          18,           19,           20,           21,           22\n";
  const std::string file2 = ReadFile(r.folder / "panel.f2");
  // Three steps times (two LMS pillars + 1) blocks are announced.
  const std::string dimension =
      "  9,       4,          120,   2,   2,   1.2346e+06,          0.5\n";
  EXPECT_EQ(file2, dimension + m.resultHeader1 + m.resultHeader2 + zeros + line + zeros + zeros);
  EXPECT_EQ(ReadFile(r.folder / "panel.f1").substr(0, 18), "  9,       4,     ");
}

TEST(ResultFiles, FileThatCannotBeOpenedIsReportedWithPES1) {
  ResultModel r(2);
  CModelDat& m = r.model;
  m.SetUnits();
  m.SetInputFolder(r.folder.string() + "/missing/");
  EXPECT_EQ(m.WriteResults(1), 1);
  ASSERT_EQ(r.sink.boxes.size(), 1u);  // the second seam is not tried
  EXPECT_EQ(r.sink.boxes[0], "Error in Opening Output File - PES1\n");
}

TEST(ResultFiles, FileThatCannotBeWrittenIsReportedWithPES1) {
  ResultModel r(2);
  CModelDat& m = r.model;
  m.SetUnits();
  if (FullDeviceLink(r.folder, "panel.f1").empty()) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(m.WriteResults(1), 1);
  ASSERT_EQ(r.sink.boxes.size(), 1u);  // the second seam is not tried
  EXPECT_EQ(r.sink.boxes[0], "Error in Opening Output File - PES1\n");
  EXPECT_FALSE(std::filesystem::exists(r.folder / "panel.f2"));
}

}  // namespace
}  // namespace kavrel
