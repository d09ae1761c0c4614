// `kavrel study` as a user runs it, with GNU parallel for real on this
// machine's cores: a study with a failing case (recorded, the others go on),
// a stopped study run again (only the cases without an exit status run),
// collect with the failed case marked and with measured points taken from
// one case's own results (that case ranks first), the Slurm script written
// without submitting it, and the errors that stop a study before anything
// starts. The Slurm engine itself runs in scripts/slurm-local.sh (make
// test-slurm).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "model/result_reader.h"
#include "study/study_engines.h"
#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using kavrel::testing_support::CopyExample;
using kavrel::testing_support::FileLines;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::RunKavrel;
using kavrel::testing_support::ScratchFolder;
using kavrel::testing_support::WriteFile;

bool HaveParallel() { return !kavrel::study::FindOnPath("parallel").empty(); }

// Lines of collected.csv whose first field is case `id`.
int RowsOf(const std::vector<std::string>& table, int id) {
  int n = 0;
  for (const std::string& line : table) n += line.rfind(std::to_string(id) + ",", 0) == 0;
  return n;
}

TEST(KavrelStudy, RunsThroughParallelRecordsFailuresAndResumes) {
  if (!HaveParallel()) GTEST_SKIP() << "GNU parallel is not installed (scripts/install-deps.sh)";
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "panel.inp");
  // A negative convergence criterion is read, but no solve can reach it: cases 2 and 4 fail.
  WriteFile(dir / "s.txt",
            "base = panel.inp\nrock.modulus = 1.5e6, 2.5e6\nsolver.convergence = 0.001, -1\n");
  auto r = RunKavrel(dir, "study run s.txt --engine parallel --jobs 2");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.out.find("s.cases: 4 cases, 2 succeeded, 2 failed, 0 not run"), std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("kavrel: s.cases/case-0004: the run failed (exit status 1;"),
            std::string::npos)
      << r.err;
  EXPECT_NE(ReadFile(dir / "s.cases/case-0002/run.err").find("SOR1"), std::string::npos);

  // A study stopped while case 3 ran: it has no exit status. Only it runs again,
  // here through GNU parallel's login list (":" is this machine, without ssh).
  fs::remove(dir / "s.cases/case-0003/exit-status");
  r = RunKavrel(dir, "study run s.txt --engine parallel --sshlogin :");
  EXPECT_NE(r.out.find("1 cases to run, 3 already ended"), std::string::npos) << r.out;
  const std::vector<std::string> jobs = FileLines(dir / "s.cases/parallel.joblog");
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_NE(jobs[1].find("case-0003"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "s.cases/case-0003/exit-status"), "0\n");

  r = RunKavrel(dir, "study collect s.txt");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("case-0002: failed\ncase-0004: failed\n"), std::string::npos) << r.out;
  const std::vector<std::string> table = FileLines(dir / "s.cases/collected.csv");
  ASSERT_FALSE(table.empty());
  EXPECT_EQ(table[0].rfind("case,status,exit_status,rock.modulus,solver.convergence,step,lms_run,"
                           "seam,max_convergence_in,",
                           0),
            0u);
  EXPECT_EQ(RowsOf(table, 1), 3);  // three steps, one seam
  EXPECT_EQ(RowsOf(table, 3), 3);
  EXPECT_EQ(RowsOf(table, 2), 1);
  EXPECT_EQ(table[4].rfind("2,failed,1,1500000,-1,,,,", 0), 0u) << table[4];
}

// Ctrl-C for real: the study's process group is interrupted once some cases
// have ended; the runs cut short leave no exit status (no false failures),
// and the study run again runs exactly the others.
TEST(KavrelStudy, AnInterruptedStudyGoesOnWhereItStopped) {
  if (!HaveParallel()) GTEST_SKIP() << "GNU parallel is not installed (scripts/install-deps.sh)";
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "two_seam.inp");
  WriteFile(dir / "s.txt", "base = two_seam.inp\nrock.modulus = range 10e9 18e9 120\n");
  const auto ended = [&] {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(dir / "s.cases"))
      n += fs::exists(entry.path() / "exit-status");
    return n;
  };
  // setsid, not in a subshell, execs kavrel as the leader of a group of its own.
  const std::string start = "cd '" + dir.string() +
                            "' || exit 1; setsid '" KAVREL_CLI
                            "' study run s.txt --engine parallel > first.txt 2>&1 & echo $! > pid";
  ASSERT_EQ(std::system(start.c_str()), 0);
  const std::string pid = ReadFile(dir / "pid").substr(0, ReadFile(dir / "pid").find('\n'));
  for (int k = 0; k < 600 && (!fs::exists(dir / "s.cases/jobs.txt") || ended() < 10); ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(std::system(("kill -s INT -- -" + pid).c_str()), 0);
  for (int k = 0; k < 600 && std::system(("kill -0 " + pid + " 2>/dev/null").c_str()) == 0; ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const int first = ended();
  ASSERT_LT(first, 120) << "every case ended before the interrupt; the test proves nothing";
  for (const auto& entry : fs::directory_iterator(dir / "s.cases")) {
    if (fs::exists(entry.path() / "exit-status")) {
      EXPECT_EQ(ReadFile(entry.path() / "exit-status"), "0\n") << entry.path();
    }
  }

  const auto r = RunKavrel(dir, "study run s.txt --engine parallel");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(std::to_string(120 - first) + " cases to run, " + std::to_string(first) +
                       " already ended\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("120 cases, 120 succeeded, 0 failed, 0 not run"), std::string::npos);
  EXPECT_EQ(FileLines(dir / "s.cases/parallel.joblog").size(), 120u - first + 1);
}

TEST(KavrelStudy, TheCaseBuiltToFitTheMeasuredPointsRanksFirst) {
  if (!HaveParallel()) GTEST_SKIP() << "GNU parallel is not installed (scripts/install-deps.sh)";
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "panel.inp");
  WriteFile(dir / "s.txt", "base = panel.inp\nrock.lamination = range 300 900 4\n");
  ASSERT_EQ(RunKavrel(dir, "study run s.txt --engine parallel").status, 0);

  // Measured points: case 3's own convergences at a few elements of steps 2 and 3.
  kavrel::results::ResultFile file;
  std::string error;
  ASSERT_TRUE(kavrel::results::ReadResultFile((dir / "s.cases/case-0003/model.f1").string(), 0, {},
                                              file, error))
      << error;
  std::string points = "x,y,seam,step,quantity,value\n";
  for (int step : {2, 3})
    for (const auto& [i, j] : {std::pair{20, 10}, {40, 20}, {45, 30}})
      points += std::to_string(file.layout.CentreX(i)) + "," +
                std::to_string(file.layout.CentreY(j)) + ",1," + std::to_string(step) +
                ",convergence," + std::to_string(file.At(file.FinalBlockOf(step), 0, i, j)) + "\n";
  WriteFile(dir / "points.csv", points);

  const auto r = RunKavrel(dir, "study collect s.txt --measured points.csv");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("1. case-0003 misfit "), std::string::npos) << r.out;
  const std::vector<std::string> ranking = FileLines(dir / "s.cases/misfit.csv");
  ASSERT_EQ(ranking.size(), 5u);
  EXPECT_EQ(ranking[0], "rank,case,misfit,rock.lamination,note");
  EXPECT_EQ(ranking[1].rfind("1,3,", 0), 0u) << ranking[1];
  EXPECT_LT(std::stod(ranking[1].substr(4)), 1e-5);

  WriteFile(dir / "far.csv", "x,y,seam,step,quantity,value\n99999,0,1,2,convergence,0\n");
  EXPECT_EQ(RunKavrel(dir, "study collect s.txt --measured far.csv").status, 0);
  EXPECT_NE(ReadFile(dir / "s.cases/misfit.csv")
                .find("\n,1,,300,\"point (99999, 0) lies outside the grid\"\n"),
            std::string::npos)
      << ReadFile(dir / "s.cases/misfit.csv");
}

// The shipped example study: its twelve cases, and the array of those not yet run.
TEST(KavrelStudy, WritesTheSlurmArrayOfTheCasesStillToRun) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "two_seam.inp");
  CopyExample(dir, "study.txt");
  auto r = RunKavrel(dir, "study expand study.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "study.cases: 12 cases (study.cases/manifest.csv)\n");
  WriteFile(dir / "study.cases/case-0002/exit-status", "0\n");
  r = RunKavrel(dir, "study run study.txt --engine slurm --no-submit");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(ReadFile(dir / "study.cases/study.sbatch").find("#SBATCH --array=1,3-12\n"),
            std::string::npos);
}

TEST(KavrelStudy, StopsBeforeAnythingStartsOnBadInput) {
  const fs::path dir = ScratchFolder();
  CopyExample(dir, "panel.inp");
  WriteFile(dir / "s.txt", "base = panel.inp\nrock.stiffness = 1, 2\n");
  auto r = RunKavrel(dir, "study run s.txt --engine slurm --no-submit");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("kavrel: s.txt: line 2: unknown parameter rock.stiffness (known: ", 0), 0u)
      << r.err;
  EXPECT_NE(r.err.find("kavrel: s.txt: nothing was written or started\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "s.cases"));

  // Engines that are not installed are named with their Debian package.
  WriteFile(dir / "s.txt", "base = panel.inp\nrock.modulus = 1e6\n");
  const std::string noPath =
      "cd '" + dir.string() + "' && PATH=/nonexistent '" KAVREL_CLI "' study run s.txt --engine ";
  for (const auto& [engine, package] : {std::pair{"parallel", "Debian package: parallel)"},
                                        {"slurm", "Debian package: slurm-wlm)"}}) {
    const std::string command = noPath + engine + " 2> err.txt";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_NE(ReadFile(dir / "err.txt").find(package), std::string::npos)
        << ReadFile(dir / "err.txt");
  }
  EXPECT_FALSE(fs::exists(dir / "s.cases"));

  // A second run of a study that is running (holding its lock) starts nothing.
  const std::string locked = "cd '" + dir.string() +
                             "' && flock s.txt '" KAVREL_CLI
                             "' study run s.txt --engine slurm --no-submit 2> err.txt";
  EXPECT_NE(std::system(locked.c_str()), 0);
  EXPECT_EQ(ReadFile(dir / "err.txt"),
            "kavrel: s.txt: another kavrel study run is running this study\n");
  EXPECT_FALSE(fs::exists(dir / "s.cases"));

  for (const char* usage :
       {"study run s.txt", "study expand", "study frob s.txt",
        "study expand s.txt --engine parallel", "study run s.txt --engine parallel --no-submit"})
    EXPECT_EQ(RunKavrel(dir, usage).status, 64) << usage;
}

}  // namespace
