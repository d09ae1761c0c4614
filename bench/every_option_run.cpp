// A whole run of the shipped every-option example: two seams with surface
// effects, a fault, two local-mine-stiffness pillars, safety factors, energy,
// remote strains, roof bending and the off-seam grid. The example is copied
// into a scratch folder; each iteration reads it, echoes it and runs the
// analysis, as `kavrel run` does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "model/open_model.h"

namespace fs = std::filesystem;

namespace {

void BM_EveryOptionExampleRun(benchmark::State& state) {
  const fs::path dir =
      fs::temp_directory_path() / ("kavrel-bench-every-option-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path inp = dir / "every_option.inp";
  fs::copy_file(fs::path(KAVREL_SOURCE_DIR) / "examples" / "every_option.inp", inp,
                fs::copy_options::overwrite_existing);

  const kavrel::InputNames names{inp.string(), dir.string() + "/", inp.filename().string(),
                                 inp.stem().string()};
  for (auto _ : state) {
    kavrel::CModelDat model;
    if (kavrel::OpenModel(model, names, false) != 0) {
      state.SkipWithError("the example was not read");
      break;
    }
    try {
      if (model.RunAnalysis() != 0) {
        state.SkipWithError("the run did not finish");
        break;
      }
    } catch (const kavrel::FatalExit&) {
      state.SkipWithError("the run ended with a fatal error");
      break;
    }
  }
  fs::remove_all(dir);
}

BENCHMARK(BM_EveryOptionExampleRun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
