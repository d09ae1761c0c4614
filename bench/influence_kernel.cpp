// Influence kernel: a 300 x 300 source onto a 300 x 300 target with a window
// of about 40 target elements (|h| = 5 element widths), with the source at
// full resolution (level 0) and coarsened ten times (level 3); the separable
// passes against the direct double sum.
#include <benchmark/benchmark.h>

#include "numeric/indexed_arrays.h"
#include "solver/detail_levels.h"
#include "solver/influence_kernel.h"
#include "solver/influence_reference.h"

namespace {

using namespace kavrel;

constexpr int kN = 300;
constexpr double kWidth = 10.0;
constexpr double kH = 50.0;

struct KernelSetup {
  int f, n;
  DMatrix fine{1, kN, 1, kN}, source{1, kN, 1, kN}, target{1, kN, 1, kN};
  explicit KernelSetup(int level) : f(kLevelFactor[level]), n(kN / kLevelFactor[level]) {
    for (int i = 1; i <= kN; ++i)
      for (int j = 1; j <= kN; ++j) fine[i][j] = 0.01 + 0.001 * ((i * 7 + j * 13) % 50);
    AverageToLevel(fine, kN, kN, source, n, n, f);
    target.Fill(0.0);
  }
};

void BM_Separable(benchmark::State& state) {
  KernelSetup s(static_cast<int>(state.range(0)));
  const InfluenceGrid from{s.source, s.n, s.n, s.f * kWidth, 0, 0};
  const InfluenceGrid to{s.target, kN, kN, kWidth, 0, 0};
  for (auto _ : state) {
    AddInfluenceSeparable(from, kH, 0, 3e6, 30, to);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Separable)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_DirectSum(benchmark::State& state) {
  KernelSetup s(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    testing_support::LiteralAddInfluence(s.source, s.n, s.n, s.f * kWidth, 0, 0, s.target, kN, kN,
                                          kWidth, 0, 0, kH, 0, 3e6, 30);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DirectSum)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
