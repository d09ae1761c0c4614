// Collecting a study whose cases ended every way (ran, failed, never ran),
// on a real run of the model with every option (LMS pillars, so several
// blocks per step, and an off-seam plane): the table marks each case, and the
// misfit to measured seam convergences and surface displacements is the root
// mean square of the differences, read at the element or block holding each
// point.
#include "study/study_collect.h"

#include <gtest/gtest.h>

#include "model/result_reader.h"
#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using kavrel::testing_support::FileLines;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::ScratchFolder;
using kavrel::testing_support::WriteFile;

TEST(StudyCollect, MarksEveryCaseAndMeasuresTheMisfit) {
  const fs::path dir = ScratchFolder();
  const fs::path ran = dir / "case-0001";
  fs::create_directories(ran);
  fs::create_directories(dir / "case-0003");
  fs::copy_file(kavrel::testing_support::ExamplePath("every_option.inp"), ran / "model.inp");
  ASSERT_EQ(kavrel::testing_support::RunQuiet(ran / "model.inp"), 0)
      << ReadFile(ran / "console.txt");
  WriteFile(ran / "exit-status", "0\n");
  WriteFile(dir / "case-0003/exit-status", "1\n");
  WriteFile(dir / "manifest.csv", "case,rock.modulus\n1,2e6\n2,3e6\n3,4e6\n");

  // Measured: the run's own values at step 2, each 0.003 off.
  kavrel::results::ResultFile seam, surface;
  std::string error;
  kavrel::NullMessageSink quiet;
  const int pillars =
      kavrel::ReadModelInput((ran / "model.inp").string(), quiet).input.lmsPillarCount;
  ASSERT_GT(pillars, 0);
  ASSERT_TRUE(
      kavrel::results::ReadResultFile((ran / "model.f2").string(), pillars, {}, seam, error))
      << error;
  ASSERT_TRUE(kavrel::results::ReadOffSeamFile((ran / "model.of1").string(), {}, surface, error))
      << error;
  const int seamBlock = pillars + 1;  // step 2, LMS run 0, after step 1's blocks
  ASSERT_EQ(seam.blocks[seamBlock].step, 2);
  ASSERT_EQ(seam.blocks[seamBlock].lmsRun, 0);
  const auto line = [](double x, double y, int s, const char* quantity, double value) {
    return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(s) + ",2," +
           quantity + "," + kavrel::study::FormatValue(value + 0.003) + "\n";
  };
  std::string points = "x,y,seam,step,quantity,value\n";
  points += line(seam.layout.CentreX(12), seam.layout.CentreY(20), 2, "convergence",
                 seam.At(seamBlock, 0, 12, 20));
  points += line(surface.layout.CentreX(3), surface.layout.CentreY(4), 0, "surface",
                 surface.At(surface.FinalBlockOf(2), 0, 3, 4));
  WriteFile(dir / "points.csv", points);

  kavrel::study::Manifest manifest;
  ASSERT_TRUE(kavrel::study::ReadManifest(dir, manifest, error)) << error;
  std::vector<kavrel::study::MeasuredPoint> measured;
  ASSERT_TRUE(kavrel::study::ReadMeasuredPoints(dir / "points.csv", measured, error)) << error;
  const kavrel::study::Collection c = kavrel::study::CollectStudy(dir, manifest, measured);

  ASSERT_EQ(c.outcomes.size(), 3u);
  EXPECT_EQ(c.outcomes[0].statusText, "ok");
  EXPECT_EQ(c.outcomes[1].statusText, "not run");
  EXPECT_EQ(c.outcomes[2].statusText, "failed");
  ASSERT_TRUE(c.outcomes[0].ranked) << c.outcomes[0].whyUnranked;
  EXPECT_NEAR(c.outcomes[0].misfit, 0.003, 1e-9);
  EXPECT_EQ(c.rankedOrder, std::vector<int>{0});

  const std::vector<std::string> summary = FileLines(ran / "model.summary.csv");
  const std::vector<std::string> table = kavrel::testing_support::SplitLines(c.table);
  ASSERT_EQ(table.size(), summary.size() + 2);
  EXPECT_EQ(table[0], "case,status,exit_status,rock.modulus," + summary[0]);
  EXPECT_EQ(table[1], "1,ok,0,2e6," + summary[1]);
  EXPECT_EQ(table[table.size() - 2].rfind("2,not run,,3e6,,,", 0), 0u);
  EXPECT_EQ(table.back().rfind("3,failed,1,4e6,,,", 0), 0u);
}

TEST(StudyCollect, RefusesMeasuredPointsItCannotRead) {
  const fs::path dir = ScratchFolder();
  for (const char* text :
       {"x,y,seam,step,value\n1,2,1,1,0\n", "x,y,seam,step,quantity,value\n1,2,1,1,stress,0\n",
        "x,y,seam,step,quantity,value\n1,2,1,0,convergence,0\n",
        "x,y,seam,step,quantity,value\n"}) {
    WriteFile(dir / "p.csv", text);
    std::vector<kavrel::study::MeasuredPoint> points;
    std::string error;
    EXPECT_FALSE(kavrel::study::ReadMeasuredPoints(dir / "p.csv", points, error)) << text;
  }
}

}  // namespace
