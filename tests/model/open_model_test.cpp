// File > Open as both front ends run it: the names handed to the model, the
// messages in their order, and the result of each way it can end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model/model_dat.h"
#include "model/open_model.h"
#include "model_test_support.h"

namespace kavrel {
namespace {

using testing_support::ModelText;
using testing_support::RecordingMessages;
using testing_support::ScratchFolder;
using testing_support::SmallModelLines;
using testing_support::WriteFile;

struct OpenFixture {
  OpenFixture() : dir(ScratchFolder()) {
    model.SetMessages(&sink);
    names = {(dir / "pit.inp").string(), dir.string() + "/", "pit.inp", "pit"};
  }
  void WriteModel(std::vector<std::string> lines) { WriteFile(dir / "pit.inp", ModelText(lines)); }
  std::filesystem::path dir;
  RecordingMessages sink;
  CModelDat model;
  InputNames names;
};

TEST(OpenModel, GoodModelIsReadAnnouncedAndEchoed) {
  OpenFixture f;
  f.WriteModel(SmallModelLines());
  EXPECT_EQ(OpenModel(f.model, f.names, true), 0);
  EXPECT_EQ(f.model.inputPathName, (f.dir / "pit.inp").string());
  EXPECT_EQ(f.model.inputFolder, f.dir.string() + "/");
  EXPECT_EQ(f.model.inputFileName, "pit.inp");
  EXPECT_EQ(f.model.inputFileTitle, "pit");
  ASSERT_EQ(f.sink.boxes.size(), 1u);
  EXPECT_EQ(f.sink.boxes[0], "The Input File was Successfully Read");
  EXPECT_TRUE(std::filesystem::exists(f.dir / "pit.out"));
  EXPECT_TRUE(std::filesystem::exists(f.dir / "pit_Step1.chr"));

  // Without the announcement nothing is shown.
  f.sink.boxes.clear();
  EXPECT_EQ(OpenModel(f.model, f.names, false), 0);
  EXPECT_TRUE(f.sink.boxes.empty());
}

TEST(OpenModel, RefusedModelShowsTheReadersMessageThenOFO1) {
  OpenFixture f;
  auto lines = SmallModelLines();
  lines[1] = "0.25,2000000,120,11,0,0";  // eleven seams
  f.WriteModel(lines);
  EXPECT_EQ(OpenModel(f.model, f.names, true), 2);
  ASSERT_EQ(f.sink.boxes.size(), 2u);
  EXPECT_EQ(f.sink.boxes[0], "Can Only Specify up to 10 Different Seams - RI2b\n");
  EXPECT_EQ(f.sink.boxes[1], "The Input File was not the Correct Format - OFO1");
  EXPECT_FALSE(std::filesystem::exists(f.dir / "pit.out"));

  // Reading again alone gives the same two messages and result.
  f.sink.boxes.clear();
  EXPECT_EQ(ReadModel(f.model), 2);
  ASSERT_EQ(f.sink.boxes.size(), 2u);
  EXPECT_EQ(f.sink.boxes[1], "The Input File was not the Correct Format - OFO1");
}

TEST(OpenModel, EchoThatCannotBeWrittenShowsOFO2) {
  OpenFixture f;
  f.WriteModel(SmallModelLines());
  std::filesystem::create_directory(f.dir / "pit.out");  // the log cannot be created
  EXPECT_EQ(OpenModel(f.model, f.names, true), 1);
  ASSERT_EQ(f.sink.boxes.size(), 3u);
  EXPECT_EQ(f.sink.boxes[0], "The Input File was Successfully Read");
  EXPECT_EQ(f.sink.boxes[1], "Error in Opening Output File - PI1\n");
  EXPECT_EQ(f.sink.boxes[2], "Could not Write the Output File - OFO2");
}

}  // namespace
}  // namespace kavrel
