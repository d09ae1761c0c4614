// The input echo that starts the run log, compared byte for byte with text
// written out by hand, and the two grid-detail blocks of a run.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/model_dat.h"
#include "model_test_support.h"
#include "support/run_logs.h"

namespace kavrel {
namespace {

using testing_support::Lines;
using testing_support::ModelInFolder;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::SmallModelLines;

// Code rows (y = 10 first) of step t, seam s of the full model.
std::vector<std::string> Rows(int t, int s) {
  std::vector<std::string> rows(10, "AAAAAAAAAA");
  if (s == 1) {
    rows[0] = "1AAAAAAAAB";
    rows[9] = t == 1 ? "AAAAAAAAAA" : "1111111111";
  } else {
    rows.assign(10, "CCCCCCCCCC");
    rows[4] = t == 1 ? "CCCFFFFCCC" : "CCCFFFFDDD";
  }
  return rows;
}

std::string FullModelText() {
  std::vector<std::string> lines = {"Echo model",
                                    "0.25,2000000,300,2,1,0",
                                    "6,0,0",
                                    "2,2500,0.008,600,0.025,0.3",
                                    "3,2200,0.007,0,0.3",
                                    "4,50,0.05,4000,1.5,0.25",
                                    "5,150,60000,3000,1,0.25",
                                    "1,300000,120000",
                                    "6,2000,800,1.25",
                                    "120,10,10,0.0916667",
                                    "0,0,-7200,66",
                                    "12.5,-30.25,-6240,48",
                                    "1.5,0.001,2000,1,2,1,1,0,1,1,1,1,1,1",
                                    "1,0,0,1",
                                    "1,0,0,0,-6720,240,120,4,5,3,20",
                                    "0,3,4,1,10",
                                    "2,2,3,9,8"};
  for (int t = 1; t <= 2; ++t)
    for (int s = 1; s <= 2; ++s)
      for (const auto& row : Rows(t, s)) lines.push_back(row);
  return Lines(lines);
}

const char* const kFullEchoHead = R"(Echo model

  IN THE FOLLOWING X,Y,Z REFER TO GLOBAL AXES OR COORDINATES
  AND X1,X2,X3 OR 1,2,3 REFER TO LOCAL AXES OR COORDINATES

  ROCK MASS PROPERTIES

  POISSONS RATIO        -- 0.250000
  MODULUS OF ELASTICITY -- 2000000.000000
  LAYER THICKNESS       -- 300.000000
  STRESS GRADIENT       -- 0.091667
  NO. OF SEAMS          -- 2
  NO. OF MATERIALS      -- 6
  NO. OF COAL SETS      -- 0
  SYSTEM OF UNITS       -- 1

  The units system integer is: - 1
  This means that the parameter values were input to the pre-processor in: 
  - feet and psi,
  but are listed in this output as consistent units of: 
  - inches and psi. 

  IN_SEAM MATERIAL PROPERTIES

  Material Number     -- 1
  Strain Softening Coal
  Peak Stress         --         2500
  Peak Strain         --        0.008
  Residual Stress     --          600
  Residual Strain     --        0.025
  Poissons Ratio      --          0.3

  Material Number     -- 2
  Elastic-Plastic Coal
  Peak Stress         --         2200
  Peak Strain         --        0.007
  Plastic Modulus     --            0
  Poissons Ratio      --          0.3

  Material Number     -- 3
  Bi-Linear Hardening Gob
  Initial Stress      --           50
  Initial Strain      --         0.05
  Hardening Modulus   --         4000
  Gob Height Factor   --          1.5
  Poissons Ratio      --         0.25

  Material Number     -- 4
  Strain Hardening Gob
  Initial Modulus at Zero Stress --          150
  Final Modulus at Peak Stress   --        60000
  Peak Stress                    --         3000
  Gob Height Factor              --            1
  Poissons Ratio                 --         0.25

  Material Number     -- 5
  Linear Elastic Coal
  Elastic Modulus     --       300000
  Shear Modulus       --       120000

  Material Number     -- 6
  Linear Elastic Gob
  Elastic Modulus     --         2000
  Shear Modulus       --          800
  Gob Height Factor   --         1.25

  GENERAL MODEL DATA

  NO. OF PARALLEL SEAMS           -- 2
  WIDTH OF ELEMENTS               -- 120.000000
  NO. OF ELEMENTS ALONG X AXIS    -- 10
  NO. OF ELEMENTS ALONG Y AXIS    -- 10

  GLOBAL COORDINATES OF LOCAL ORIGINS AND SEAM THICKNESSES
  SEAM NO.         X           Y           Z     THICKNESS
       1        0.00        0.00    -7200.00       66.00
       2       12.50      -30.25    -6240.00       48.00

  PROGRAM FLOW CONTROL PARAMETERS

  OVER RELAXATION FACTOR          -- 1.500000
  STRESS CONVERGENCE CRITERION    -- 0.001000
  MAXIMUM NO. OF ITERATIONS       -- 2000
  STARTING MINING STEP NUMBER     -- 1
  NUMBER OF MINING STEPS          -- 2
  INCLUDE SURFACE EFFECTS         -- 1
  OFF-SEAM CALCULATON SELECTED    -- 1
  CALCULATE TOPOGRAPHIC STRESS    -- 0
  CALCULATE SAFETY FACTORS        -- 1
  CALCULATE REMOTE STRAINS        -- 1
  CALCULATE ENERGY VALUES         -- 1
  INCLUDE FAULT CALCULATION       -- 1
  CALCULATE ROOF BENDING STRESSES -- 1
  CALCULATE LOCAL MINE STIFFNESS  -- 1

  BOUNDARY CONDITION VALUES

  THE NORTH BOUNDARY CONDITION -- 1
  THE EAST BOUNDARY CONDITION  -- 0
  THE SOUTH BOUNDARY CONDITION -- 0
  THE WEST BOUNDARY CONDITION  -- 1

  OFF-SEAM GRID DETAILS

  OFF-SEAM DISPLACEMENT CALCULATION IS ON 
  OFF-SEAM STRESS CALCULATION IS OFF 
  X COORDINATE OF OFF-SEAM GRID ORIGIN -- 0.000000
  Y COORDINATE OF OFF-SEAM GRID ORIGIN -- 0.000000
  Z COORDINATE OF OFF-SEAM GRID ORIGIN -- -6720.000000
  WIDTH OF OFF-SEAM BLOCKS             -- 240.000000
  HEIGHT OF OFF-SEAM BLOCKS            -- 0.000000
  NO. OF OFF_SEAM BLOCKS ALONG X AXIS  -- 4
  NO. OF OFF_SEAM BLOCKS ALONG Y AXIS  -- 5
  NO. OF OFF_SEAM BLOCKS ALONG Z AXIS  -- 1
  TOTAL NO. OF OFF_SEAM BLOCKS         -- 20

  FAULT CALCULATION DETAILS

  FAULT IS PARALLEL TO THE X AXIS 
  BETWEEN Y GRID LINES 3 and 4 
  AND EXTENDS FROM X GRID LINE 1 to 10 

  LOCAL MINE STIFFNESS (LMS) CALCULATION DETAILS

  NUMBER OF LMS PILLARS -- 2
  PILLAR NO.  X INDEX  Y INDEX 
    1            2        3
    2            9        8

)";

TEST(InputEcho, ModelWithEveryOptionalBlockIsEchoedByteForByte) {
  ModelInFolder m(ScratchFolder(), "echo");
  ASSERT_EQ(m.Read(FullModelText()), 0);
  ASSERT_EQ(m.model.WriteInputEcho(), 0);
  EXPECT_TRUE(m.sink.boxes.empty());
  EXPECT_EQ(m.model.outFileName, m.folder.string() + "/echo.out");

  std::string expected = kFullEchoHead;
  for (int t = 1; t <= 2; ++t)
    for (int s = 1; s <= 2; ++s) {
      expected += "     FINE MESH, STEP = " + std::to_string(t) + ", SEAM = " + std::to_string(s) +
                  "\n\n";
      for (const auto& row : Rows(t, s)) expected += row + "\n";
      expected += "\n";
    }
  expected += "\n";
  EXPECT_EQ(ReadFile(m.folder / "echo.out"), expected);
  // The echo leaves the codes of the last step in the cube.
  EXPECT_EQ(m.model.fineCodes[2][10][6], 'D');
  EXPECT_EQ(m.model.fineCodes[1][5][1], '1');
}

TEST(InputEcho, WithoutOptionsTheFineMeshFollowsTheBoundaryBlock) {
  ModelInFolder m(ScratchFolder());
  ASSERT_EQ(m.Read(testing_support::ModelText()), 0);
  ASSERT_EQ(m.model.WriteInputEcho(), 0);
  const std::string echo = ReadFile(m.folder / "model.out");
  const std::string tail =
      "  THE WEST BOUNDARY CONDITION  -- 0\n"
      "\n"
      "     FINE MESH, STEP = 1, SEAM = 1\n"
      "\n" +
      Lines(testing_support::CodeRows(10, 10, 'A')) + "\n\n";
  ASSERT_GE(echo.size(), tail.size());
  EXPECT_EQ(echo.substr(echo.size() - tail.size()), tail);
  EXPECT_EQ(echo.find("OFF-SEAM GRID DETAILS"), std::string::npos);
  EXPECT_EQ(echo.find("FAULT CALCULATION DETAILS"), std::string::npos);
  EXPECT_EQ(echo.find("LOCAL MINE STIFFNESS (LMS)"), std::string::npos);
}

TEST(InputEcho, UnitExplanationOfEachUnitSystem) {
  const char* const explanation[4] = {
      "  The units system integer is: - 0\n"
      "  This means that the parameter values were input to the pre-processor in: \n"
      "  - inches and psi,\n"
      "  and are listed in this output as consistent units of: \n"
      "  - inches and psi. \n\n",
      "  The units system integer is: - 1\n"
      "  This means that the parameter values were input to the pre-processor in: \n"
      "  - feet and psi,\n"
      "  but are listed in this output as consistent units of: \n"
      "  - inches and psi. \n\n",
      "  The units system integer is: - 2\n"
      "  This means that the parameter values were input to the pre-processor in: \n"
      "  - meters and Pascals,\n"
      "  and are listed in this output as consistent units of: \n"
      "  - meters and Pascals. \n\n",
      "  The units system integer is: - 3\n"
      "  This means that the parameter values were input to the pre-processor in: \n"
      "  - meters and MegaPascals,\n"
      "  but are listed in this output as consistent units of: \n"
      "  - meters and Pascals. \n\n"};
  for (int code = 0; code < 4; ++code) {
    ModelInFolder m(ScratchFolder());
    auto lines = SmallModelLines();
    lines[1] = "0.25,2000000,120,1," + std::to_string(code) + ",0";
    ASSERT_EQ(m.Read(testing_support::ModelText(lines)), 0);
    ASSERT_EQ(m.model.WriteInputEcho(), 0);
    const std::string expected = std::string("  SYSTEM OF UNITS       -- ") + std::to_string(code) +
                                 "\n\n" + explanation[code] + "  IN_SEAM MATERIAL PROPERTIES\n\n";
    EXPECT_NE(ReadFile(m.folder / "model.out").find(expected), std::string::npos) << code;
  }
}

TEST(InputEcho, MaterialOfUnknownTypeIsSkippedWithPI3) {
  ModelInFolder m(ScratchFolder(), "echo");
  ASSERT_EQ(m.Read(FullModelText()), 0);
  m.model.materialType[1] = 9;
  ASSERT_EQ(m.model.WriteInputEcho(), 0);
  ASSERT_EQ(m.sink.boxes.size(), 1u);
  EXPECT_EQ(m.sink.boxes[0], "Invalid Material Type - Must Be Between 1 and 6 - PI3\n");
  const std::string echo = ReadFile(m.folder / "echo.out");
  EXPECT_NE(echo.find("  Poissons Ratio      --          0.3\n\n  Material Number     -- 3\n"),
            std::string::npos);
  EXPECT_EQ(echo.find("Material Number     -- 2\n"), std::string::npos);
}

TEST(InputEcho, TitleThatFilledItsLimitHasNoBlankLineAfterIt) {
  ModelInFolder m(ScratchFolder());
  auto lines = SmallModelLines();
  lines[0] = std::string(130, 'W');
  ASSERT_EQ(m.Read(testing_support::ModelText(lines)), 0);
  ASSERT_EQ(m.model.WriteInputEcho(), 0);
  EXPECT_EQ(ReadFile(m.folder / "model.out").substr(0, 103),
            std::string(100, 'W') + "\n  ");
}

TEST(InputEcho, FailuresStopTheEchoWithTheirCodes) {
  // Missing step file: the log keeps the blocks written before it.
  {
    ModelInFolder m(ScratchFolder(), "echo");
    ASSERT_EQ(m.Read(FullModelText()), 0);
    std::filesystem::remove(m.folder / "echo_Step2.chr");
    EXPECT_EQ(m.model.WriteInputEcho(), 4);
    ASSERT_EQ(m.sink.boxes.size(), 1u);
    EXPECT_EQ(m.sink.boxes[0], "Could Not Open Temporary File with Seam Codes - PI4");
    const std::string echo = ReadFile(m.folder / "echo.out");
    const std::string tail = "     FINE MESH, STEP = 1, SEAM = 2\n\n" + Lines(Rows(1, 2)) + "\n";
    ASSERT_GE(echo.size(), tail.size());
    EXPECT_EQ(echo.substr(echo.size() - tail.size()), tail);
  }
  // Short step file.
  {
    ModelInFolder m(ScratchFolder(), "echo");
    ASSERT_EQ(m.Read(FullModelText()), 0);
    testing_support::WriteFile(m.folder / "echo_Step1.chr", Lines(Rows(1, 1)) + "CCCC\n");
    EXPECT_EQ(m.model.WriteInputEcho(), 4);
    ASSERT_EQ(m.sink.boxes.size(), 1u);
    EXPECT_EQ(m.sink.boxes[0], "Error reading the fine mesh codes - PI4\n");
  }
  // The log cannot be created.
  {
    ModelInFolder m(ScratchFolder(), "echo");
    ASSERT_EQ(m.Read(FullModelText()), 0);
    m.model.SetInputFolder(m.folder.string() + "/no-such-folder/");
    EXPECT_EQ(m.model.WriteInputEcho(), 1);
    ASSERT_EQ(m.sink.boxes.size(), 1u);
    EXPECT_EQ(m.sink.boxes[0], "Error in Opening Output File - PI1\n");
  }
  // The log is created but cannot be written: the title fits the stream's
  // buffer, so the failure shows when the echo is closed.
  {
    ModelInFolder m(ScratchFolder(), "echo");
    ASSERT_EQ(m.Read(FullModelText()), 0);
    if (testing_support::FullDeviceLink(m.folder, "echo.out").empty())
      GTEST_SKIP() << "no /dev/full";
    EXPECT_EQ(m.model.WriteInputEcho(), 2);
    ASSERT_EQ(m.sink.boxes.size(), 1u);
    EXPECT_EQ(m.sink.boxes[0], "Trouble Printing Input File - PI2\n");
  }
}

TEST(InputEcho, TopographicGridDetails) {
  CModelDat model;
  model.topoOriginX = 1500.5;
  model.topoOriginY = -20;
  model.topoDatumZ = 3600;
  model.topoBlockWidth = 240;
  model.topoNx = 30;
  model.topoNy = 25;
  RunLog log = testing_support::TemporaryLog();
  ASSERT_TRUE(log);
  model.WriteTopoGridDetails(log);
  EXPECT_EQ(testing_support::LogText(log),
            "  TOPOGRAPHIC GRID DETAILS\n"
            "\n"
            "  X COORDINATE OF TOPOGRAPHIC GRID ORIGIN    -- 1500.500000\n"
            "  Y COORDINATE OF TOPOGRAPHIC GRID ORIGIN    -- -20.000000\n"
            "  Z DATUM OF TOPOGRAPHIC GRID                -- 3600.000000\n"
            "  DISTANCE ABOVE SEAM 1 OF TOPOGRAPHIC DATUM -- 3600.000000\n"
            "  WIDTH OF TOPOGRAPHIC BLOCKS                -- 240.000000\n"
            "  NO. OF TOPOGRAPHIC BLOCKS ALONG X AXIS     -- 30\n"
            "  NO. OF TOPOGRAPHIC BLOCKS ALONG Y AXIS     -- 25\n"
            "\n");
}

TEST(InputEcho, StaticStressGridDetails) {
  CModelDat model;
  RunLog log = testing_support::TemporaryLog();
  ASSERT_TRUE(log);
  model.WriteStaticGridDetails(log, 7, 400, 120, 20, 20, 10, 20.25, -6720, 2);
  EXPECT_EQ(testing_support::LogText(log),
            "  STATIC STRESS GRID DETAILS\n"
            "\n"
            "  NO. OF STATIC STRESS GRIDS\t\t\t\t\t  -- 2\n"
            "  X COORDINATE OF STATIC STRESS GRID ORIGIN    -- 10.000000\n"
            "  Y COORDINATE OF STATIC STRESS GRID ORIGIN    -- 20.250000\n"
            "  Z COORDINATE OF STATIC STRESS GRID ORING #1  -- -6720.000000\n"
            "  WIDTH OF STATIC STRESS BLOCKS                -- 120.000000\n"
            "  NO. OF STATIC STRESS BLOCKS ALONG X AXIS     -- 20\n"
            "  NO. OF STATIC STRESS BLOCKS ALONG Y AXIS     -- 20\n"
            "\n");
}

}  // namespace
}  // namespace kavrel
