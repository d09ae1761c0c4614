// The inputs the fuzzers found accepted in silence, kept as they were found:
// each is now refused or read with a warning, and `check --strict` fails on
// every one of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;
using kavrel::testing_support::RunKavrel;
using kavrel::testing_support::ScratchFolder;

TEST(FuzzFindings, EveryFindingIsRefusedOrWarnedAbout) {
  const fs::path dir = ScratchFolder();
  const fs::path findings = fs::path(KAVREL_SOURCE_DIR) / "fuzz" / "findings";
  int count = 0;
  for (const auto& entry : fs::directory_iterator(findings)) {
    if (entry.path().extension() != ".inp") continue;
    ++count;
    const std::string name = entry.path().filename().string();
    fs::copy_file(entry.path(), dir / name, fs::copy_options::overwrite_existing);
    const auto plain = RunKavrel(dir, "check " + name);
    const bool refused = plain.status != 0;
    const bool warned = plain.err.find("warning: ") != std::string::npos;
    EXPECT_TRUE(refused || warned) << name << ": accepted in silence\n" << plain.err;
    EXPECT_NE(RunKavrel(dir, "check --strict " + name).status, 0) << name;
  }
  EXPECT_GE(count, 6);
}

}  // namespace
