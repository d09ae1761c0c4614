// The warnings on models that read but would run to meaningless numbers:
// every kind once with its exact text, their order, how File > Open passes
// them on, and `kavrel check` / `kavrel run` showing them (and --strict
// failing on them).
#include "model/model_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/model_dat.h"
#include "model/open_model.h"
#include "model_test_support.h"
#include "support/kavrel_runs.h"

namespace kavrel {
namespace {

using testing_support::CodeRows;
using testing_support::kControl;
using testing_support::kCount;
using testing_support::kGrid;
using testing_support::kHost;
using testing_support::kMaterial;
using testing_support::kSeam;
using testing_support::Lines;
using testing_support::ModelInFolder;
using testing_support::ModelText;
using testing_support::RunKavrel;
using testing_support::ScratchFolder;
using testing_support::SmallModelLines;
using testing_support::With;
using testing_support::WriteFile;

std::string Control(const std::string& start, const std::string& flags = "0,0,0,0,0,0,0,0,0") {
  return "1.7,0.001,2000," + start + "," + flags;
}

std::vector<std::string> Texts(const std::vector<ModelWarning>& warnings) {
  std::vector<std::string> texts;
  for (const ModelWarning& w : warnings) texts.push_back(w.text);
  return texts;
}

TEST(ModelChecks, EveryHeaderValueThatMakesTheRunMeaninglessIsNamedByLineAndField) {
  struct Case {
    std::vector<std::string> header;
    int steps;
    std::string warning;
  };
  const auto small = SmallModelLines();
  auto offSeam = With(small, kControl, Control("1,1", "0,1,0,0,0,0,0,0,0"));
  offSeam.push_back("1,2,0,0,-2000,100,0,4,5,1,20");
  const std::vector<Case> cases = {
      {With(small, kHost, "0.5,2000000,120,1,0,0"), 1,
       "line 2, field 1 (Poisson's ratio): 0.5 is outside [0, 0.5)"},
      {With(small, kHost, "0.25,0,120,1,0,0"), 1,
       "line 2, field 2 (rock modulus): 0 is not above 0"},
      {With(small, kHost, "0.25,2000000,-120,1,0,0"), 1,
       "line 2, field 3 (layer thickness): -120 is not above 0"},
      {With(small, kGrid, "-120,10,10,0.09"), 1,
       "line 5, field 1 (element width): -120 is not above 0"},
      {With(small, kSeam, "0,0,0,72"), 1,
       "line 6, field 3 (seam 1 Z): 0 is at or above the surface (Z must be below 0)"},
      {With(small, kSeam, "0,0,-4800,0"), 1,
       "line 6, field 4 (seam 1 thickness): 0 is not above 0"},
      {With(small, kControl, "2,0.001,2000,1,1,0,0,0,0,0,0,0,0,0"), 1,
       "line 7, field 1 (over-relaxation): 2 is outside (0, 2)"},
      {With(small, kControl, "1.7,0.001,0,1,1,0,0,0,0,0,0,0,0,0"), 1,
       "line 7, field 3 (maximum iterations): 0 is below 1"},
      {With(small, kControl, Control("0,1")), 1, "line 7, field 4 (start step): 0 is outside 1..1"},
      {With(small, kControl, Control("1,0")), 0,
       "line 7, field 5 (step count): 0: there is no step to compute"},
      {With(small, kControl, Control("1,1", "0,0,0,0,0,0,0,2,0")), 1,
       "line 7, field 13 (roof bending option): 2 is neither 0 nor 1"},
      {offSeam, 1, "line 9, field 2 (off-seam stress option): 2 is neither 0 nor 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.warning);
    ModelInFolder m(ScratchFolder());
    ASSERT_EQ(m.Read(ModelText(c.header, c.steps)), 0);
    EXPECT_TRUE(m.sink.boxes.empty());
    EXPECT_EQ(Texts(m.model.warnings), std::vector<std::string>{c.warning});
  }
}

TEST(ModelChecks, CodesAndStrayBytesAreNamedByStepSeamAndElementInFileOrder) {
  // Two seams, two steps; a NUL in the title, a stray code and a NUL in step
  // 2, seam 2, text after the last step, and a bad value on the host line.
  auto lines = SmallModelLines();
  lines[0] = std::string("Title with a ") + '\0' + " byte";
  lines[kHost] = "0.25,2000000,0,2,0,0";
  lines[kControl] = Control("1,2");
  lines.insert(lines.begin() + kSeam + 1, "0,0,-5000,72");
  for (int block = 0; block < 4; ++block) {
    auto rows = CodeRows(10, 10, 'A');
    if (block == 3) {
      rows[0] = "AAB1AAAAAA";  // y = 10: 'B' at x = 3 (one material, 'A')
      rows[9] = "AAAAAAAAAB";  // y = 1, x = 10: a second one
      rows[4][6] = '\0';       // y = 6, x = 7
    }
    for (const auto& row : rows) lines.push_back(row);
  }
  lines.push_back("AAAA");  // a row too many
  ModelInFolder m(ScratchFolder());
  ASSERT_EQ(m.Read(Lines(lines)), 0);
  EXPECT_EQ(
      Texts(m.model.warnings),
      (std::vector<std::string>{
          "line 1: a NUL byte in the line", "line 2, field 3 (layer thickness): 0 is not above 0",
          "step 2, seam 2, element (7, 6): a NUL byte in place of a code",
          "step 2, seam 2, element (3, 10): code 'B' names no material (the model defines "
          "'A'; '1' is mined out); 1 more in this seam",
          "line 50: text after the codes of the last step"}));
  EXPECT_TRUE(m.sink.boxes.empty());
}

TEST(ModelChecks, MaterialLettersRunFromCapitalsIntoSmallLetters) {
  // With 27 materials 'A'..'Z' and 'a' are defined, 'b' is not; '0' never is.
  auto lines = SmallModelLines();
  lines[kCount] = "27,0,0";
  lines.insert(lines.begin() + kMaterial + 1, 26, "1,300000,120000");
  auto rows = CodeRows(10, 10, 'a');
  rows[0] = "ZzAb01AAAA";
  for (const auto& row : rows) lines.push_back(row);
  ModelInFolder m(ScratchFolder());
  ASSERT_EQ(m.Read(Lines(lines)), 0);
  EXPECT_EQ(Texts(m.model.warnings),
            std::vector<std::string>{
                "step 1, seam 1, element (2, 10): code 'z' names no material (the model defines "
                "'A' to 'a'; '1' is mined out); 2 more in this seam"});
}

TEST(ModelChecks, ExampleModelsHaveNoWarnings) {
  for (const char* name : {"panel", "two_seam", "every_option", "hill"}) {
    SCOPED_TRACE(name);
    ModelInFolder m(ScratchFolder(), name);
    ASSERT_EQ(
        m.Read(testing_support::ReadFile(testing_support::ExamplePath(std::string(name) + ".inp"))),
        0);
    EXPECT_EQ(Texts(m.model.warnings), std::vector<std::string>{});
  }
}

// Every report of File > Open in one list, marked by kind, for their order.
struct OrderedSink : MessageSink {
  std::vector<std::string> shown;
  void ShowMessage(const std::string& text) override { shown.push_back("message: " + text); }
  void WriteDiagnostic(const std::string&) override {}
  void ShowWarning(const std::string& text) override { shown.push_back("warning: " + text); }
};

TEST(ModelChecks, OpenShowsTheWarningsOfAReadModelBeforeItsSuccess) {
  const auto dir = ScratchFolder();
  OrderedSink sink;
  CModelDat model;
  model.SetMessages(&sink);
  const InputNames names = SplitInputPath((dir / "pit.inp").string());
  auto lines = With(SmallModelLines(), kControl, Control("3,1"));
  WriteFile(dir / "pit.inp", ModelText(lines));
  ASSERT_EQ(OpenModel(model, names, true), 0);
  EXPECT_EQ(sink.shown,
            (std::vector<std::string>{"warning: line 7, field 4 (start step): 3 is outside 1..1",
                                      "message: The Input File was Successfully Read"}));
  // A refused model shows its refusal only, though the NUL of its title was
  // seen before the refusal.
  lines[0] = std::string(1, '\0');
  lines[kHost] = "0.25,2000000,120,11,0,0";
  WriteFile(dir / "pit.inp", ModelText(lines));
  sink.shown.clear();
  EXPECT_EQ(OpenModel(model, names, true), 2);
  EXPECT_EQ(sink.shown, (std::vector<std::string>{
                            "message: Can Only Specify up to 10 Different Seams - RI2b\n",
                            "message: The Input File was not the Correct Format - OFO1"}));
}

TEST(ModelChecks, CheckAndRunShowWarningsAndStrictFailsOnThem) {
  const auto dir = ScratchFolder();
  // Elastic coal, which the run solves at once. The start step is never used
  // by the run, which goes on as usual.
  auto lines = With(SmallModelLines(), kMaterial, "1,200000,80000");
  lines[kControl] = "1.5,0.0001,100000,2,1,0,0,0,0,0,0,0,0,0";
  WriteFile(dir / "odd.inp", ModelText(lines));
  const std::string warning = "warning: line 7, field 4 (start step): 2 is outside 1..1\n";
  const std::string estimate = "The run will need about 7.8 kB of memory\n";

  auto r = RunKavrel(dir, "check odd.inp");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, warning + "The Input File was Successfully Read\n");
  EXPECT_EQ(r.out, estimate);

  r = RunKavrel(dir, "check --strict odd.inp");
  EXPECT_EQ(r.status, 65);
  EXPECT_EQ(r.err, warning + "The Input File was Successfully Read\n" +
                       "kavrel: --strict: the model has 1 warning\n");
  EXPECT_EQ(r.out, estimate);

  r = RunKavrel(dir, "run --quiet odd.inp");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err.rfind(warning, 0), 0u) << r.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "odd.f1"));

  // A model without warnings passes --strict.
  lines[kControl] = "1.5,0.0001,100000,1,1,0,0,0,0,0,0,0,0,0";
  WriteFile(dir / "fine.inp", ModelText(lines));
  r = RunKavrel(dir, "check --strict fine.inp");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "The Input File was Successfully Read\n");
  EXPECT_EQ(r.out, estimate);
}

TEST(ModelChecks, CheckOfAFileWithoutLineEndsEndsAtTheBound) {
  // As /dev/zero would give it, but finite: 2 MB of NUL bytes.
  const auto dir = ScratchFolder();
  WriteFile(dir / "zero.inp", std::string(2u << 20, '\0'));
  const auto r = RunKavrel(dir, "check zero.inp");
  EXPECT_EQ(r.status, 15);
  EXPECT_EQ(r.err,
            "Line 1 is Longer Than 1 MB - RI15a\n"
            "The Input File was not the Correct Format - OFO1\n");
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace kavrel
