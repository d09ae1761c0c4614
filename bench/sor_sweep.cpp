// One SOR sweep over a square seam of mixed materials (six laws and mined-out
// rooms), measured four ways in the same run so that their ratios mean
// something on the machine at hand:
//   SorSweep        the sweep the run uses (fused stress pass);
//   SorSweepOneRow  the fused one-row sweep, the reference order of work;
//   Literal         a separate element-stress pass, then the one-row sweep
//                   reading all four applied-stress arrays;
//   Stream          no SOR at all: one pass that reads the convergence, the
//                   stress, the overburden and the codes and writes the
//                   convergence once, the memory-bandwidth floor of a sweep.
// Each at 500 x 500, 1000 x 1000 and 2000 x 2000 elements, with materials
// drawn at random per element ("random", the worst case for branch
// prediction) or in 10 x 10 blocks of one material ("blocks", as in a
// room-and-pillar layout). A case's name says whether the seam's arrays fit
// the last-level cache ("fits_llc") or not ("exceeds_llc"): the size is read
// from /sys, else sysconf(_SC_LEVEL3_CACHE_SIZE), and the environment
// variable KAVREL_BENCH_LLC_BYTES overrides both (a virtual machine may
// report the whole socket's cache where one core sees a slice of it).
// Counters: items processed = elements swept; ns_per_element (CPU time).
//
// SolveInBands/B runs whole solves of 200 sweeps (criterion 0, sweep limit
// 200) on 1 or B row bands, timed by the wall clock: the first sweep goes on
// one thread, the others in bands, and the sweeps after the last checkpoint
// (every 32) are swept again on one thread.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "core/fatal_exit.h"
#include "core/message_sink.h"
#include "core/progress_sink.h"
#include "core/run_log.h"
#include "numeric/indexed_arrays.h"
#include "solver/sor_solver.h"

namespace {

using namespace kavrel;

// Bytes of the last-level cache, 0 when unknown.
long long LastLevelCacheBytes() {
  if (const char* text = std::getenv("KAVREL_BENCH_LLC_BYTES")) return std::atoll(text);
  long long best = 0;
  int bestLevel = 0;
  for (int index = 0; index < 8; ++index) {
    const std::string dir = "/sys/devices/system/cpu/cpu0/cache/index" + std::to_string(index);
    std::ifstream levelFile(dir + "/level"), typeFile(dir + "/type"), sizeFile(dir + "/size");
    int level = 0;
    std::string type, size;
    if (!(levelFile >> level) || !(typeFile >> type) || !(sizeFile >> size)) break;
    if (type == "Instruction" || level < bestLevel) continue;
    long long bytes = std::atoll(size.c_str());
    if (size.back() == 'K') bytes *= 1024;
    if (size.back() == 'M') bytes *= 1024 * 1024;
    best = bytes;
    bestLevel = level;
  }
  if (best > 0) return best;
#ifdef _SC_LEVEL3_CACHE_SIZE
  if (const long l3 = sysconf(_SC_LEVEL3_CACHE_SIZE); l3 > 0) return l3;
#endif
  return 0;
}

// The arrays one sweep touches: the convergence with its ghost border, the
// total and overburden stresses, the codes and the plan's law slots.
long long SeamBytes(int n) {
  const long long e = static_cast<long long>(n) * n;
  return 8LL * (n + 2) * (n + 2) + 8 * e + 8 * e + e + e;
}

struct MixedSeam {
  int n;
  int materialType[52] = {};
  double materialProps[52][5] = {};
  double rockModulus = 3e6;
  DMatrix u, stress, overburden, zero;
  CMatrix codes;
  SeamSweepPlan plan;
  SeamEdges edges{1, 1, 1, 1};
  NullMessageSink sink;

  MixedSeam(int size, bool blocky)
      : n(size), u(0, size + 1, 0, size + 1), stress(1, size, 1, size),
        overburden(1, size, 1, size), zero(1, size, 1, size), codes(1, size, 1, size) {
    const double props[6][5] = {{4e5, 1.6e5, 0, 0, 0},       {1500, 0.004, 300, 0.02, 0.3},
                                {1500, 0.004, 2000, 0.3, 0}, {200, 0.05, 3000, 1.5, 0.3},
                                {800, 6000, 2500, 2.0, 0.3}, {900, 400, 2.5, 0, 0}};
    for (int k = 0; k < 6; ++k) {
      materialType[k] = k + 1;
      for (int p = 0; p < 5; ++p) materialProps[k][p] = props[k][p];
    }
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> pick(0, 7);
    const char table[8] = {'A', 'B', 'C', 'D', 'E', 'F', '1', 'A'};
    u.Fill(0.0);
    zero.Fill(0.0);
    stress.Fill(0.0);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) {
        codes[i][j] = blocky ? table[((i - 1) / 10 * 3 + (j - 1) / 10) % 8] : table[pick(rng)];
        overburden[i][j] = 1000.0 + (i % 7);
        u[i][j] = 0.05 + 0.0001 * ((i * 31 + j * 17) % 100);
      }
    plan.nx = plan.ny = n;
    plan.thickness = 60.0;
    plan.K = 1.8 * 0.25;
    plan.R = 1 - 1.8;
    plan.C = (2.0 / (30 * 3e6)) * (100.0 * plan.K);
    plan.overburden = overburden;
    plan.surface = plan.interseam = plan.precalculated = zero;
    plan.useSurface = plan.useInterseam = plan.usePrecalculated = false;
    plan.lawsResolved = ResolveSeamLaws(materialType, materialProps, 6, rockModulus, codes, n, n,
                                        plan.laws, plan.slots);
  }

  MaterialTable Materials() const {
    return MaterialTable{6, materialType, materialProps, rockModulus};
  }
};

double ThreadCpuNanoseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Runs `body` once per iteration and sets the counters. ns_per_element is
// the CPU time of this thread per element, which a machine busy with other
// work inflates less than the wall time; wall_ns_per_element is the wall
// time, for comparison.
template <class Body>
void TimeSweeps(benchmark::State& state, int n, Body&& body) {
  const auto wallStart = std::chrono::steady_clock::now();
  const double cpuStart = ThreadCpuNanoseconds();
  for (auto _ : state) body();
  const double cpu = ThreadCpuNanoseconds() - cpuStart;
  const std::chrono::duration<double, std::nano> wall =
      std::chrono::steady_clock::now() - wallStart;
  const double elements = static_cast<double>(n) * n * static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(elements));
  state.counters["ns_per_element"] = elements > 0 ? cpu / elements : 0.0;
  state.counters["wall_ns_per_element"] = elements > 0 ? wall.count() / elements : 0.0;
  state.counters["seam_MiB"] = static_cast<double>(SeamBytes(n)) / (1024.0 * 1024.0);
}

void SweepFast(benchmark::State& state, int n, bool blocky) {
  MixedSeam s(n, blocky);
  if (!s.plan.lawsResolved) state.SkipWithError("the laws did not resolve");
  TimeSweeps(state, n, [&] {
    SweepOutcome outcome;
    ApplySeamEdges(s.edges, n, n, s.u);
    SorSweep(s.plan, s.u, s.stress, outcome, s.sink);
    benchmark::DoNotOptimize(outcome.maxChange);
  });
}

void SweepOneRow(benchmark::State& state, int n, bool blocky) {
  MixedSeam s(n, blocky);
  if (!s.plan.lawsResolved) state.SkipWithError("the laws did not resolve");
  TimeSweeps(state, n, [&] {
    SweepOutcome outcome;
    ApplySeamEdges(s.edges, n, n, s.u);
    SorSweepOneRow(s.plan, s.u, s.stress, outcome, s.sink);
    benchmark::DoNotOptimize(outcome.maxChange);
  });
}

// The literal algorithm: the plain stress pass through the code characters,
// then the one-row sweep without resolved laws, subtracting every
// applied-stress array.
void SweepLiteral(benchmark::State& state, int n, bool blocky) {
  MixedSeam s(n, blocky);
  s.plan.lawsResolved = false;
  s.plan.usePrecalculated = s.plan.useInterseam = s.plan.useSurface = true;
  const MaterialTable materials = s.Materials();
  TimeSweeps(state, n, [&] {
    SweepOutcome outcome;
    ElementStress(materials, n, n, s.plan.thickness, s.u, s.codes, s.stress, s.sink);
    ApplySeamEdges(s.edges, n, n, s.u);
    SorSweepOneRow(s.plan, s.u, s.stress, outcome, s.sink);
    benchmark::DoNotOptimize(outcome.maxChange);
  });
}

// The bandwidth floor: every element's convergence, stress, overburden and
// code read and its convergence written once, with no dependence between
// elements and no branch on the data, so the loop runs at the speed of
// memory (or of the cache).
void Stream(benchmark::State& state, int n, bool blocky) {
  MixedSeam s(n, blocky);
  const double r = s.plan.R, k = s.plan.K;
  TimeSweeps(state, n, [&] {
    for (int i = 1; i <= n; ++i) {
      double* const ui = s.u[i];
      const double* const si = s.stress[i];
      const double* const oi = s.overburden[i];
      const char* const ci = s.codes[i];
      for (int j = 1; j <= n; ++j)
        ui[j] = r * ui[j] + k * (si[j] - oi[j]) + 1e-12 * static_cast<double>(ci[j]);
    }
    benchmark::ClobberMemory();
  });
}

// Lends fresh threads, joined at the end of each solve.
class FreshThreads : public ThreadLender {
 public:
  int Spare() override { return 64; }
  int Lend(int wanted, const std::function<void(int)>& job) override {
    for (int k = 1; k <= wanted; ++k) threads_.emplace_back([job, k] { job(k); });
    return wanted;
  }
  void Join() {
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

 private:
  std::vector<std::thread> threads_;
};

void SolveInBands(benchmark::State& state, int n, bool blocky, int bands) {
  constexpr int kSweeps = 200;
  MixedSeam s(n, blocky);
  SorSettings settings{1.8, 0.0, kSweeps, 3e6, 30.0, 10.0, SeamEdges{1, 1, 1, 1}};
  const SeamSolveArrays arrays{n, n, 60.0, s.u, s.stress, s.codes, s.overburden, s.zero, s.zero,
                               s.zero};
  NullProgressSink progress;
  RunLog log;
  FreshThreads lender;
  RowBands policy;
  policy.lender = &lender;
  policy.maxBands = bands;
  const auto wallStart = std::chrono::steady_clock::now();
  for (auto _ : state) {
    try {
      (void)SolveSeamSor(settings, s.Materials(), arrays,
                         SolveReporting{progress, s.sink, log, 0, 1}, policy);
    } catch (const FatalExit&) {  // the sweep limit, as meant
    }
    lender.Join();
  }
  const std::chrono::duration<double, std::nano> wall =
      std::chrono::steady_clock::now() - wallStart;
  const double elements =
      static_cast<double>(n) * n * kSweeps * static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(elements));
  state.counters["wall_ns_per_element"] = elements > 0 ? wall.count() / elements : 0.0;
}

void RegisterAll() {
  const long long llc = LastLevelCacheBytes();
  benchmark::AddCustomContext("llc_bytes", std::to_string(llc));
  struct Kernel {
    const char* name;
    void (*run)(benchmark::State&, int, bool);
  };
  const Kernel kernels[] = {{"SorSweep", SweepFast},
                            {"SorSweepOneRow", SweepOneRow},
                            {"Literal", SweepLiteral},
                            {"Stream", Stream}};
  for (const int n : {500, 1000, 2000})
    for (const bool blocky : {false, true})
      for (const Kernel& kernel : kernels) {
        const std::string fit = llc > 0 && SeamBytes(n) <= llc ? "fits_llc" : "exceeds_llc";
        const std::string name = std::string(kernel.name) + "/" + (blocky ? "blocks" : "random") +
                                 "/" + std::to_string(n) + "x" + std::to_string(n) + "/" + fit;
        const auto run = kernel.run;
        benchmark::RegisterBenchmark(name.c_str(), [run, n, blocky](benchmark::State& state) {
          run(state, n, blocky);
        })->Unit(benchmark::kMillisecond);
      }
  for (const int n : {500, 1000})
    for (const bool blocky : {false, true})
      for (const int bands : {1, 2}) {
        const std::string name = "SolveInBands/" + std::to_string(bands) + "/" +
                                 (blocky ? "blocks" : "random") + "/" + std::to_string(n) + "x" +
                                 std::to_string(n);
        benchmark::RegisterBenchmark(name.c_str(), [n, blocky, bands](benchmark::State& state) {
          SolveInBands(state, n, blocky, bands);
        })->Unit(benchmark::kMillisecond)->UseRealTime();
      }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
