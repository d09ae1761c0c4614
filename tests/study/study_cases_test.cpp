// Expanding a study on a shipped model: the cases and their order, the model
// text of a case as the reader reads it, values the reader refuses or names
// it does not know (reported before anything is written), and a second
// expansion that keeps what has run unless its model changed.
#include "study/study_cases.h"

#include <gtest/gtest.h>

#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using kavrel::study::StudyPlan;
using kavrel::testing_support::CopyExample;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::ScratchFolder;
using kavrel::testing_support::WriteFile;

struct Expansion {
  bool ok = false;
  StudyPlan plan;
  std::vector<std::string> problems, warnings;
};

Expansion Expand(const fs::path& dir, const std::string& text) {
  WriteFile(dir / "s.txt", text);
  kavrel::study::StudyFile file;
  std::string error;
  EXPECT_TRUE(kavrel::study::ReadStudyFile(dir / "s.txt", file, error)) << error;
  Expansion e;
  e.ok = kavrel::study::PlanStudy(file, e.plan, e.problems, e.warnings);
  return e;
}

TEST(StudyCases, CombinesListsAndDrawsInOrder) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "two_seam.inp");
  const Expansion e = Expand(dir,
                             "base = two_seam.inp\n"
                             "draws = 2\n"
                             "seam.2.depth = 300, 320\n"
                             "material.B.2 = uniform 19e6 21e6 seed 5\n"
                             "solver.over_relaxation = range 1.5 1.7 3\n");
  ASSERT_TRUE(e.ok) << (e.problems.empty() ? "" : e.problems[0]);
  ASSERT_EQ(e.plan.cases.size(), 2u * 3u * 2u);
  const auto draws =
      kavrel::study::Draw({kavrel::study::DistributionKind::Uniform, 19e6, 21e6, 5}, 2);
  const auto& c10 = e.plan.cases[9];  // seam depth 320, over-relaxation 1.6, draw 2
  EXPECT_EQ(c10.id, 10);
  EXPECT_EQ(c10.values, (std::vector<double>{320, draws[1], 1.6}));
  EXPECT_EQ(e.plan.cases[6].values[1], draws[0]);

  // The reader sees exactly those values in the case's model.
  WriteFile(dir / "c10.inp", c10.modelText);
  kavrel::NullMessageSink quiet;
  const kavrel::ModelRead read = kavrel::ReadModelInput((dir / "c10.inp").string(), quiet);
  ASSERT_EQ(read.result, 0);
  EXPECT_EQ(read.input.seamZ[2], -320);
  EXPECT_EQ(read.input.materialProps[1][0], draws[1]);
  EXPECT_EQ(read.input.overRelaxation, 1.6);
  EXPECT_EQ(read.input.seamZ[1], -280);
}

TEST(StudyCases, RefusesUnknownNamesAndValuesTheReaderRefuses) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "two_seam.inp");
  Expansion e = Expand(dir, "base = two_seam.inp\nrock.modulus = 1e9\nrock.density = 2500\n");
  EXPECT_FALSE(e.ok);
  ASSERT_EQ(e.problems.size(), 1u);
  EXPECT_EQ(e.problems[0].rfind("line 3: unknown parameter rock.density", 0), 0u);

  // Seam 1 at the depth of seam 2 (300): the reader refuses two seams at one Z.
  e = Expand(dir, "base = two_seam.inp\nseam.1.depth = 290, 300\nrock.poissons_ratio = 0.6\n");
  EXPECT_FALSE(e.ok);
  ASSERT_EQ(e.problems.size(), 1u);
  EXPECT_NE(e.problems[0].find("case-0002 (seam.1.depth=300, rock.poissons_ratio=0.6): the model "
                               "reader refuses it: "),
            std::string::npos)
      << e.problems[0];
  EXPECT_NE(e.problems[0].find("RI6b"), std::string::npos) << e.problems[0];
  EXPECT_FALSE(e.warnings.empty());  // Poisson's ratio 0.6: a warning, not a refusal

  e = Expand(
      dir,
      "base = two_seam.inp\nrock.modulus = range 1e9 2e9 1000\nrock.lamination = range 1 2 101\n");
  ASSERT_EQ(e.problems.size(), 1u);
  EXPECT_EQ(e.problems[0], "the study makes more than 100000 cases");
  EXPECT_TRUE(e.plan.cases.empty());

  e = Expand(dir, "base = missing.inp\n");
  ASSERT_EQ(e.problems.size(), 1u);
  EXPECT_NE(e.problems[0].find("missing.inp: cannot be read"), std::string::npos);
}

TEST(StudyCases, WritingAgainKeepsRunCasesWhoseModelIsUnchanged) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "panel.inp");
  const fs::path folder = dir / "s.cases";
  Expansion e = Expand(dir, "base = panel.inp\nrock.modulus = 1e6, 2e6\n");
  std::string error;
  ASSERT_TRUE(kavrel::study::WriteCases(e.plan, folder, error)) << error;
  EXPECT_EQ(ReadFile(folder / "manifest.csv"), "case,rock.modulus\n1,1e+06\n2,2e+06\n");
  for (const char* c : {"case-0001", "case-0002"}) WriteFile(folder / c / "exit-status", "0\n");

  e = Expand(dir, "base = panel.inp\nrock.modulus = 1e6, 3e6\n");
  ASSERT_TRUE(kavrel::study::WriteCases(e.plan, folder, error)) << error;
  using kavrel::study::CaseState;
  EXPECT_EQ(kavrel::study::ReadCaseStatus(folder / "case-0001").state, CaseState::Succeeded);
  EXPECT_EQ(kavrel::study::ReadCaseStatus(folder / "case-0002").state, CaseState::NotRun);
}

}  // namespace
