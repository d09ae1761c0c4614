// Large models for the benchmarks, made the same way every time, so that a
// figure measured here can be measured again by anyone with the same build:
// a shipped example refined by an integer factor, and a three-seam
// room-and-pillar district. The benchmarks write them to a scratch folder;
// bench_generate_model writes them where a user wants them, to run with
// `kavrel run`. Both produce model-file text; nothing here reads or runs a
// model through the program's own reader.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kavrel::bench_models {

// The shape of a model as the refinement found it (after refining).
struct ModelShape {
  int nx = 0, ny = 0;
  int seams = 0;
  int steps = 0;
  double elementWidth = 0;
};

// How to refine. Every code character becomes a factor x factor block of
// itself, the element width is divided by the factor and the grid is
// nx * factor by ny * factor. The seam origins, materials, loads, options
// and the code layout are kept. With scaleSolverLimits, the convergence
// criterion (the largest change of one sweep at which a solve stops) is
// divided by factor^2 and the sweep limit multiplied by factor^2: a sweep's
// change for the same stress imbalance scales with the element area, so
// the criterion as it was would stop the finer solves after a sweep or two,
// far from the answer the coarse model converges to. Without it both stay
// as written. `overRelaxation`, when given, replaces control field 1.
struct RefineOptions {
  int factor = 1;
  std::optional<double> overRelaxation;
  bool scaleSolverLimits = true;
};

// Refines the model file text `text`. Element indices of the fault and
// local-mine-stiffness lines are moved onto the refined grid (a fault
// between columns a and a + 1 lies between a * factor and a * factor + 1
// and spans the blocks of its old span; a pillar element becomes the centre
// element of its block). Comments after the last field of a line are kept;
// the code block is written one grid row per line. Throws
// std::runtime_error naming what is wrong when the text is not a model this
// layout understands (short file, short code block, text after it).
std::string RefineModel(const std::string& text, const RefineOptions& options,
                        ModelShape* shape = nullptr);

// The three-seam district. At factor 1: 300 x 300 elements of 2 m (a 600 m
// square), seams at 250, 280 and 320 m depth; `steps` mining steps (1 to
// 200); the layout is described in model_generator.cpp. A factor above 1
// refines it as RefineModel does, solver limits scaled.
struct DistrictOptions {
  int factor = 1;
  int steps = 8;
  double overRelaxation = 1.8;
};
std::string DistrictModel(const DistrictOptions& options, ModelShape* shape = nullptr);

// The whole text of a file; throws std::runtime_error when it cannot be read.
std::string ReadTextFile(const std::filesystem::path& path);

// Writes `text` to `path`; throws std::runtime_error when it cannot be written.
void WriteTextFile(const std::filesystem::path& path, const std::string& text);

}  // namespace kavrel::bench_models
