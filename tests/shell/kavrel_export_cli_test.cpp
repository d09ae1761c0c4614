// `kavrel export` as a user runs it: where the table goes and what it prints,
// the seams and steps it picks, the one-line errors that leave the output
// path as it was, an interrupted run's file, and usage errors. What the
// table holds is checked against the run's files in
// tests/model/result_export_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

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

Result Export(const fs::path& dir, const std::string& args) {
  return kavrel::testing_support::RunKavrel(dir, "export " + args);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// The names of the files in `dir` and its folders, sorted, without the two
// in which RunKavrel keeps what the program printed.
std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(entry.path(), dir).string();
    if (name != "stdout.txt" && name != "stderr.txt") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The first `count` lines of the file at `path` replace it.
void KeepLines(const fs::path& path, int count) {
  const std::vector<std::string> lines = Lines(ReadFile(path));
  std::string text;
  for (int k = 0; k < count; ++k) text += lines[static_cast<std::size_t>(k)] + "\n";
  WriteFile(path, text);
}

// two_seam.inp: 2 seams of 40 x 40 elements, 3 steps, no LMS pillars, so
// 1600 rows a seam and step.
constexpr int kRows = 1600;

class KavrelExport : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ScratchFolder();
    CopyExample(dir_, "two_seam.inp");
  }
  void Run() { ASSERT_EQ(RunQuiet(dir_ / "two_seam.inp"), 0) << ReadFile(dir_ / "console.txt"); }
  fs::path dir_;
};

TEST_F(KavrelExport, WritesBesideTheModelOrWhereAskedAndPrintsThePath) {
  Run();
  const Result all = Export(dir_, "two_seam.inp");
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.err, "");
  EXPECT_EQ(all.out, "./two_seam.export.csv\n");
  const std::string table = ReadFile(dir_ / "two_seam.export.csv");
  const std::vector<std::string> lines = Lines(table);
  ASSERT_EQ(lines.size(), 1 + 2 * 3 * kRows);
  EXPECT_EQ(lines[0].rfind("step,lms_run,seam,i,j,x_m,y_m,code,convergence_m,", 0), 0u);
  EXPECT_EQ(lines[1].rfind("1,0,1,1,1,12.5,2.5,A,", 0), 0u);

  // The table itself on standard output, and nothing else there.
  const Result piped = Export(dir_, "--output - two_seam.inp");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, table);

  // Lists and repeated options choose the same rows: seam 2 at steps 1 and 3.
  const Result listed = Export(dir_, "two_seam.inp --seam 2 --step 3,1 --output some.csv");
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out, "some.csv\n");
  const Result repeated = Export(dir_, "two_seam.inp --step 1 --seam 2 --step 3 --output -");
  EXPECT_EQ(repeated.out, ReadFile(dir_ / "some.csv"));
  const std::vector<std::string> some = Lines(repeated.out);
  ASSERT_EQ(some.size(), 1 + 2 * kRows);
  // Seam 2 follows seam 1's three steps in the whole table.
  EXPECT_EQ(some[1], lines[1 + 3 * kRows]);
  EXPECT_EQ(some[1 + kRows], lines[1 + 5 * kRows]);
}

TEST_F(KavrelExport, RequestsThatCannotBeMetNameTheReasonAndWriteNothing) {
  // Not run yet.
  Result r = Export(dir_, "two_seam.inp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kavrel: ./two_seam.f1: no such file; run the model first (kavrel run two_seam.inp)\n");
  EXPECT_EQ(r.out, "");
  Run();
  fs::create_directory(dir_ / "folder");
  const std::vector<std::string> files = Listing(dir_);

  const struct {
    const char* args;
    const char* err;
  } cases[] = {
      {"missing.inp", "kavrel: missing.inp: no such file\n"},
      {"two_seam.inp --step 4", "kavrel: step 4 is not in the model (steps 1 to 3)\n"},
      {"two_seam.inp --step 0", "kavrel: step 0 is not in the model (steps 1 to 3)\n"},
      {"two_seam.inp --seam 1,3", "kavrel: seam 3 is not in the model (seams 1 to 2)\n"},
      {"two_seam.inp --output folder", "kavrel: folder: is a folder\n"},
      {"two_seam.inp --output no/such/folder/t.csv",
       "kavrel: no/such/folder/t.csv: cannot be written: No such file or directory\n"},
      {"two_seam.inp --output two_seam.f2",
       "kavrel: two_seam.f2: is a file of the run; choose another output\n"},
  };
  for (const auto& c : cases) {
    r = Export(dir_, c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_EQ(Listing(dir_), files) << c.args;
  }

  // Without the code file of a step the table cannot be made.
  fs::remove(dir_ / "two_seam_Step2.chr");
  r = Export(dir_, "two_seam.inp --step 3");
  EXPECT_EQ(r.status, 0) << r.err;
  fs::remove(dir_ / "two_seam.export.csv");
  const std::vector<std::string> without = Listing(dir_);
  r = Export(dir_, "two_seam.inp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kavrel: ./two_seam_Step2.chr: no such file; check the model first (kavrel check "
            "two_seam.inp)\n");
  EXPECT_EQ(Listing(dir_), without);
}

TEST_F(KavrelExport, AnInterruptedRunsFileGivesItsCompleteBlocksAndExits1) {
  Run();
  // Seam 2's file ends halfway through step 3 (its third block).
  KeepLines(dir_ / "two_seam.f2", 3 + 2 * kRows + kRows / 2);
  Result r = Export(dir_, "two_seam.inp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kavrel: ./two_seam.f2: incomplete (an interrupted run?): holds 2 complete blocks of "
            "the 3 it announces\n");
  EXPECT_EQ(r.out, "./two_seam.export.csv\n");
  EXPECT_EQ(Lines(ReadFile(dir_ / "two_seam.export.csv")).size(), 1 + 3 * kRows + 2 * kRows);

  // A step asked for that the file does not hold is an error, and the table
  // of before stays.
  WriteFile(dir_ / "two_seam.export.csv", "before\n");
  r = Export(dir_, "two_seam.inp --step 2,3");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kavrel: ./two_seam.f2: step 3 is not in the file (it holds steps 1 to 2)\n");
  EXPECT_EQ(ReadFile(dir_ / "two_seam.export.csv"), "before\n");

  // A line that is not a row of numbers is found only while the table is
  // being written: the half-written table goes, the one of before stays.
  Run();
  std::vector<std::string> lines = Lines(ReadFile(dir_ / "two_seam.f2"));
  const int bad = 3 + 2 * kRows + 800;  // line number, in step 3
  lines[static_cast<std::size_t>(bad - 1)] = "   0.1, oops";
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  WriteFile(dir_ / "two_seam.f2", text);
  WriteFile(dir_ / "two_seam.export.csv", "before\n");
  const std::vector<std::string> files = Listing(dir_);
  r = Export(dir_, "two_seam.inp --step 3");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kavrel: ./two_seam.f2: incomplete (an interrupted run?): line " +
                       std::to_string(bad) +
                       " is not a row of 8 numbers; 2 complete blocks of the 3 it announces "
                       "come before it\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadFile(dir_ / "two_seam.export.csv"), "before\n");
  EXPECT_EQ(Listing(dir_), files);
}

TEST_F(KavrelExport, UsageErrorsExit64) {
  for (const char* args : {"", "two_seam.inp other.inp", "two_seam.inp --step x",
                           "two_seam.inp --quantity convergence", "two_seam.inp --output",
                           "two_seam.inp --output ''"}) {
    const Result r = Export(dir_, args);
    EXPECT_EQ(r.status, 64) << args;
    EXPECT_NE(r.err.find("usage: kavrel"), std::string::npos) << args << "\n" << r.err;
    EXPECT_EQ(r.out, "") << args;
  }
}

}  // namespace
