// Shared fixtures of the model tests: a message sink that records every box
// and diagnostic line, a fresh scratch folder per test, whole-file helpers,
// and the text of a small valid model file whose lines a test can replace.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/model_dat.h"
#include "shell/progress_sink.h"

namespace kavrel::testing {

class RecordingMessageSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { boxes.push_back(text); }
  void WriteDiagnostic(const std::string& text) override { diagnostics.push_back(text); }
  std::vector<std::string> boxes;
  std::vector<std::string> diagnostics;
};

// A fresh, empty folder for the running test under the build tree.
inline std::filesystem::path ScratchFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::filesystem::path dir = std::filesystem::path(KAVREL_BINARY_DIR) / "test-tmp" /
                              (std::string(info->test_suite_name()) + "." + info->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Joins lines with "\n" after each.
inline std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

// A one-seam, one-step model of 10 x 10 elements (title, host rock, material
// count, one material, grid, seam, control, boundary), then its code block.
inline std::vector<std::string> SmallModelLines() {
  return {"Small test model",
          "0.25,2000000,120,1,0,0",
          "1,0,0",
          "2,2000,0.008,500,0.02,0.3",
          "120,10,10,0.0916667",
          "0,0,-4800,72",
          "1.7,0.001,2000,1,1,0,0,0,0,0,0,0,0,0",
          "0,0,0,0"};
}

inline std::vector<std::string> CodeRows(int rows, int width, char code) {
  return std::vector<std::string>(static_cast<std::size_t>(rows),
                                  std::string(static_cast<std::size_t>(width), code));
}

// A model bound to `folder`/`title`.inp with a recording sink.
struct ModelInFolder {
  explicit ModelInFolder(const std::filesystem::path& folder, const std::string& title = "model")
      : folder(folder), title(title) {
    model.SetMessages(&sink);
    model.SetInputPathName((folder / (title + ".inp")).string());
    model.SetInputFolder(folder.string() + "/");
    model.SetInputFileName(title + ".inp");
    model.SetInputFileTitle(title);
  }
  std::filesystem::path InputPath() const { return folder / (title + ".inp"); }
  int Read(const std::string& text) {
    WriteFile(InputPath(), text);
    return model.ReadInputFile();
  }
  std::filesystem::path folder;
  std::string title;
  RecordingMessageSink sink;
  CModelDat model;
};

}  // namespace kavrel::testing
