// Remote displacement between two 200 x 200 seams 60 m apart (overburden
// length 20 m, so the Gaussian reaches across most of the grid): the separable
// sum against the literal one-exponential-per-pair sum. The literal sum takes
// several seconds per call and runs once.
#include <benchmark/benchmark.h>

#include "numeric/indexed_arrays.h"
#include "post/remote_displacement.h"
#include "post/remote_reference.h"

namespace {

using namespace kavrel;

constexpr int kN = 200;
constexpr double kWidth = 5.0;
constexpr double kDz = 60.0;
constexpr double kPlate = 20.0;

struct Seams {
  DMatrix source{0, kN + 1, 0, kN + 1}, target{1, kN, 1, kN};
  Seams() {
    for (int i = 0; i <= kN + 1; ++i)
      for (int j = 0; j <= kN + 1; ++j) source[i][j] = 0.01 + 0.001 * ((i * 7 + j * 13) % 50);
    target.Fill(0.0);
  }
};

void BM_RemoteSeparable(benchmark::State& state) {
  Seams s;
  const RemoteGaussian k = RemoteGaussianFor(kWidth, kPlate, kDz);
  for (auto _ : state) {
    AddRemoteDisplacement(s.source, kN, kN, kWidth, 0, 0, s.target, kN, kN, kWidth, 15, -10, k);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RemoteSeparable)->Unit(benchmark::kMillisecond);

void BM_RemoteLiteral(benchmark::State& state) {
  Seams s;
  const RemoteGaussian k = RemoteGaussianFor(kWidth, kPlate, kDz);
  for (auto _ : state) {
    AddRemoteDisplacementDense(s.source, kN, kN, kWidth, 0, 0, s.target, kN, kN, kWidth, 15, -10,
                               k);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RemoteLiteral)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
