// The job files handed to the engines: GNU parallel's command line, Slurm's
// array list of the cases still to run, and the case script's promise that a case with an exit status is
// never run twice while a run stopped by a signal leaves none (so it runs
// again). The script is run for real with a stand-in for kavrel.
#include "study/study_engines.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "study/study_cases.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using kavrel::testing_support::ReadFile;
using kavrel::testing_support::ScratchFolder;
using kavrel::testing_support::WriteFile;

TEST(StudyEngines, EngineCommandLinesAndScripts) {
  EXPECT_EQ(kavrel::study::ArraySpec({1, 2, 3, 5, 7, 8}), "1-3,5,7-8");
  EXPECT_EQ(kavrel::study::ArraySpec({4}), "4");
  const std::string script =
      kavrel::study::SlurmScriptText("/s/x.cases", {2, 3}, {"--partition=long"});
  EXPECT_NE(script.find("\n#SBATCH --array=2-3\n"), std::string::npos);
  EXPECT_NE(script.find("\n#SBATCH --partition=long\n"), std::string::npos);
  EXPECT_NE(script.find("exec '/s/x.cases/run-case.sh' '/s/x.cases'/\"$(printf 'case-%04d' "
                        "\"$SLURM_ARRAY_TASK_ID\")\"\n"),
            std::string::npos);
  EXPECT_EQ(kavrel::study::ShellQuote("it's"), "'it'\\''s'");
  EXPECT_EQ(kavrel::study::ParallelCommand("/s/x.cases", 3, {"node1", ":"}),
            (std::vector<std::string>{"parallel", "--joblog", "/s/x.cases/parallel.joblog",
                                      "--jobs", "3", "--sshlogin", "node1", "--sshlogin", ":",
                                      "/s/x.cases/run-case.sh", "::::", "/s/x.cases/jobs.txt"}));
}

TEST(StudyEngines, CaseScriptRunsACaseOnceAndAgainAfterASignal) {
  const fs::path dir = ScratchFolder();
  const fs::path fake = dir / "fake kavrel";
  // Counts its runs; the first is killed, the second fails with status 3.
  WriteFile(fake,
            "#!/bin/sh\necho run >> runs\necho out; echo err >&2\n"
            "[ $(wc -l < runs) = 1 ] && kill -KILL $$\nexit 3\n");
  fs::permissions(fake, fs::perms::owner_all);
  std::string error;
  ASSERT_TRUE(kavrel::study::WriteJobFiles(dir, fake, {1}, error)) << error;
  EXPECT_EQ(ReadFile(dir / "jobs.txt"), (dir / "case-0001").string() + "\n");
  fs::create_directories(dir / "case-0001");
  const std::string run = kavrel::study::ShellQuote((dir / "run-case.sh").string()) + " " +
                          kavrel::study::ShellQuote((dir / "case-0001").string());
  const auto status = [&] {
    const int raw = std::system(run.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  using kavrel::study::CaseState;
  EXPECT_EQ(status(), 128 + 9);
  EXPECT_EQ(kavrel::study::ReadCaseStatus(dir / "case-0001").state, CaseState::NotRun);
  EXPECT_EQ(status(), 3);
  EXPECT_EQ(kavrel::study::ReadCaseStatus(dir / "case-0001").exitStatus, 3);
  EXPECT_EQ(ReadFile(dir / "case-0001/run.out"), "out\n");
  EXPECT_EQ(ReadFile(dir / "case-0001/run.err"), "err\n");
  EXPECT_EQ(status(), 3);  // not run a third time
  EXPECT_EQ(ReadFile(dir / "case-0001/runs"), "run\nrun\n");
}

}  // namespace
