// Reading and validating model input files: the values each line gives, every
// check with its exact message and result code, and the refusals that keep a
// bad file from reaching the run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/input_fields.h"
#include "model/model_dat.h"
#include "model_test_support.h"
#include "support/kavrel_runs.h"

namespace kavrel {
namespace {

using testing_support::CodeRows;
using testing_support::HeaderInFolder;
using testing_support::kControl;
using testing_support::kCount;
using testing_support::kGrid;
using testing_support::kHost;
using testing_support::kMaterial;
using testing_support::kSeam;
using testing_support::Lines;
using testing_support::ModelInFolder;
using testing_support::ModelText;
using testing_support::ReadFile;
using testing_support::ScratchFolder;
using testing_support::SmallModelLines;
using testing_support::With;
using testing_support::WriteFile;

// Reads `text` with the header reader alone and into a fresh model, and
// expects result `code` with the single message `message` from both.
void ExpectRefused(const std::string& text, int code, const std::string& message) {
  HeaderInFolder h(ScratchFolder("header"));
  EXPECT_EQ(h.Read(text), code);
  EXPECT_EQ(h.sink.boxes, std::vector<std::string>{message});
  ModelInFolder m(ScratchFolder("model"));
  EXPECT_EQ(m.Read(text), code);
  EXPECT_EQ(m.sink.boxes, std::vector<std::string>{message});
}

TEST(InputReader, ReadsEveryLineOfAModelWithAllOptionalLines) {
  ModelInFolder m(ScratchFolder(), "full");
  std::vector<std::string> lines = {
      "Full model",
      "0.2,3000000,240,2,1,0",
      "3,0,0",
      "2,2000,0.008,500,0.02,0.3",
      "5,150,60000,3000,1.5,0.25",
      "3,2200,0.007,100,0.3",
      "100,20,10,0.0916667",
      "10,20,-6000,60",
      "-5,0,-5000,48",
      "1.6,0.002,1500,1,2,1,1,0,1,1,1,1,1,1",
      "1,0,1,0",
      "1,0,5,6,-5500,200,99,4,5,3,20",
      "0,10,12,3,40",
      "2,5,7,11,4"};
  for (int k = 0; k < 2 * 2; ++k)
    for (const auto& row : CodeRows(10, 20, 'B')) lines.push_back(row);
  ASSERT_EQ(m.Read(Lines(lines)), 0);
  EXPECT_TRUE(m.sink.boxes.empty());
  const CModelDat& d = m.model;
  EXPECT_STREQ(d.title, "Full model\n");
  EXPECT_EQ(d.poissonsRatio, 0.2);
  EXPECT_EQ(d.elasticModulus, 3000000.0);
  EXPECT_EQ(d.layerThickness, 240.0);
  EXPECT_EQ(d.seamCount, 2);
  EXPECT_EQ(d.unitSystem, 1);
  EXPECT_EQ(d.materialCount, 3);
  EXPECT_EQ(d.materialType[1], 5);
  EXPECT_EQ(d.materialProps[1][3], 1.5);
  EXPECT_EQ(d.materialProps[2][4], 0.0);  // missing field
  EXPECT_EQ(d.elementWidth, 100.0);
  EXPECT_EQ(d.nx, 20);
  EXPECT_EQ(d.ny, 10);
  EXPECT_EQ(d.stressGradient, 0.0916667);
  EXPECT_EQ(d.seamX[1], 10.0);
  EXPECT_EQ(d.seamY[1], 20.0);
  EXPECT_EQ(d.seamZ[2], -5000.0);
  EXPECT_EQ(d.seamThickness[2], 48.0);
  EXPECT_EQ(d.overRelaxation, 1.6);
  EXPECT_EQ(d.stressConvergence, 0.002);
  EXPECT_EQ(d.maxIterations, 1500);
  EXPECT_EQ(d.startStep, 1);
  EXPECT_EQ(d.stepCount, 2);
  EXPECT_EQ(d.surfaceEffects, 1);
  EXPECT_EQ(d.offSeamCalc, 1);
  EXPECT_EQ(d.topographicStress, 0);
  EXPECT_EQ(d.safetyFactors, 1);
  EXPECT_EQ(d.remoteStrains, 1);
  EXPECT_EQ(d.energyValues, 1);
  EXPECT_EQ(d.faultCalc, 1);
  EXPECT_EQ(d.roofBending, 1);
  EXPECT_EQ(d.localMineStiffness, 1);
  EXPECT_EQ(d.bcNorth, 1);
  EXPECT_EQ(d.bcEast, 0);
  EXPECT_EQ(d.bcSouth, 1);
  EXPECT_EQ(d.bcWest, 0);
  // Off-seam: 4 x 5 = 20 blocks; height and Z count are forced to 0 and 1.
  EXPECT_EQ(d.offSeamDisplacement, 1);
  EXPECT_EQ(d.offSeamStress, 0);
  EXPECT_EQ(d.offSeamOriginX, 5.0);
  EXPECT_EQ(d.offSeamOriginY, 6.0);
  EXPECT_EQ(d.offSeamOriginZ, -5500.0);
  EXPECT_EQ(d.offSeamBlockWidth, 200.0);
  EXPECT_EQ(d.offSeamBlockHeight, 0.0);
  EXPECT_EQ(d.offSeamNx, 4);
  EXPECT_EQ(d.offSeamNy, 5);
  EXPECT_EQ(d.offSeamNz, 1);
  EXPECT_EQ(d.offSeamBlockCount, 20);
  // Fault parallel to X between Y grid lines 10 and 12, from X line 3 to 40.
  EXPECT_EQ(d.faultAlongY, 0);
  EXPECT_EQ(d.faultY1, 10);
  EXPECT_EQ(d.faultY2, 12);
  EXPECT_EQ(d.faultX1, 3);
  EXPECT_EQ(d.faultX2, 40);
  EXPECT_EQ(d.lmsPillarCount, 2);
  EXPECT_EQ(d.lmsX[1], 5);
  EXPECT_EQ(d.lmsY[1], 7);
  EXPECT_EQ(d.lmsX[2], 11);
  EXPECT_EQ(d.lmsY[2], 4);
  // Units and headers reflect the options of this file.
  EXPECT_EQ(d.lengthUnit, "ft");
  EXPECT_EQ(d.resultHeader1.substr(0, 4), " 22,");
  // The code cube holds the last step.
  ASSERT_TRUE(d.fineCodes);
  EXPECT_EQ(d.fineCodes[2][20][10], 'B');
}

TEST(InputReader, FaultParallelToYTakesItsGridLinesAsRead) {
  HeaderInFolder h(ScratchFolder());
  auto lines = With(SmallModelLines(), kControl, "1.7,0.001,2000,1,1,0,0,0,0,0,0,1,0,0");
  lines.push_back("1,4,5,2,9");
  ASSERT_EQ(h.Read(ModelText(lines)), 0);
  EXPECT_EQ(h.input.faultX1, 4);
  EXPECT_EQ(h.input.faultX2, 5);
  EXPECT_EQ(h.input.faultY1, 2);
  EXPECT_EQ(h.input.faultY2, 9);
}

TEST(InputReader, PreProcessorLinesAreSkippedByLevel) {
  // Level 1: one header line and one line per coal set.
  {
    HeaderInFolder h(ScratchFolder());
    auto lines = SmallModelLines();
    lines[kHost] = "0.25,2000000,120,1,0,1";
    lines[kCount] = "1,2,3";
    lines.insert(lines.begin() + kCount, "pre-processor header");
    lines.insert(lines.begin() + kMaterial + 2, {"coal set 1", "coal set 2"});
    ASSERT_EQ(h.Read(ModelText(lines)), 0);
    EXPECT_EQ(h.input.coalSetCount, 2);
    EXPECT_EQ(h.input.nx, 10);
  }
  // Level 4: two lines per coal set, then the auxiliary lines.
  {
    HeaderInFolder h(ScratchFolder());
    auto lines = SmallModelLines();
    lines[kHost] = "0.25,2000000,120,1,0,4";
    lines[kCount] = "1,2,3";
    lines.insert(lines.begin() + kCount, "pre-processor header");
    lines.insert(lines.begin() + kMaterial + 2,
                 {"set 1a", "set 1b", "set 2a", "set 2b", "aux 1", "aux 2", "aux 3"});
    ASSERT_EQ(h.Read(ModelText(lines)), 0);
    EXPECT_EQ(h.input.auxSetCount, 3);
    EXPECT_EQ(h.input.elementWidth, 120.0);
    EXPECT_EQ(h.input.seamZ[1], -4800.0);
  }
}

TEST(InputReader, MissingFileAndEmptyFileFailWithRI1a) {
  {
    ModelInFolder m(ScratchFolder());
    EXPECT_EQ(m.model.ReadInputFile(), 1);
    ASSERT_EQ(m.sink.boxes.size(), 1u);
    EXPECT_EQ(m.sink.boxes[0], "Error in Opening Input File - RI1a\n");
  }
  {
    HeaderInFolder h(ScratchFolder());
    EXPECT_EQ(ReadModelInput(h.path.string(), h.sink).result, 1);
    EXPECT_EQ(h.sink.boxes, std::vector<std::string>{"Error in Opening Input File - RI1a\n"});
  }
  ExpectRefused("", 1, "Error in Reading Title - RI1a\n");
}

TEST(InputReader, SeamCountLimits) {
  // Ten seams at distinct depths are accepted.
  {
    auto lines = With(SmallModelLines(), kHost, "0.25,2000000,120,10,0,0");
    std::vector<std::string> seams;
    for (int s = 1; s <= 10; ++s) seams.push_back("0,0," + std::to_string(-1000 * s) + ",72");
    lines.erase(lines.begin() + kSeam);
    lines.insert(lines.begin() + kSeam, seams.begin(), seams.end());
    ModelInFolder m(ScratchFolder());
    EXPECT_EQ(m.Read(ModelText(lines, 10)), 0);
    EXPECT_EQ(m.model.seamZ[10], -10000.0);
  }
  ExpectRefused(ModelText(With(SmallModelLines(), kHost, "0.25,2000000,120,11,0,0")), 2,
                "Can Only Specify up to 10 Different Seams - RI2b\n");
  ExpectRefused(ModelText(With(SmallModelLines(), kHost, "0.25,2000000,120,0,0,0")), 2,
                "The Number of Seams Must Be at Least 1 - RI2d\n");
  ExpectRefused(ModelText(With(SmallModelLines(), kHost, "0.25,2000000,120,-3,0,0")), 2,
                "The Number of Seams Must Be at Least 1 - RI2d\n");
}

TEST(InputReader, UnitCodeMustBeZeroToThree) {
  HeaderInFolder h(ScratchFolder());
  EXPECT_EQ(h.Read(ModelText(With(SmallModelLines(), kHost, "0.25,2000000,120,1,3,0"))), 0);
  EXPECT_EQ(h.input.stressUnit, "MPa");
  const std::string message = "Can Only Specify a Unit Number up to 4 - RI2c\n";
  ExpectRefused(ModelText(With(SmallModelLines(), kHost, "0.25,2000000,120,1,4,0")), 2, message);
  ExpectRefused(ModelText(With(SmallModelLines(), kHost, "0.25,2000000,120,1,-1,0")), 2, message);
}

TEST(InputReader, MaterialCountMustBeOneToFiftyTwo) {
  const std::string message = "The Number of In Seam Materials Must Be Between 1 and 52 - RI3b\n";
  // The count is refused before any material line is read: a file that ends
  // right after the count line still reports RI3b.
  for (const char* count : {"0,0,0", "53,0,0"}) {
    auto lines = SmallModelLines();
    lines.resize(kCount + 1);
    lines[kCount] = count;
    ExpectRefused(Lines(lines), 3, message);
  }
  auto lines = SmallModelLines();
  lines[kCount] = "52,0,0";
  lines.insert(lines.begin() + kMaterial + 1, 51, "1,300000,120000");
  ModelInFolder m(ScratchFolder());
  EXPECT_EQ(m.Read(ModelText(lines)), 0);
  EXPECT_EQ(m.model.materialType[51], 1);
}

TEST(InputReader, BadMaterialTypeIsReportedAfterTheLastMaterialLine) {
  auto lines = SmallModelLines();
  lines[kCount] = "5,0,0";
  lines.insert(lines.begin() + kMaterial + 1,
               {"1,1,1", "7,2,2", "6,3,3", "4,9,8,7,6,5"});
  const std::string message = "The Material Type Number Must Be Between 1 and 6 - RI4b\n";
  ExpectRefused(ModelText(lines), 4, message);
  // The record keeps what was read before the refusal.
  ModelInFolder m(ScratchFolder());
  EXPECT_EQ(m.Read(ModelText(lines)), 4);
  EXPECT_EQ(m.model.materialType[2], 7);
  EXPECT_EQ(m.model.materialType[4], 4);  // the fifth line was still read
  EXPECT_EQ(m.model.materialProps[4][4], 5.0);
  ExpectRefused(ModelText(With(SmallModelLines(), kMaterial, "0,1,1")), 4, message);
}

TEST(InputReader, GridChecksInTheirOrder) {
  auto grid = [](const std::string& text) {
    return ModelText(With(SmallModelLines(), kGrid, text));
  };
  ExpectRefused(grid("120,25,10,0.09"), 5, "Fine mesh size must be divisible by 10 - RI5b\n");
  ExpectRefused(grid("120,10,15,0.09"), 5, "Fine mesh size must be divisible by 10 - RI5b\n");
  // The divisibility test comes before the width test.
  ExpectRefused(grid("0,25,10,0.09"), 5, "Fine mesh size must be divisible by 10 - RI5b\n");
  ExpectRefused(grid("0,10,10,0.09"), 5, "Element width must be non-zero - RI5c\n");
  // Zero passes the divisibility test and is reported as zero.
  ExpectRefused(grid("120,0,10,0.09"), 5, "The number of X elements must be non-zero - RI5d\n");
  ExpectRefused(grid("120,10,0,0.09"), 5, "The number of Y elements must be non-zero - RI5e\n");
  // Negative and oversized counts never reach the array allocation.
  ExpectRefused(grid("120,-30,10,0.09"), 5,
                "The number of X elements must be between 10 and 10000 - RI5f\n");
  ExpectRefused(grid("120,10,-20,0.09"), 5,
                "The number of Y elements must be between 10 and 10000 - RI5g\n");
  ExpectRefused(grid("120,10010,10,0.09"), 5,
                "The number of X elements must be between 10 and 10000 - RI5f\n");
  ExpectRefused(grid("120,10,2147483640,0.09"), 5,
                "The number of Y elements must be between 10 and 10000 - RI5g\n");
}

TEST(InputReader, SeamsAtOneElevationAreRefused) {
  auto lines = With(SmallModelLines(), kHost, "0.25,2000000,120,3,0,0");
  lines.erase(lines.begin() + kSeam);
  lines.insert(lines.begin() + kSeam, {"0,0,-4800,72", "0,0,-4000,60", "50,50,-4000,60"});
  ExpectRefused(ModelText(lines, 3), 6, "Seams 2 and 3 Must Not Be at the Same Elevation - RI6b\n");
}

TEST(InputReader, StepCountLimits) {
  auto control = [](const std::string& steps) {
    return With(SmallModelLines(), kControl, "1.7,0.001,2000,1," + steps + ",0,0,0,0,0,0,0,0,0");
  };
  {
    ModelInFolder m(ScratchFolder());
    EXPECT_EQ(m.Read(ModelText(control("200"), 200)), 0);
    EXPECT_EQ(m.model.stepCount, 200);
  }
  ExpectRefused(ModelText(control("201"), 201), 7,
                "The Number of Steps Must be Less Than 200 - RI7b\n");
  ExpectRefused(ModelText(control("-1"), 0), 7,
                "The Number of Steps Must Not Be Negative - RI7c\n");
  // A control line without the step field gives zero steps, which is accepted.
  ModelInFolder m(ScratchFolder());
  EXPECT_EQ(m.Read(ModelText(With(SmallModelLines(), kControl, "1.7,0.001,2000,1"), 0)), 0);
  EXPECT_EQ(m.model.stepCount, 0);
  EXPECT_EQ(m.model.surfaceEffects, 0);
}

TEST(InputReader, SurfaceEffectsNeedEverySeamAndImagePairApart) {
  auto surface = With(SmallModelLines(), kControl, "1.7,0.001,2000,1,1,1,0,0,0,0,0,0,0,0");
  ExpectRefused(ModelText(With(surface, kSeam, "0,0,0,72")), 7,
                "Seam 1 Must Not Lie at Elevation 0 When Surface Effects are Included - RI7d\n");
  // A seam above the datum at +100 meets the image of the seam at -100.
  auto lines = surface;
  lines[kHost] = "0.25,2000000,120,2,0,0";
  lines[kSeam] = "0,0,-100,72";
  lines.insert(lines.begin() + kSeam + 1, "0,0,100,72");
  ExpectRefused(
      ModelText(lines, 2), 7,
      "The Surface Image of Seam 1 Lies on Seam 2 When Surface Effects are Included - RI7e\n");
  // Without surface effects a seam at elevation 0 is allowed.
  ModelInFolder m(ScratchFolder());
  EXPECT_EQ(m.Read(ModelText(With(SmallModelLines(), kSeam, "0,0,0,72"))), 0);
}

TEST(InputReader, BoundaryValuesMustBeZeroOrOne) {
  for (const char* bc : {"2,0,0,0", "0,2,0,0", "0,0,2,0", "0,0,0,2", "0,0,0,-1"})
    ExpectRefused(ModelText(With(SmallModelLines(), kControl + 1, bc)), 8,
                  "The Boundary Conditions must be either a '0' or a '1' - RI8b\n");
}

std::vector<std::string> WithOffSeam(const std::string& offSeamLine, int surface = 0) {
  auto lines = With(SmallModelLines(), kControl,
                    "1.7,0.001,2000,1,1," + std::to_string(surface) + ",1,0,0,0,0,0,0,0");
  lines.push_back(offSeamLine);
  return lines;
}

TEST(InputReader, OffSeamLineChecks) {
  ExpectRefused(ModelText(WithOffSeam("1,1,0,0,-2000,100,50,4,5,1,21")), 9,
                "Inconsistent Data in the Offseam Input Line - RI9b\n");
  const std::string counts =
      "The Number of Off-Seam Blocks Along X and Y Must Be Between 1 and 10000 - RI9c\n";
  ExpectRefused(ModelText(WithOffSeam("1,1,0,0,-2000,100,50,0,5,1,0")), 9, counts);
  ExpectRefused(ModelText(WithOffSeam("1,1,0,0,-2000,100,50,-4,-5,1,20")), 9, counts);
  ExpectRefused(ModelText(WithOffSeam("1,1,0,0,-2000,100,50,20000,1,1,20000")), 9, counts);
  // A product beyond the int range is compared exactly, not wrapped.
  ExpectRefused(ModelText(WithOffSeam("1,1,0,0,-2000,100,50,65536,65536,1,0")), 9,
                "Inconsistent Data in the Offseam Input Line - RI9b\n");
  ExpectRefused(ModelText(WithOffSeam("1,1,0,0,-2000,0,50,4,5,1,20")), 9,
                "Off-seam block width must be non-zero - RI9d\n");
  ExpectRefused(ModelText(WithOffSeam("1,1,0,0,-4800,100,50,4,5,1,20")), 9,
                "The Off-Seam Grid Must Not Be at the Elevation of Seam 1 - RI9e\n");
  ExpectRefused(ModelText(WithOffSeam("1,1,0,0,4800,100,50,4,5,1,20", 1)), 9,
                "The Off-Seam Grid Must Not Be at the Surface Image of Seam 1 When Surface "
                "Effects are Included - RI9f\n");
  // Without surface effects the image plane is harmless.
  ModelInFolder m(ScratchFolder());
  EXPECT_EQ(m.Read(ModelText(WithOffSeam("1,1,0,0,4800,100,50,4,5,1,20"))), 0);
  // With neither off-seam displacements nor stresses asked for, no off-seam
  // pass runs: a plane on a seam and a zero block width are harmless too.
  ModelInFolder idle(ScratchFolder("idle"));
  EXPECT_EQ(idle.Read(ModelText(WithOffSeam("0,0,0,0,-4800,0,50,4,5,1,20"))), 0);
}

std::vector<std::string> WithLms(const std::string& lmsLine) {
  auto lines = With(SmallModelLines(), kGrid, "120,30,10,0.09");
  lines[kControl] = "1.7,0.001,2000,1,1,0,0,0,0,0,0,0,0,1";
  lines.push_back(lmsLine);
  return lines;
}

TEST(InputReader, LmsPillarChecks) {
  const std::string count =
      "The Number of Pillars for the Local Mine Stiffness Calculation Must Be Between 1 and 5 - "
      "RI13a\n";
  ExpectRefused(ModelText(WithLms("0"), 1, 10, 30), 13, count);
  ExpectRefused(ModelText(WithLms("6,1,1,1,1,1,1,1,1,1,1,1,1"), 1, 10, 30), 13, count);
  ExpectRefused(ModelText(WithLms("2,5,7,31,4"), 1, 10, 30), 13,
                "The X Index for LMS Pillar 2 Must be between 1 and 30 - RI13b\n");
  ExpectRefused(ModelText(WithLms("1,0,4"), 1, 10, 30), 13,
                "The X Index for LMS Pillar 1 Must be between 1 and 30 - RI13b\n");
  ExpectRefused(ModelText(WithLms("2,5,7,30,11"), 1, 10, 30), 13,
                "The Y Index for LMS Pillar 2 Must be between 1 and 10 - RI13c\n");
  ModelInFolder m(ScratchFolder());
  EXPECT_EQ(m.Read(ModelText(WithLms("5,1,1,30,10,2,2,3,3,4,4"), 1, 10, 30)), 0);
  EXPECT_EQ(m.model.lmsX[2], 30);
  EXPECT_EQ(m.model.lmsY[2], 10);
}

TEST(InputReader, FileEndingBeforeItsLastLineIsAnError) {
  // Cut the all-options file of the first test after each of its lines.
  struct Cut {
    int keep;
    const char* line;
  };
  const std::vector<std::string> full = {"Cut model",
                                         "0.25,2000000,120,1,0,1",
                                         "header",
                                         "1,1,0",
                                         "2,2000,0.008,500,0.02,0.3",
                                         "coal set",
                                         "120,10,10,0.09",
                                         "0,0,-4800,72",
                                         "1.7,0.001,2000,1,1,0,1,0,0,0,0,1,0,1",
                                         "0,0,0,0",
                                         "1,1,0,0,-2000,100,50,4,5,1,20",
                                         "1,4,5,2,9",
                                         "1,5,5"};
  const std::vector<Cut> cuts = {{1, "Host Rock"},         {2, "Pre-Processor Header"},
                                 {3, "Material Count"},    {4, "Material"},
                                 {5, "Coal Set"},          {6, "Grid"},
                                 {7, "Seam"},              {8, "Control"},
                                 {9, "Boundary Condition"}, {10, "Off-Seam Grid"},
                                 {11, "Fault"},            {12, "LMS Pillar"}};
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.line);
    std::vector<std::string> lines(full.begin(), full.begin() + cut.keep);
    ExpectRefused(Lines(lines), 1,
                  std::string("Unexpected End of the Input File at the ") + cut.line +
                      " Line - RI1b\n");
  }
  // The whole header with its code block reads.
  ModelInFolder m(ScratchFolder());
  EXPECT_EQ(m.Read(ModelText(full)), 0);
}

TEST(InputReader, LongLinesAreReadWholeAndLongTitlesCutAtOneHundred) {
  const std::string title120(120, 'T');
  auto lines = SmallModelLines();
  lines[0] = title120;
  // A host rock line padded far beyond any fixed buffer keeps its fields.
  lines[kHost] = "0.25,2000000,120,1,0,0," + std::string(2000, '9');
  HeaderInFolder h(ScratchFolder());
  ASSERT_EQ(h.Read(ModelText(lines)), 0);
  EXPECT_EQ(std::string(h.input.title), std::string(100, 'T'));  // no line end kept
  EXPECT_EQ(h.input.seamCount, 1);
  EXPECT_EQ(h.input.nx, 10);

  // A title of 99 characters keeps its line end; one of exactly 100 does not,
  // and the line end is not taken as the host rock line.
  for (std::size_t length : {99u, 100u}) {
    lines[0] = std::string(length, 'x');
    ASSERT_EQ(h.Read(ModelText(lines)), 0);
    EXPECT_EQ(std::string(h.input.title),
              length == 99 ? std::string(99, 'x') + "\n" : std::string(100, 'x'));
    EXPECT_EQ(h.input.elasticModulus, 2000000.0);
  }
}

TEST(InputReader, NumbersTooLargeForADoubleAreRefusedNamingFieldAndLine) {
  struct Case {
    int index;
    std::string text;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {kHost, "0.25,1e400,120,1,0,0",
            "The Number in Field 2 of Line 2 is Too Large - RI14a\n"},
           {kMaterial, "2,2000,0.008,-1e999,0.02,0.3",
            "The Number in Field 4 of Line 4 is Too Large - RI14a\n"},
           {kGrid, "120,10,10,1" + std::string(400, '0'),
            "The Number in Field 4 of Line 5 is Too Large - RI14a\n"},
           {kSeam, "0,0,-4800,9e9999", "The Number in Field 4 of Line 6 is Too Large - RI14a\n"},
           {kControl, "1e309,0.001,2000,1,1,0,0,0,0,0,0,0,0,0",
            "The Number in Field 1 of Line 7 is Too Large - RI14a\n"}}) {
    SCOPED_TRACE(c.text);
    ExpectRefused(ModelText(With(SmallModelLines(), c.index, c.text)), 14, c.message);
  }
  // The largest doubles and the smallest still read.
  HeaderInFolder h(ScratchFolder());
  EXPECT_EQ(h.Read(ModelText(With(SmallModelLines(), kHost, "0.25,1.7e308,1e-400,1,0,0"))), 0);
}

TEST(InputReader, LinesAreBoundedAtOneMegabyte) {
  // A host rock line of exactly 1 MB reads, with either line end.
  const std::string host = "0.25,2000000,120,1,0,0,";
  const std::string exact = host + std::string(input::kMaxLineBytes - host.size(), ' ');
  for (bool crlf : {false, true}) {
    const std::string text = ModelText(With(SmallModelLines(), kHost, exact));
    HeaderInFolder h(ScratchFolder());
    EXPECT_EQ(h.Read(crlf ? testing_support::WithCrLf(text) : text), 0) << crlf;
    EXPECT_EQ(h.input.elasticModulus, 2000000.0);
  }
  ExpectRefused(ModelText(With(SmallModelLines(), kHost, exact + "x")), 15,
                "Line 2 is Longer Than 1 MB - RI15a\n");
  // A file without line ends (as /dev/zero) is refused once 1 MB is read.
  ExpectRefused(std::string(2u << 20, '\0'), 15, "Line 1 is Longer Than 1 MB - RI15a\n");
}

TEST(InputReader, ARunTheMachineCannotHoldIsRefusedBeforeAnyGrid) {
  // Ten seams of 10000 x 10000 elements, header only: the refusal must come
  // before the code cube (1 GB) is allocated or its missing block is read.
  std::vector<std::string> lines = {"Huge", "0.25,2000000,120,10,0,0", "1,0,0",
                                    "2,2000,0.008,500,0.02,0.3", "120,10000,10000,0.09"};
  for (int s = 1; s <= 10; ++s) lines.push_back("0,0," + std::to_string(-1000 * s) + ",72");
  lines.push_back("1.7,0.001,2000,1,1,0,0,0,0,0,0,0,0,0");
  lines.push_back("0,0,0,0");
  ModelInFolder m(ScratchFolder());
  m.model.machineMemory = std::uint64_t{16} << 30;
  EXPECT_EQ(m.Read(Lines(lines)), 16);
  ASSERT_EQ(m.sink.boxes.size(), 1u);
  EXPECT_EQ(m.sink.boxes[0],
            "The Run Needs About 53.8 GB of Memory, This Machine Has 16.0 GB - RI16a\n");
  EXPECT_FALSE(m.model.fineCodes);
  EXPECT_FALSE(std::filesystem::exists(m.folder / "model_Step1.chr"));

  // The small model (8020 bytes) fits in exactly that much, not in a byte less.
  ModelInFolder small(ScratchFolder("small"));
  small.model.machineMemory = 8020;
  EXPECT_EQ(small.Read(ModelText()), 0);
  small.model.machineMemory = 8019;
  EXPECT_EQ(small.model.ReadInputFile(), 16);
  // A reader of a finished run (the plots) runs nothing and is not refused.
  small.model.writeStepCodeFiles = false;
  EXPECT_EQ(small.model.ReadInputFile(), 0);
}

TEST(InputReader, WindowsLineEndsReadLikeUnixLineEnds) {
  const std::string unixText = ModelText();
  const std::string dosText = testing_support::WithCrLf(unixText);
  const auto dir = ScratchFolder();
  ModelInFolder a(dir / "unix");
  ModelInFolder b(dir / "dos");
  std::filesystem::create_directories(dir / "unix");
  std::filesystem::create_directories(dir / "dos");
  ASSERT_EQ(a.Read(unixText), 0);
  ASSERT_EQ(b.Read(dosText), 0);
  EXPECT_STREQ(b.model.title, "Small test model\n");
  EXPECT_EQ(b.model.stressGradient, a.model.stressGradient);
  EXPECT_EQ(b.model.bcWest, 0);
  EXPECT_EQ(ReadFile(dir / "dos" / "model_Step1.chr"), ReadFile(dir / "unix" / "model_Step1.chr"));
  ASSERT_EQ(a.model.WriteInputEcho(), 0);
  ASSERT_EQ(b.model.WriteInputEcho(), 0);
  EXPECT_EQ(ReadFile(dir / "dos" / "model.out"), ReadFile(dir / "unix" / "model.out"));
}

TEST(InputReader, CodeBlockProblemsEndTheRead) {
  // The step code files cannot be created in a folder that does not exist.
  {
    ModelInFolder m(ScratchFolder());
    WriteFile(m.InputPath(), ModelText());
    m.model.SetInputFolder(m.folder.string() + "/missing/");
    EXPECT_EQ(m.model.ReadInputFile(), 11);
    ASSERT_EQ(m.sink.boxes.size(), 1u);
    EXPECT_EQ(m.sink.boxes[0], "Could Not Open Temporary File for Seam Codes- RI11a");
  }
  // A block one row short.
  ModelInFolder m(ScratchFolder());
  EXPECT_EQ(m.Read(ModelText(SmallModelLines(), 1, 9)), 11);
  EXPECT_EQ(m.sink.boxes, std::vector<std::string>{"Error reading the fine mesh codes - RI11b\n"});
}

TEST(InputReader, ASecondFileReplacesTheFirstOnesCodesAndLmsPillars) {
  const auto dir = ScratchFolder();
  ModelInFolder m(dir, "first");
  ASSERT_EQ(m.Read(ModelText(WithLms("1,3,3"), 1, 10, 30)), 0);
  EXPECT_EQ(m.model.lmsPillarCount, 1);
  EXPECT_EQ(m.model.fineCodes.rowHigh(), 30);

  auto lines = SmallModelLines();
  lines.push_back("");  // blank line before the block: codes still start at its first code
  testing_support::WriteFile(dir / "second.inp", ModelText(lines));
  m.model.SetInputPathName((dir / "second.inp").string());
  m.model.SetInputFileTitle("second");
  ASSERT_EQ(m.model.ReadInputFile(), 0);
  EXPECT_EQ(m.model.lmsPillarCount, 0);
  EXPECT_EQ(m.model.fineCodes.rowHigh(), 10);
  EXPECT_EQ(m.model.fineCodes[1][1][1], 'A');
  EXPECT_EQ(ReadFile(dir / "second_Step1.chr"), Lines(CodeRows(10, 10, 'A')));
}

TEST(InputReader, MangledLinesAreRefusedOrReadButNeverBreakTheReader) {
  // Every header line of the all-options example replaced in turn by text a
  // damaged or hand-edited file might hold: the read ends with a result code
  // and, when it succeeds, the echo can be written.
  const std::string original =
      ReadFile(testing_support::ExamplePath("every_option.inp"));
  const std::vector<std::string> lines = testing_support::SplitLines(original);
  ASSERT_GT(lines.size(), 17u);
  const std::vector<std::string> damage = {
      "", "abc", ",,,,,,,,,,,,,,", "-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1,-1",
      "99999999999,99999999999,99999999999,99999999999,99999999999,99999999999,99999999999",
      "1e400,1e400,1e400,1e400,1e400,1e400,1e400,1e400,1e400,1e400,1e400",
      "0,0,0,0,0,0,0,0,0,0,0,0,0,0", "10,10,10,10,10,10,10,10,10,10,10,10,10,10"};
  const auto dir = ScratchFolder();
  int refused = 0;
  for (std::size_t k = 1; k < 17; ++k)
    for (const std::string& bad : damage) {
      SCOPED_TRACE("line " + std::to_string(k) + ": " + bad);
      auto mangled = lines;
      mangled[k] = bad;
      ModelInFolder m(dir);
      const int result = m.Read(Lines(mangled));
      EXPECT_GE(result, 0);
      EXPECT_LE(result, 16);
      if (result == 0)
        EXPECT_EQ(m.model.WriteInputEcho(), 0);
      else
        ++refused;
      EXPECT_LE(m.sink.boxes.size(), 1u);
    }
  EXPECT_GT(refused, 0);
}

TEST(InputReader, EveryExampleModelReads) {
  for (const char* name : {"panel", "two_seam", "every_option"}) {
    SCOPED_TRACE(name);
    ModelInFolder m(ScratchFolder(), name);
    const std::string text =
        ReadFile(testing_support::ExamplePath(std::string(name) + ".inp"));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(m.Read(text), 0);
    EXPECT_TRUE(m.sink.boxes.empty());
    EXPECT_EQ(m.model.WriteInputEcho(), 0);
  }
}

}  // namespace
}  // namespace kavrel
