// bench_generate_model: writes the benchmark models to disk, so that a user
// can check them and time `kavrel run` on exactly the models the whole-run
// benchmarks run.
//
//   bench_generate_model refine INPUT FACTOR OUTPUT [OMEGA] [--keep-limits]
//   bench_generate_model district OUTPUT [FACTOR [STEPS]]
//
// Exit status 0 on success, 2 for a usage error, 1 when a model cannot be
// read, refined or written (the reason on standard error).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

#include "model_generator.h"

namespace {

using kavrel::bench_models::ModelShape;

int Usage() {
  std::fputs(
      "usage: bench_generate_model refine INPUT FACTOR OUTPUT [OMEGA] [--keep-limits]\n"
      "       bench_generate_model district OUTPUT [FACTOR [STEPS]]\n"
      "refine: every code character of INPUT becomes a FACTOR x FACTOR block, the element\n"
      "        width is divided by FACTOR; OMEGA replaces the over-relaxation factor. The\n"
      "        convergence criterion is divided by FACTOR^2 and the sweep limit multiplied\n"
      "        by it, unless --keep-limits.\n"
      "district: the three-seam room-and-pillar district, 300 x 300 elements of 2 m per\n"
      "        seam times FACTOR (default 1), STEPS mining steps (default 8).\n",
      stderr);
  return 2;
}

// A positive integer argument, or nothing when the text is not one.
std::optional<int> PositiveInt(const char* text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > 10000) return std::nullopt;
  return static_cast<int>(value);
}

void Describe(const std::string& path, const ModelShape& shape) {
  std::printf("%s: %d seam(s), %d x %d elements of %g, %d step(s)\n", path.c_str(), shape.seams,
              shape.nx, shape.ny, shape.elementWidth, shape.steps);
}

}  // namespace

int main(int argc, char** argv) {
  namespace bm = kavrel::bench_models;
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  try {
    ModelShape shape;
    if (command == "refine" && argc >= 5 && argc <= 7) {
      const std::optional<int> factor = PositiveInt(argv[3]);
      if (!factor) return Usage();
      bm::RefineOptions options{*factor, std::nullopt, true};
      for (int k = 5; k < argc; ++k) {
        if (std::string(argv[k]) == "--keep-limits") {
          options.scaleSolverLimits = false;
          continue;
        }
        char* end = nullptr;
        options.overRelaxation = std::strtod(argv[k], &end);
        if (end == argv[k] || *end != '\0') return Usage();
      }
      bm::WriteTextFile(argv[4], bm::RefineModel(bm::ReadTextFile(argv[2]), options, &shape));
      Describe(argv[4], shape);
      return 0;
    }
    if (command == "district" && argc >= 3 && argc <= 5) {
      bm::DistrictOptions options;
      if (argc >= 4) {
        const std::optional<int> factor = PositiveInt(argv[3]);
        if (!factor) return Usage();
        options.factor = *factor;
      }
      if (argc == 5) {
        const std::optional<int> steps = PositiveInt(argv[4]);
        if (!steps) return Usage();
        options.steps = *steps;
      }
      bm::WriteTextFile(argv[2], bm::DistrictModel(options, &shape));
      Describe(argv[2], shape);
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_generate_model: %s\n", e.what());
    return 1;
  }
  return Usage();
}
