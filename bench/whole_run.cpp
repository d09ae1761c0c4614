// A whole run: two 200 x 200 seams with surface effects, two mining steps.
//
// Elements of 2.5 m (a 500 m square). Upper seam (1.6 m at 280 m): a 200 m
// wide longwall panel retreated 125 m, then 250 m, caved to gob. Lower seam
// (2.2 m at 300 m): 2.5 m entries on 20 m centres developed under the panel.
// Units: metres and pascals. The model file is generated into a scratch
// folder; each iteration reads it, echoes it and runs the analysis, as
// `kavrel run` does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "model/open_model.h"

namespace fs = std::filesystem;

namespace {

constexpr int kGrid = 200;

char Code(int step, int seam, int x, int y) {
  if (seam == 1) {
    const bool panel = x >= 60 && x <= 140 && y >= 20 && y <= (step == 1 ? 70 : 120);
    return panel ? 'C' : 'A';
  }
  const bool underPanel = x >= 50 && x <= 150 && y >= 10 && y <= 190;
  const bool entry = (x - 50) % 8 == 0 || (y - 10) % 8 == 0;
  return underPanel && entry ? '1' : 'B';
}

std::string ModelText() {
  std::ostringstream o;
  o << "Benchmark: longwall over room-and-pillar development, 200 x 200\n"
    << "0.25,14000000000,20,2,2,0\n"
    << "3,0,0\n"
    << "2,18000000,0.008,4500000,0.025,0.3\n"
    << "2,20000000,0.008,5000000,0.02,0.3\n"
    << "5,1000000,400000000,20000000,1.0,0.25\n"
    << "2.5," << kGrid << "," << kGrid << ",25000\n"
    << "0,0,-280,1.6\n"
    << "0,0,-300,2.2\n"
    << "1.5,0.00002,20000,1,2,1,0,0,0,0,0,0,0,0\n"
    << "0,0,0,0\n";
  for (int t = 1; t <= 2; ++t)
    for (int s = 1; s <= 2; ++s)
      for (int y = kGrid; y >= 1; --y) {
        for (int x = 1; x <= kGrid; ++x) o << Code(t, s, x, y);
        o << "\n";
      }
  return o.str();
}

void BM_WholeRunTwoSeams200(benchmark::State& state) {
  const fs::path dir =
      fs::temp_directory_path() / ("kavrel-bench-whole-run-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path inp = dir / "two_seam_200.inp";
  std::ofstream(inp) << ModelText();

  const kavrel::InputNames names{inp.string(), dir.string() + "/", inp.filename().string(),
                                 inp.stem().string()};
  for (auto _ : state) {
    kavrel::CModelDat model;
    if (kavrel::OpenModel(model, names, false) != 0) {
      state.SkipWithError("the benchmark model was not read");
      break;
    }
    try {
      if (model.RunAnalysis() != 0) {
        state.SkipWithError("the run did not finish");
        break;
      }
    } catch (const kavrel::FatalExit& e) {
      state.SkipWithError("the run ended with a fatal error");
      break;
    }
    // The cumulative profile: how much work the run was.
    int solves = 0, sweeps = 0;
    for (int level = 0; level < 4; ++level) {
      solves += model.profile[0].solutionLoops[level];
      sweeps += model.profile[0].sorIterations[level];
    }
    state.counters["solves"] = solves;
    state.counters["sweeps"] = sweeps;
  }
  fs::remove_all(dir);
}

BENCHMARK(BM_WholeRunTwoSeams200)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
