// The cost of looking at a large seam: one 1000 x 1000 element map drawn and
// written as a 1000 x 800 PNG (what `kavrel plot` does for each picture, and
// what should stay well under a second), and the read of a 1000 x 1000 result
// file that comes before it. The map holds a smooth convergence bowl with a
// mined-out block in it, so the outline of the mined-out elements is drawn
// too; the result file is written once, in the run's own layout, into a
// scratch folder that goes when the benchmarks end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <qcustomplot.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "model/result_reader.h"
#include "plot/figures.h"
#include "plot/picture_jobs.h"
#include "plot/plot_data.h"

namespace fs = std::filesystem;

namespace {

using namespace kavrel;

constexpr int kN = 1000;           // elements along X and along Y
constexpr double kWidth = 10.0;    // element width, ft
constexpr int kPictureWidth = 1000;
constexpr int kPictureHeight = 800;

// Elements 401..600 both ways are mined out.
bool MinedOut(int i, int j) { return i > 400 && i <= 600 && j > 400 && j <= 600; }

// A smooth bowl of convergence centred on the mined-out block, deepest (and
// flat) inside it.
double Convergence(int i, int j) {
  const double dx = (i - 500.5) / 250.0;
  const double dy = (j - 500.5) / 250.0;
  return MinedOut(i, j) ? 4.0 : 0.1 + 3.5 * std::exp(-(dx * dx + dy * dy));
}

plot::MapData SyntheticMap() {
  plot::MapData map;
  map.title = "Benchmark seam, 1000 x 1000 elements\nSeam 1, Step 1 - Seam Convergence";
  map.quantity = "Seam Convergence";
  map.unit = "ft";
  map.lengthUnit = "ft";
  map.kind = plot::ScaleKind::Sequential;
  map.field.nx = kN;
  map.field.ny = kN;
  map.field.width = kWidth;
  map.field.values.resize(static_cast<std::size_t>(kN) * kN);
  map.minedOut.resize(map.field.values.size());
  for (int i = 1; i <= kN; ++i)
    for (int j = 1; j <= kN; ++j) {
      map.field.values[map.field.Index(i, j)] = Convergence(i, j);
      map.minedOut[map.field.Index(i, j)] = MinedOut(i, j) ? 1 : 0;
    }
  map.range = plot::DataRange(map.field.values, map.kind);
  return map;
}

// A scratch folder of this process, removed with everything in it at exit.
struct ScratchFolder {
  fs::path path =
      fs::temp_directory_path() / ("kavrel-bench-plot-map-" + std::to_string(getpid()));
  ScratchFolder() { fs::create_directories(path); }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

void BM_SeamMapToPng(benchmark::State& state) {
  const plot::MapData map = SyntheticMap();
  const std::string path = (Scratch().path / "map.png").string();
  for (auto _ : state) {
    QCustomPlot plot;
    plot::SizeForPicture(plot, kPictureWidth, kPictureHeight);
    plot::DrawMap(plot, map);
    std::string error;
    if (!plot::SavePicture(plot, path, plot::PictureFormat::Png, kPictureWidth, kPictureHeight,
                           error)) {
      state.SkipWithError(("the picture was not written: " + error).c_str());
      break;
    }
  }
  std::error_code ec;
  state.counters["png_kB"] = static_cast<double>(fs::file_size(path, ec)) / 1000.0;
}
BENCHMARK(BM_SeamMapToPng)->Unit(benchmark::kMillisecond);

// The drawing alone, without the PNG: how the time splits.
void BM_SeamMapDrawOnly(benchmark::State& state) {
  const plot::MapData map = SyntheticMap();
  for (auto _ : state) {
    QCustomPlot plot;
    plot::SizeForPicture(plot, kPictureWidth, kPictureHeight);
    benchmark::DoNotOptimize(plot::DrawMap(plot, map));
  }
}
BENCHMARK(BM_SeamMapDrawOnly)->Unit(benchmark::kMillisecond);

// A 1000 x 1000 seam's result file of one step with the columns of a run with
// safety factors, formatted as the run formats them.
std::string WriteResultFile() {
  const std::string path = (Scratch().path / "seam.f1").string();
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "w"), std::fclose);
  if (!file) return {};
  std::FILE* f = file.get();
  std::fprintf(f, "%3i, %7i, %12.5g, %3i, %3i, %12.5g, %12.5g\n", 1, kN * kN, kWidth * 12, kN, kN,
               0.0, 0.0);
  std::fprintf(f, "%3i,%-25s,%-25s,%-25s,%-25s,%-25s,%-25s\n", 6, "Seam Convergence",
               "Total Vertical Stress", "Overburden Stress", "Element Strain SF",
               "Pillar Stress SF", "Pillar Strain SF");
  std::fprintf(f, "%3i,%25s,%25s,%25s,%-25s,%-25s,%-25s\n", 6, "ft", "psi", "psi",
               "Strain Safety Factor", "Stress Safety Factor", "Strain Safety Factor");
  for (int i = 1; i <= kN; ++i)
    for (int j = 1; j <= kN; ++j) {
      const double c = Convergence(i, j);
      const double stress = MinedOut(i, j) ? 0.0 : 440.0 + 300.0 * c;
      const double sf = MinedOut(i, j) ? 0.0 : 2000.0 / stress;
      std::fprintf(f, "%12.5g, %12.5g, %12.5g,%12.5g, %12.5g, %12.5g\n", c, stress, 440.0, sf,
                   sf * 1.1, sf * 0.9);
    }
  return std::fclose(file.release()) == 0 ? path : std::string();
}

void BM_ReadResultFile(benchmark::State& state) {
  static const std::string path = WriteResultFile();
  if (path.empty()) {
    state.SkipWithError("the result file was not written");
    return;
  }
  std::error_code ec;
  const auto bytes = static_cast<std::int64_t>(fs::file_size(path, ec));
  for (auto _ : state) {
    results::ResultFile file;
    std::string error;
    if (!results::ReadResultFile(path, 0, {}, file, error) || !file.complete) {
      state.SkipWithError(("the result file was not read: " + error).c_str());
      break;
    }
    benchmark::DoNotOptimize(file.blocks.data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ReadResultFile)->Unit(benchmark::kMillisecond);

}  // namespace

// The maps need a QApplication, made before any benchmark runs (on the
// offscreen platform when there is no display).
int main(int argc, char** argv) {
  kavrel::plot::HeadlessApplication application;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
