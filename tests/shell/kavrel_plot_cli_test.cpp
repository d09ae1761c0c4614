// `kavrel plot` as a user runs it: the pictures it writes and prints, and the
// one-line errors (naming the file and the reason) with nothing written when a
// request cannot be met.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using kavrel::testing_support::CopyExample;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::RunQuiet;
using kavrel::testing_support::ScratchFolder;
using kavrel::testing_support::WriteFile;

using Result = kavrel::testing_support::KavrelResult;

Result Plot(const fs::path& dir, const std::string& args) {
  return kavrel::testing_support::RunKavrel(dir, "plot " + args);
}

int Pictures(const fs::path& dir) {
  int n = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::string ext = entry.path().extension().string();
    n += ext == ".png" || ext == ".pdf";
  }
  return n;
}

TEST(KavrelPlot, DefaultsToConvergenceAndStressOfEverySeamAtTheLastStep) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "two_seam.inp");
  ASSERT_EQ(RunQuiet(dir / "two_seam.inp"), 0);
  const Result r = Plot(dir, "two_seam.inp");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "./two_seam_seam1_step3_convergence.png\n"
            "./two_seam_seam1_step3_totalverticalstress.png\n"
            "./two_seam_seam2_step3_convergence.png\n"
            "./two_seam_seam2_step3_totalverticalstress.png\n");
  EXPECT_EQ(Pictures(dir), 4);

  const Result listed =
      Plot(dir, "two_seam.inp --seam 2 --step 1,2 --quantity multipleseamstress --format pdf "
                "--output pictures --profile y=100");
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out, "pictures/two_seam_seam2_profile_y100_multipleseamstress.pdf\n");
}

TEST(KavrelPlot, RequestsThatCannotBeMetNameTheReasonAndWriteNothing) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "panel.inp");
  // Not run yet.
  Result r = Plot(dir, "panel.inp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kavrel: ./panel.f1: no such file; run the model first (kavrel run panel.inp)\n");
  ASSERT_EQ(RunQuiet(dir / "panel.inp"), 0);
  WriteFile(dir / "not-a-folder", "x");

  const struct {
    const char* args;
    const char* err;
  } cases[] = {
      {"panel.inp --step 4", "kavrel: step 4 is not in the model (steps 1 to 3)\n"},
      {"panel.inp --seam 2", "kavrel: seam 2 is not in the model (seams 1 to 1)\n"},
      {"panel.inp --quantity energy",
       "kavrel: ./panel.f1: quantity 'energy' is not in the file (it holds convergence, "
       "totalverticalstress, overburdenstress, elementstrainsf, pillarstresssf, "
       "pillarstrainsf)\n"},
      {"panel.inp --profile x=9000",
       "kavrel: x = 9000 in is outside seam 1 (0 to 7200 in)\n"},
      {"panel.inp --off-seam", "kavrel: panel.inp: the model computes no off-seam displacements\n"},
      {"panel.inp --output not-a-folder/sub",
       "kavrel: not-a-folder/sub: cannot be created: Not a directory\n"},
      {"missing.inp", "kavrel: missing.inp: no such file\n"},
  };
  for (const auto& c : cases) {
    r = Plot(dir, c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
  EXPECT_EQ(Pictures(dir), 0);
}

TEST(KavrelPlot, UsageErrorsExit64) {
  const fs::path dir = ScratchFolder();
  for (const char* args : {"", "panel.inp --range 5:1", "panel.inp --range low:high",
                           "panel.inp --format gif", "panel.inp --profile z=3",
                           "panel.inp --size 10x10", "panel.inp --codes --quantity convergence",
                           "panel.inp --step two", "panel.inp --off-seam --lms-run 1",
                           "panel.inp --profile y=1 --range 0:1"}) {
    const Result r = Plot(dir, args);
    EXPECT_EQ(r.status, 64) << args;
    EXPECT_EQ(r.err.rfind("kavrel: ", 0), 0u) << args;
  }
  const Result help = Plot(dir, "--help");
  EXPECT_EQ(help.status, 0);
  for (const char* key : {"convergence", "totalverticalstress", "pillarstresssf",
                          "maximumroofstress", "offseamdisplacement"})
    EXPECT_NE(help.out.find(key), std::string::npos) << key;
}

// An interrupted run: the complete blocks are drawn, the file is named
// incomplete, and the status is 1.
TEST(KavrelPlot, IncompleteResultFileDrawsTheCompleteStepsAndSaysSo) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "panel.inp");
  ASSERT_EQ(RunQuiet(dir / "panel.inp"), 0);
  // Keep the header and one and a half blocks of 60 x 40 lines.
  const std::string whole = ReadFile(dir / "panel.f1");
  std::size_t at = 0;
  for (int line = 0; line < 3 + 2400 + 1200; ++line) at = whole.find('\n', at) + 1;
  WriteFile(dir / "panel.f1", whole.substr(0, at));

  const Result r = Plot(dir, "panel.inp --quantity convergence");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kavrel: ./panel.f1: incomplete (an interrupted run?): holds 1 complete block of "
            "the 3 it announces\n");
  EXPECT_EQ(r.out, "./panel_seam1_step1_convergence.png\n");
  const Result later = Plot(dir, "panel.inp --step 2");
  EXPECT_EQ(later.status, 1);
  EXPECT_NE(later.err.find("./panel.f1: step 2 is not in the file (it holds steps 1 to 1)"),
            std::string::npos)
      << later.err;
}

}  // namespace

namespace {

// A study's summary column against a parameter, from its collected.csv: one
// dot per case that ran; a column or parameter the table lacks is named.
TEST(KavrelPlot, StudyColumnAgainstParameter) {
  const fs::path dir = ScratchFolder();
  WriteFile(dir / "s.txt", "base = m.inp\nrock.modulus = 1, 2\n");
  fs::create_directories(dir / "s.cases");
  WriteFile(dir / "s.cases/collected.csv",
            "case,status,exit_status,rock.modulus,step,lms_run,seam,max_convergence_m\n"
            "1,ok,0,1,1,0,1,0.5\n1,ok,0,1,2,0,1,0.7\n2,failed,1,2,,,,\n");
  Result r = Plot(dir, "--study s.txt --parameter rock.modulus --column max_convergence_m");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "s.cases/max_convergence_m_vs_rock.modulus.png\n");
  EXPECT_EQ(ReadFile(dir / "s.cases/max_convergence_m_vs_rock.modulus.png").substr(1, 3), "PNG");

  r = Plot(dir, "--study s.txt --parameter rock.modulus --column max_stress");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kavrel: s.cases/collected.csv: no summary column max_stress (the summary "
                   "has: max_convergence_m)\n");
  EXPECT_EQ(Plot(dir, "--study s.txt --column max_convergence_m").status, 64);
  EXPECT_EQ(Plot(dir, "m.inp --study s.txt --parameter rock.modulus --column c").status, 64);
}

}  // namespace
