// Shared fixtures of the model tests: the text of a small valid model file
// whose lines a test can replace, and a model bound to an input file in a
// scratch folder with a recording message sink.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/model_dat.h"
#include "support/recording_sinks.h"
#include "support/scratch_files.h"

namespace kavrel::testing_support {

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
  explicit ModelInFolder(const std::filesystem::path& in, const std::string& name = "model")
      : folder(in), title(name) {
    model.SetMessages(&sink);
    model.SetInputPathName((in / (name + ".inp")).string());
    model.SetInputFolder(in.string() + "/");
    model.SetInputFileName(name + ".inp");
    model.SetInputFileTitle(name);
  }
  std::filesystem::path InputPath() const { return folder / (title + ".inp"); }
  int Read(const std::string& text) {
    WriteFile(InputPath(), text);
    return model.ReadInputFile();
  }
  std::filesystem::path folder;
  std::string title;
  RecordingMessages sink;
  CModelDat model;
};

}  // namespace kavrel::testing_support
