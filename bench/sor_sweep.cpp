// One SOR sweep over a 500 x 500 seam of mixed materials (six laws and
// mined-out rooms), with the stress pass fused into the sweep, against a
// separate element-stress pass followed by the sweep.
#include <benchmark/benchmark.h>

#include <random>

#include "core/message_sink.h"
#include "core/progress_sink.h"
#include "model/model_dat.h"
#include "numeric/indexed_arrays.h"
#include "solver/sor_solver.h"

namespace {

using namespace kavrel;

constexpr int kN = 500;

struct MixedSeam {
  CModelDat m;
  DMatrix u{0, kN + 1, 0, kN + 1}, stress{1, kN, 1, kN}, overburden{1, kN, 1, kN},
      zero{1, kN, 1, kN};
  CMatrix codes{1, kN, 1, kN};
  SeamSweepPlan plan;
  NullMessageSink sink;

  // blocky = false: every element draws its material at random (the worst
  // case for branch prediction); true: 10 x 10 blocks of one material, as in
  // a room-and-pillar layout.
  explicit MixedSeam(bool blocky) {
    m.nx = m.ny = kN;
    m.materialCount = 6;
    const double props[6][5] = {{4e5, 1.6e5, 0, 0, 0},        {1500, 0.004, 300, 0.02, 0.3},
                                {1500, 0.004, 2000, 0.3, 0},  {200, 0.05, 3000, 1.5, 0.3},
                                {800, 6000, 2500, 2.0, 0.3},  {900, 400, 2.5, 0, 0}};
    for (int k = 0; k < 6; ++k) {
      m.materialType[k] = k + 1;
      for (int p = 0; p < 5; ++p) m.materialProps[k][p] = props[k][p];
    }
    m.elasticModulus = 3e6;
    m.layerPlateFactor = 30;
    m.bcNorth = m.bcEast = m.bcSouth = m.bcWest = 1;
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> pick(0, 7);
    const char table[8] = {'A', 'B', 'C', 'D', 'E', 'F', '1', 'A'};
    u.Fill(0.0);
    zero.Fill(0.0);
    stress.Fill(0.0);
    for (int i = 1; i <= kN; ++i)
      for (int j = 1; j <= kN; ++j) {
        codes[i][j] = blocky ? table[((i - 1) / 10 * 3 + (j - 1) / 10) % 8] : table[pick(rng)];
        overburden[i][j] = 1000.0 + (i % 7);
        u[i][j] = 0.05 + 0.0001 * ((i * 31 + j * 17) % 100);
      }
    plan.nx = plan.ny = kN;
    plan.thickness = 60.0;
    plan.K = 1.8 * 0.25;
    plan.R = 1 - 1.8;
    plan.C = (2.0 / (30 * 3e6)) * (100.0 * plan.K);
    plan.overburden = overburden;
    plan.surface = plan.interseam = plan.precalculated = zero;
    plan.useSurface = plan.useInterseam = plan.usePrecalculated = false;
    plan.lawsResolved = ResolveSeamLaws(m.materialType, m.materialProps, m.materialCount,
                                        m.elasticModulus, codes, kN, kN, plan.laws, plan.slots);
  }
};

void SetElementCounter(benchmark::State& state) {
  state.counters["per_element"] = benchmark::Counter(
      static_cast<double>(kN) * kN, benchmark::Counter::kIsIterationInvariantRate |
                                        benchmark::Counter::kInvert);
}

void BM_FusedSweep(benchmark::State& state) {
  MixedSeam s(state.range(0) != 0);
  for (auto _ : state) {
    SweepOutcome outcome;
    s.m.ApplyBoundaryConditions(s.u);
    SorSweep(s.plan, s.u, s.stress, outcome, s.sink);
    benchmark::DoNotOptimize(outcome.maxChange);
  }
  SetElementCounter(state);
}
BENCHMARK(BM_FusedSweep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The literal algorithm for comparison: a separate stress pass through the
// code characters, then a sweep that reads all four applied-stress arrays.
void BM_LiteralSweep(benchmark::State& state) {
  MixedSeam s(state.range(0) != 0);
  s.plan.lawsResolved = false;
  s.plan.usePrecalculated = s.plan.useInterseam = s.plan.useSurface = true;
  for (auto _ : state) {
    SweepOutcome outcome;
    s.m.ElementStress(s.u, s.stress, s.codes, 60.0);
    s.m.ApplyBoundaryConditions(s.u);
    SorSweep(s.plan, s.u, s.stress, outcome, s.sink);
    benchmark::DoNotOptimize(outcome.maxChange);
  }
  SetElementCounter(state);
}
BENCHMARK(BM_LiteralSweep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
