// Shared fixtures of the model tests: the text of a small valid model file
// whose lines a test can replace, a model bound to an input file in a
// scratch folder with a recording message sink, and the same for the header
// reader alone (ReadModelInput, no model record).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/model_dat.h"
#include "model/model_input.h"
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

// Line positions in SmallModelLines().
constexpr int kHost = 1, kCount = 2, kMaterial = 3, kGrid = 4, kSeam = 5, kControl = 6;

// `lines` with line `index` (from 0) replaced by `text`.
inline std::vector<std::string> With(std::vector<std::string> lines, int index,
                                     const std::string& text) {
  lines[static_cast<std::size_t>(index)] = text;
  return lines;
}

inline std::vector<std::string> CodeRows(int rows, int width, char code) {
  return std::vector<std::string>(static_cast<std::size_t>(rows),
                                  std::string(static_cast<std::size_t>(width), code));
}

// A model file: the header `lines`, then `blocks` code blocks (one per seam
// and step) of `rows` rows of `width` codes 'A'.
inline std::string ModelText(std::vector<std::string> lines = SmallModelLines(), int blocks = 1,
                             int rows = 10, int width = 10) {
  for (int k = 0; k < blocks; ++k)
    for (const auto& row : CodeRows(rows, width, 'A')) lines.push_back(row);
  return Lines(lines);
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

// The header reader alone over a model file in `folder`: what it read, the
// warnings and the message boxes.
struct HeaderInFolder {
  explicit HeaderInFolder(const std::filesystem::path& in) : path(in / "model.inp") {}
  int Read(const std::string& text) {
    WriteFile(path, text);
    ModelRead read = ReadModelInput(path.string(), sink);
    input = std::move(read.input);
    warnings = std::move(read.warnings);
    return read.result;
  }
  std::filesystem::path path;
  RecordingMessages sink;
  ModelInput input;
  std::vector<ModelWarning> warnings;
};

}  // namespace kavrel::testing_support
