// Whole runs, as `kavrel run` does them: read the model, echo it, run every
// step and write every result file, on the models of bench/model_generator:
//   two_seam_x10    examples/two_seam.inp refined by 10: 400 x 400 elements
//                   of 0.5 m per seam (the quick check);
//   two_seam_x25    refined by 25: 1000 x 1000 elements of 0.2 m per seam;
//   district        the three-seam room-and-pillar district, 300 x 300
//                   elements of 2 m per seam, eight steps;
// each refined with over-relaxation 1.9 and the solver limits scaled (the
// convergence criterion / factor^2, the sweep limit x factor^2, so that the
// refined solves converge as far as the example's), the district with 1.8;
// each with 1 and 2 threads (CModelDat::threadCount). One iteration each: a run takes
// from seconds to minutes. Counters:
//   seconds                  wall time of the read, the echo and the run;
//   cpu_seconds              CPU time of every thread of the process in it
//                            (on a machine busy with other work, seconds
//                            grows and cpu_seconds much less);
//   sweeps                   SOR sweeps of every seam solve of the run (the
//                            step summary's sorSweeps, summed);
//   element_updates_per_s    sweeps x nx x ny / seconds;
//   peak_rss_MiB             the process's peak resident memory during the
//                            case (the peak is reset before each case where
//                            the system allows, /proc/self/clear_refs;
//                            otherwise it is the peak of the process so far,
//                            and peak_reset is 0).
// Run one case in a process of its own for a clean peak, e.g.
//   bench_whole_run --benchmark_filter='two_seam_x25/threads:1'
// The models are written into a scratch folder and removed afterwards;
// bench_generate_model writes the same models for `kavrel run`.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "core/fatal_exit.h"
#include "model/model_dat.h"
#include "model/open_model.h"
#include "model_generator.h"

namespace fs = std::filesystem;

namespace {

namespace bm = kavrel::bench_models;

// Resets the peak resident set of the process to its current size; false
// when the system does not allow it.
bool ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.close();
  return static_cast<bool>(clear);
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

double PeakMemoryMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// A scratch folder that is removed with everything in it when it goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name)
      : path_(fs::temp_directory_path() /
              ("kavrel-bench-" + name + "-" + std::to_string(getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string TwoSeamRefined(int factor) {
  return bm::RefineModel(
      bm::ReadTextFile(fs::path(KAVREL_SOURCE_DIR) / "examples" / "two_seam.inp"),
      bm::RefineOptions{factor, 1.9, true});
}

// Runs the model `makeModel` gives, once, with state.range(0) threads.
void WholeRun(benchmark::State& state, const std::string& name,
              const std::function<std::string()>& makeModel) {
  std::string text;
  try {
    text = makeModel();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  const ScratchFolder dir(name);
  const fs::path inp = dir.path() / (name + ".inp");
  bm::WriteTextFile(inp, text);
  text.clear();
  text.shrink_to_fit();
  const kavrel::InputNames names{inp.string(), dir.path().string() + "/",
                                 inp.filename().string(), inp.stem().string()};
  const bool peakReset = ResetPeakMemory();

  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    kavrel::CModelDat model;
    model.threadCount = static_cast<int>(state.range(0));
    try {
      if (kavrel::OpenModel(model, names, false) != 0) {
        state.SkipWithError("the benchmark model was not read");
        break;
      }
      if (model.RunAnalysis() != 0) {
        state.SkipWithError("the run did not finish");
        break;
      }
    } catch (const kavrel::FatalExit&) {
      state.SkipWithError("the run ended with a fatal error");
      break;
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    long long sweeps = 0;
    for (const kavrel::StepSummaryRow& row : model.summaryRows) sweeps += row.sorSweeps;
    const double updates = static_cast<double>(sweeps) * model.nx * model.ny;
    state.counters["seconds"] = seconds.count();
    state.counters["cpu_seconds"] = ProcessCpuSeconds() - cpuStart;
    state.counters["sweeps"] = static_cast<double>(sweeps);
    state.counters["element_updates_per_s"] = updates / seconds.count();
    state.counters["nx"] = model.nx;
    state.counters["ny"] = model.ny;
  }
  state.counters["peak_rss_MiB"] = PeakMemoryMiB();
  state.counters["peak_reset"] = peakReset ? 1 : 0;
}

void Register(const std::string& name, std::function<std::string()> makeModel) {
  benchmark::RegisterBenchmark(("WholeRun/" + name).c_str(),
                               [name, makeModel](benchmark::State& state) {
                                 WholeRun(state, name, makeModel);
                               })
      ->ArgName("threads")
      ->Arg(1)
      ->Arg(2)
      ->Iterations(1)
      ->Unit(benchmark::kSecond)
      ->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Register("two_seam_x10", [] { return TwoSeamRefined(10); });
  Register("district", [] { return bm::DistrictModel(bm::DistrictOptions{}); });
  Register("two_seam_x25", [] { return TwoSeamRefined(25); });
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
