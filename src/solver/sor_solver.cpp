// SOR solution of one seam: the five-point grid equation
//   (u[i-1][j] + u[i+1][j] + u[i][j-1] + u[i][j+1] - 4 u[i][j]) / d^2
//     = (2 / (lambda E)) (stress - overburden - surface - interseam - precalculated)
// solved in place, Gauss-Seidel order, with over-relaxation omega.
//
// The sweep is the hot loop of the program. The law of every element is
// resolved once per solve (codes do not change inside one), the element
// stress is computed inside the sweep, and applied-stress arrays that are
// zero throughout are not read. None of this changes a bit of the result:
// every element sees the same floating-point operations in the same order as
// a stress pass followed by a plain sweep.
//
// Large seams may be swept by a team of threads as a row wavefront (see
// SweepTeam in the header); each element still reads the same neighbour
// values, so the bits do not depend on the thread count.
#include "solver/sor_solver.h"

#include <atomic>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "model/model_dat.h"
#include "numeric/fatal_exit.h"
#include "shell/progress_sink.h"

namespace kavrel {

namespace {

// How the neighbour sum of an element is formed. Inside a fault window the
// sum runs u[i+1] + u[i-1] + u[i][j-1] + u[i][j+1], with the neighbour across
// the fault replaced by the element's own old value.
enum Link : int {
  kOpen = 0,         // u[i-1][j] + u[i+1][j] + u[i][j-1] + u[i][j+1]
  kCutHighY = 1,     // u[i][j+1] replaced
  kCutLowY = 2,      // u[i][j-1] replaced
  kCutHighX = 3,     // u[i+1][j] replaced
  kCutLowX = 4,      // u[i-1][j] replaced
};

struct RowContext {
  int i;
  double* ui;
  const double* up;    // u[i-1]
  const double* down;  // u[i+1]
  double* stress;
  const double* ob;
  const double* se;
  const double* is;
  const double* pc;
  const unsigned char* slot;  // indexed by j
  // Parallel sweep: bit j set for a mined-out element in contact, reported
  // after the sweep. Null: reported at once.
  std::uint64_t* contacts;
};

// Columns a row finishes before telling the row below.
constexpr int kColumnBlock = 64;

// Pause inside a spin-wait.
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

// Shared by the threads of a team. Rows are dealt round-robin: worker w takes
// rows 1 + w, 1 + w + T, ...; row i publishes in done[i] how many columns it
// has finished (release) and row i + 1 reads it (acquire) before it touches
// those columns.
struct SweepTeam::State {
  struct alignas(64) RowMark {
    std::atomic<int> done{0};
  };
  struct RowBest {
    double maxChange;
    double absMax;
    int jMax;
    bool found;
  };

  int threads = 1;
  int nx = 0, ny = 0, words = 0;        // words: contact bit words per row
  std::unique_ptr<RowMark[]> marks;     // [0..nx]
  std::vector<RowBest> best;            // [1..nx]
  std::vector<std::uint64_t> contacts;  // row i at (i - 1) * words
  std::vector<std::thread> workers;

  // The sweep in hand, set by the calling thread before it starts a round.
  void (*job)(State&, int worker) = nullptr;
  const SeamSweepPlan* plan = nullptr;
  double** u = nullptr;
  double** totalStress = nullptr;
  double startAbs = 0;

  alignas(64) std::atomic<unsigned> round{0};
  alignas(64) std::atomic<int> finished{0};
  std::atomic<bool> stop{false};

  void WorkerLoop(int w) {
    unsigned seen = 0;
    for (;;) {
      unsigned r;
      int spins = 0;
      while ((r = round.load(std::memory_order_acquire)) == seen) {
        if (++spins < 4000) CpuRelax();
        else round.wait(seen, std::memory_order_acquire);
      }
      seen = r;
      if (stop.load(std::memory_order_acquire)) return;
      job(*this, w);
      finished.fetch_add(1, std::memory_order_acq_rel);
      finished.notify_one();
    }
  }

  // Runs `job` on every thread and returns when all rows are done.
  void RunRound() {
    for (int i = 0; i <= nx; ++i) marks[i].done.store(0, std::memory_order_relaxed);
    finished.store(0, std::memory_order_relaxed);
    round.fetch_add(1, std::memory_order_release);
    round.notify_all();
    job(*this, 0);
    int f;
    int spins = 0;
    while ((f = finished.load(std::memory_order_acquire)) != threads - 1) {
      if (++spins < 4000) CpuRelax();
      else finished.wait(f, std::memory_order_acquire);
    }
  }

  // Waits until row i has finished column j: a short spin, then a blocking
  // wait, so that a thread whose neighbour row lost its core does not burn
  // the core it needs.
  void WaitForRow(int i, int j) const {
    int seen;
    int spins = 0;
    while ((seen = marks[i].done.load(std::memory_order_acquire)) < j) {
      if (++spins < 128) CpuRelax();
      else marks[i].done.wait(seen, std::memory_order_acquire);
    }
  }

  void Publish(int i, int j) {
    marks[i].done.store(j, std::memory_order_release);
    marks[i].done.notify_all();
  }
};

namespace {

template <bool Fused, bool Ob, bool Se, bool Is, bool Pc>
struct Sweeper {
  const SeamSweepPlan& plan;
  MessageSink& sink;
  double maxChange;
  double absMax;
  int iMax, jMax;

  template <int L>
  void Span(const RowContext& r, int jFirst, int jLast) {
    const double K = plan.K, R = plan.R, C = plan.C, thickness = plan.thickness;
    double* ui = r.ui;
    for (int j = jFirst; j <= jLast; ++j) {
      const double old = ui[j];
      double stress;
      if constexpr (Fused) {
        const ResolvedLaw& law = plan.laws[r.slot[j]];
        const double strain = old / thickness;
        stress = EvaluateResolvedLaw(law, strain, r.stress[j]);
        if (law.kind == kMinedOutKind && MinedOutInContact(strain)) [[unlikely]] {
          if (r.contacts) r.contacts[j >> 6] |= std::uint64_t{1} << (j & 63);
          else ReportMinedOutContact(sink, r.i, j);
        }
        r.stress[j] = stress;
      } else {
        stress = r.stress[j];
      }
      double sum;
      if constexpr (L == kOpen) sum = r.up[j] + r.down[j] + ui[j - 1] + ui[j + 1];
      else if constexpr (L == kCutHighY) sum = r.down[j] + r.up[j] + ui[j - 1] + old;
      else if constexpr (L == kCutLowY) sum = r.down[j] + r.up[j] + old + ui[j + 1];
      else if constexpr (L == kCutHighX) sum = old + r.up[j] + ui[j - 1] + ui[j + 1];
      else sum = r.down[j] + old + ui[j - 1] + ui[j + 1];
      double applied = stress;
      if constexpr (Ob) applied = applied - r.ob[j];
      if constexpr (Se) applied = applied - r.se[j];
      if constexpr (Is) applied = applied - r.is[j];
      if constexpr (Pc) applied = applied - r.pc[j];
      const double updated = sum * K + old * R - C * applied;
      ui[j] = updated;
      const double change = updated - old;
      if (std::fabs(change) > absMax) {
        maxChange = change;
        absMax = std::fabs(change);
        iMax = r.i;
        jMax = j;
      }
    }
  }

  RowContext Row(double** u, double** totalStress, int i) const {
    RowContext r;
    r.i = i;
    r.ui = u[i];
    r.up = u[i - 1];
    r.down = u[i + 1];
    r.stress = totalStress[i];
    r.ob = Ob ? plan.overburden[i] : nullptr;
    r.se = Se ? plan.surface[i] : nullptr;
    r.is = Is ? plan.interseam[i] : nullptr;
    r.pc = Pc ? plan.precalculated[i] : nullptr;
    r.slot = Fused ? plan.slots.data() + static_cast<std::size_t>(i - 1) * plan.ny - 1 : nullptr;
    r.contacts = nullptr;
    return r;
  }

  // Part [a, b] of the link span [first, last].
  template <int L>
  void Clip(const RowContext& r, int first, int last, int a, int b) {
    Span<L>(r, first > a ? first : a, last < b ? last : b);
  }

  // Columns a..b of row r.i, each with the link its place in the row gives.
  void Columns(const RowContext& r, int a, int b) {
    const int ny = plan.ny, i = r.i;
    if (!plan.fault || i < plan.faultX1 || i > plan.faultX2) {
      Span<kOpen>(r, a, b);
      return;
    }
    // Row inside the fault's X extent: open links before and after the
    // window's Y extent, cut links inside it.
    const int lo = plan.faultY1 < 1 ? 1 : plan.faultY1;
    const int hi = plan.faultY2 > ny ? ny : plan.faultY2;
    if (lo > hi) {
      Span<kOpen>(r, a, b);
      return;
    }
    Clip<kOpen>(r, 1, lo - 1, a, b);
    if (plan.faultAlongY == 0) {
      if (lo == plan.faultY1) {
        Clip<kCutHighY>(r, lo, lo, a, b);
        Clip<kCutLowY>(r, lo + 1, hi, a, b);
      } else {
        Clip<kCutLowY>(r, lo, hi, a, b);
      }
    } else if (i == plan.faultX1) {
      Clip<kCutHighX>(r, lo, hi, a, b);
    } else {
      Clip<kCutLowX>(r, lo, hi, a, b);
    }
    Clip<kOpen>(r, hi + 1, ny, a, b);
  }

  void Run(double** u, double** totalStress) {
    for (int i = 1; i <= plan.nx; ++i) Columns(Row(u, totalStress, i), 1, plan.ny);
  }

  // Worker w's share of a parallel sweep. Each row starts from the sweep's
  // starting largest change, so its own winner is the first element beating
  // that value by as much as any other element of the row.
  void RunShare(SweepTeam::State& st, int w) {
    const int nx = plan.nx, ny = plan.ny;
    for (int i = 1 + w; i <= nx; i += st.threads) {
      RowContext r = Row(st.u, st.totalStress, i);
      if constexpr (Fused)
        r.contacts = st.contacts.data() + static_cast<std::size_t>(i - 1) * st.words;
      absMax = st.startAbs;
      iMax = 0;
      jMax = 0;
      for (int a = 1; a <= ny; a += kColumnBlock) {
        const int b = ny - a < kColumnBlock ? ny : a + kColumnBlock - 1;
        if (i > 1) st.WaitForRow(i - 1, b);
        Columns(r, a, b);
        st.Publish(i, b);
      }
      st.best[i] = {maxChange, absMax, jMax, iMax != 0};
    }
  }
};

template <bool Fused, bool Ob, bool Se, bool Is, bool Pc>
void ShareJob(SweepTeam::State& st, int w) {
  static NullMessageSink unused;
  Sweeper<Fused, Ob, Se, Is, Pc> sweeper{*st.plan, unused, 0, 0, 0, 0};
  sweeper.RunShare(st, w);
}

template <bool Fused, bool Ob, bool Se, bool Is, bool Pc>
void RunSweep(const SeamSweepPlan& plan, double** u, double** totalStress, SweepOutcome& outcome,
              MessageSink& sink, SweepTeam::State* st) {
  if (st) {
    st->job = &ShareJob<Fused, Ob, Se, Is, Pc>;
    st->plan = &plan;
    st->u = u;
    st->totalStress = totalStress;
    st->startAbs = std::fabs(outcome.maxChange);
    st->RunRound();
    // Rows in scan order, each replacing the running largest change only
    // when strictly larger: the one-thread scan's choice.
    double absMax = st->startAbs;
    for (int i = 1; i <= plan.nx; ++i) {
      const SweepTeam::State::RowBest& b = st->best[i];
      if (b.found && b.absMax > absMax) {
        absMax = b.absMax;
        outcome.maxChange = b.maxChange;
        outcome.iMax = i;
        outcome.jMax = b.jMax;
      }
    }
    if constexpr (Fused) {
      for (int i = 1; i <= plan.nx; ++i) {
        std::uint64_t* row = st->contacts.data() + static_cast<std::size_t>(i - 1) * st->words;
        for (int k = 0; k < st->words; ++k) {
          for (std::uint64_t bits = row[k]; bits != 0; bits &= bits - 1)
            ReportMinedOutContact(sink, i, k * 64 + std::countr_zero(bits));
          row[k] = 0;
        }
      }
    }
    return;
  }
  Sweeper<Fused, Ob, Se, Is, Pc> sweeper{plan, sink, outcome.maxChange,
                                          std::fabs(outcome.maxChange), outcome.iMax,
                                          outcome.jMax};
  sweeper.Run(u, totalStress);
  outcome.maxChange = sweeper.maxChange;
  outcome.iMax = sweeper.iMax;
  outcome.jMax = sweeper.jMax;
}

template <bool Fused, bool Ob, bool Se, bool Is>
void DispatchPc(const SeamSweepPlan& p, double** u, double** t, SweepOutcome& o, MessageSink& s,
                SweepTeam::State* st) {
  if (p.usePrecalculated) RunSweep<Fused, Ob, Se, Is, true>(p, u, t, o, s, st);
  else RunSweep<Fused, Ob, Se, Is, false>(p, u, t, o, s, st);
}

template <bool Fused, bool Ob, bool Se>
void DispatchIs(const SeamSweepPlan& p, double** u, double** t, SweepOutcome& o, MessageSink& s,
                SweepTeam::State* st) {
  if (p.useInterseam) DispatchPc<Fused, Ob, Se, true>(p, u, t, o, s, st);
  else DispatchPc<Fused, Ob, Se, false>(p, u, t, o, s, st);
}

template <bool Fused, bool Ob>
void DispatchSe(const SeamSweepPlan& p, double** u, double** t, SweepOutcome& o, MessageSink& s,
                SweepTeam::State* st) {
  if (p.useSurface) DispatchIs<Fused, Ob, true>(p, u, t, o, s, st);
  else DispatchIs<Fused, Ob, false>(p, u, t, o, s, st);
}

template <bool Fused>
void DispatchOb(const SeamSweepPlan& p, double** u, double** t, SweepOutcome& o, MessageSink& s,
                SweepTeam::State* st) {
  if (p.useOverburden) DispatchSe<Fused, true>(p, u, t, o, s, st);
  else DispatchSe<Fused, false>(p, u, t, o, s, st);
}

}  // namespace

bool ResolveSeamLaws(const int materialType[52], const double materialProps[52][5],
                     int materialCount, double rockModulus, char** codes, int nx, int ny,
                     ResolvedLaw laws[kMinedOutSlot + 1], std::vector<unsigned char>& slots) {
  bool defined[kMinedOutSlot + 1] = {};
  for (int k = 0; k < 52; ++k) {
    laws[k] = ResolvedLaw{};
    if (k < materialCount && materialType[k] >= kLinearElasticCoal &&
        materialType[k] <= kLinearElasticGob) {
      laws[k] = ResolveMaterialLaw(materialType[k], materialProps[k]);
      defined[k] = true;
    }
  }
  laws[kMinedOutSlot] = ResolveMinedOutLaw(rockModulus);
  defined[kMinedOutSlot] = true;

  slots.resize(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
  std::size_t n = 0;
  for (int i = 1; i <= nx; ++i) {
    const char* ci = codes[i];
    for (int j = 1; j <= ny; ++j) {
      const char ch = ci[j];
      int slot;
      if (ch >= 'A' && ch <= 'Z') slot = ch - 'A';
      else if (ch >= 'a' && ch <= 'z') slot = ch - 'a' + 26;
      else if (ch == '1') slot = kMinedOutSlot;
      else return false;
      if (!defined[slot]) return false;
      slots[n++] = static_cast<unsigned char>(slot);
    }
  }
  return true;
}

bool IsPositiveZero(double** a, int nx, int ny) {
  for (int i = 1; i <= nx; ++i) {
    const double* ai = a[i];
    for (int j = 1; j <= ny; ++j)
      if (std::bit_cast<std::uint64_t>(ai[j]) != 0) return false;
  }
  return true;
}

void SorSweep(const SeamSweepPlan& plan, double** u, double** totalStress, SweepOutcome& outcome,
              MessageSink& sink) {
  SorSweep(plan, u, totalStress, outcome, sink, nullptr);
}

void SorSweep(const SeamSweepPlan& plan, double** u, double** totalStress, SweepOutcome& outcome,
              MessageSink& sink, SweepTeam* team) {
  SweepTeam::State* st = team ? team->state_.get() : nullptr;
  if (st && (st->nx != plan.nx || st->ny != plan.ny)) st = nullptr;  // made for another grid
  if (plan.lawsResolved) DispatchOb<true>(plan, u, totalStress, outcome, sink, st);
  else DispatchOb<false>(plan, u, totalStress, outcome, sink, st);
}

SweepTeam::SweepTeam(const SeamSweepPlan& plan, int threads) : state_(std::make_unique<State>()) {
  State& st = *state_;
  st.threads = threads < 1 ? 1 : threads;
  st.nx = plan.nx;
  st.ny = plan.ny;
  st.words = plan.ny / 64 + 1;
  st.marks = std::make_unique<State::RowMark[]>(static_cast<std::size_t>(plan.nx) + 1);
  st.best.resize(static_cast<std::size_t>(plan.nx) + 1);
  st.contacts.assign(static_cast<std::size_t>(plan.nx) * st.words, 0);
  st.workers.reserve(static_cast<std::size_t>(st.threads - 1));
  try {
    for (int w = 1; w < st.threads; ++w) st.workers.emplace_back([&st, w] { st.WorkerLoop(w); });
  } catch (...) {
    Stop();
    throw;
  }
}

void SweepTeam::Stop() {
  State& st = *state_;
  st.stop.store(true, std::memory_order_release);
  st.round.fetch_add(1, std::memory_order_release);
  st.round.notify_all();
  for (std::thread& t : st.workers) t.join();
  st.workers.clear();
}

SweepTeam::~SweepTeam() { Stop(); }

int SweepTeam::Threads() const { return state_->threads; }

namespace {

std::atomic<int> threadOverride{0};
std::atomic<long> minElementsOverride{0};
std::atomic<bool> timedChoice{true};

constexpr long kDefaultMinElements = 40000;

int DefaultThreadCount() {
  if (const char* env = std::getenv("KAVREL_THREADS")) {
    int n = 0;
    const char* end = env + std::strlen(env);
    const auto [p, ec] = std::from_chars(env, end, n);
    if (ec == std::errc() && p == end && n >= 1) return n > 64 ? 64 : n;
  }
  const unsigned hw = std::thread::hardware_concurrency();
  if (hw == 0) return 1;
  return hw > 8 ? 8 : static_cast<int>(hw);
}

}  // namespace

int SorThreadCount() {
  const int forced = threadOverride.load(std::memory_order_relaxed);
  if (forced > 0) return forced;
  static const int threads = DefaultThreadCount();
  return threads;
}

void SetSorThreading(int threads, long minElements, bool timed) {
  threadOverride.store(threads > 0 ? threads : 0, std::memory_order_relaxed);
  minElementsOverride.store(minElements > 0 ? minElements : 0, std::memory_order_relaxed);
  timedChoice.store(timed, std::memory_order_relaxed);
}

std::unique_ptr<SweepTeam> MakeSweepTeam(const SeamSweepPlan& plan) {
  const int threads = SorThreadCount();
  const long forcedMin = minElementsOverride.load(std::memory_order_relaxed);
  const long minElements = forcedMin > 0 ? forcedMin : kDefaultMinElements;
  if (threads < 2 || plan.nx < 2 * threads ||
      static_cast<long>(plan.nx) * plan.ny < minElements)
    return nullptr;
  try {
    return std::make_unique<SweepTeam>(plan, threads);
  } catch (const std::system_error&) {
    return nullptr;  // no thread to be had: sweep on this thread
  }
}

void ResolvedElementStress(const SeamSweepPlan& plan, double** u, double** totalStress,
                           MessageSink& sink) {
  const int nx = plan.nx, ny = plan.ny;
  const double thickness = plan.thickness;
  for (int i = 1; i <= nx; ++i) {
    const double* ui = u[i];
    double* si = totalStress[i];
    const unsigned char* slot = plan.slots.data() + static_cast<std::size_t>(i - 1) * ny - 1;
    for (int j = 1; j <= ny; ++j) {
      const ResolvedLaw& law = plan.laws[slot[j]];
      const double strain = ui[j] / thickness;
      if (law.kind == kMinedOutKind && MinedOutInContact(strain)) [[unlikely]]
        ReportMinedOutContact(sink, i, j);
      si[j] = EvaluateResolvedLaw(law, strain, si[j]);
    }
  }
}

namespace {

// True when every convergence of the seam is finite; otherwise the first
// offending element in X-outer, Y-inner order.
bool AllFinite(double* const* u, int nx, int ny, int& badI, int& badJ) {
  for (int i = 1; i <= nx; ++i) {
    const double* row = u[i];
    for (int j = 1; j <= ny; ++j) {
      if (!std::isfinite(row[j])) {
        badI = i;
        badJ = j;
        return false;
      }
    }
  }
  return true;
}

// Chooses, sweep by sweep, whether the team or the calling thread alone
// sweeps. Sharing a sweep pays only while the team's threads have cores to
// themselves: on a busy machine a thread that loses its core stalls every row
// below it, and the shared sweep can take longer than one thread would. Both
// ways give the same bits, so the choice is free to follow the clock: each
// way's sweep time is kept as a running mean, the faster way is used, and the
// other is timed again every kProbeEvery sweeps.
class SweepPace {
 public:
  bool UseTeam() const {
    if (mean_[1] < 0) return true;
    if (mean_[0] < 0) return false;
    const bool faster = mean_[1] < mean_[0];
    return count_ % kProbeEvery == kProbeEvery - 1 ? !faster : faster;
  }
  void Start(bool team) {
    team_ = team;
    start_ = std::chrono::steady_clock::now();
  }
  void Stop() {
    const auto now = std::chrono::steady_clock::now();
    const double t = std::chrono::duration<double>(now - start_).count();
    double& mean = mean_[team_ ? 1 : 0];
    mean = mean < 0 ? t : 0.75 * mean + 0.25 * t;
    ++count_;
  }

 private:
  static constexpr int kProbeEvery = 32;
  double mean_[2] = {-1, -1};  // seconds per sweep: one thread, team; < 0 not yet timed
  long count_ = 0;
  bool team_ = false;
  std::chrono::steady_clock::time_point start_;
};

int SolveSeamCommon(CModelDat& m, bool withFault, double** u, char** codes, int s, int nx, int ny,
                    double d, double thickness, double** totalStress, double** overburdenStress,
                    double** surfaceEffectStress, double** interseamStress,
                    double** preCalculatedStress, std::FILE* log) {
  SeamSweepPlan plan;
  plan.nx = nx;
  plan.ny = ny;
  plan.thickness = thickness;
  plan.K = m.overRelaxation * 0.25;
  plan.R = 1 - m.overRelaxation;
  plan.C = (2.0 / (m.layerPlateFactor * m.elasticModulus)) * (d * d * plan.K);
  plan.overburden = overburdenStress;
  plan.surface = surfaceEffectStress;
  plan.interseam = interseamStress;
  plan.precalculated = preCalculatedStress;
  if (withFault) {
    plan.fault = true;
    plan.faultAlongY = m.faultAlongY;
    plan.faultX1 = m.faultX1;
    plan.faultX2 = m.faultX2;
    plan.faultY1 = m.faultY1;
    plan.faultY2 = m.faultY2;
  }
  bool prepared = false;
  std::unique_ptr<SweepTeam> team;
  SweepPace pace;
  const bool timed = timedChoice.load(std::memory_order_relaxed);

  m.progress->OpenSolverPanel();
  int n = 1;
  SweepOutcome outcome;
  outcome.maxChange = m.stressConvergence + 1;

  if (m.maxIterations >= 1) {
    do {
      outcome.maxChange = 0;
      if (!prepared) {
        // Done at the first sweep, where the first stress pass would meet a
        // bad code; the arrays and codes stay fixed for the rest of the solve.
        plan.lawsResolved = ResolveSeamLaws(m.materialType, m.materialProps, m.materialCount,
                                            m.elasticModulus, codes, nx, ny, plan.laws,
                                            plan.slots);
        plan.useOverburden = !IsPositiveZero(overburdenStress, nx, ny);
        plan.useSurface = !IsPositiveZero(surfaceEffectStress, nx, ny);
        plan.useInterseam = !IsPositiveZero(interseamStress, nx, ny);
        plan.usePrecalculated = !IsPositiveZero(preCalculatedStress, nx, ny);
        prepared = true;
        team = MakeSweepTeam(plan);
      }
      // Codes the fast path cannot take (a refused or foreign code) go through
      // the plain stress routine, which reports them or converts them itself.
      if (!plan.lawsResolved) m.ElementStress(u, totalStress, codes, thickness);
      m.ApplyBoundaryConditions(u);
      if (team) {
        const bool shared = !timed || pace.UseTeam();
        pace.Start(shared);
        SorSweep(plan, u, totalStress, outcome, *m.messages, shared ? team.get() : nullptr);
        pace.Stop();
      } else {
        SorSweep(plan, u, totalStress, outcome, *m.messages);
      }

      if (n % 100 == 0) {
        m.progress->ShowIteration(n, static_cast<float>(outcome.maxChange));
        m.progress->ShowElapsed(m.ElapsedSinceRunStart());
        if (log) {
          std::fprintf(log, "iteration number = %i, maximum displacement = %13.9lg\n", n,
                       outcome.maxChange);
          std::fprintf(log, "X grid location = %i, Y grid location = %i\n\n", outcome.iMax,
                       outcome.jMax);
        }
      }
      if (n == m.maxIterations) {
        m.ShowMessage("Maximum Number of Iterations Reached - SOR1");
        throw FatalExit(1);
      }
      ++n;
    } while (std::fabs(outcome.maxChange) > m.stressConvergence);
  }

  // A sweep whose changes are NaN never exceeds the criterion, so a diverged
  // seam would leave the loop as if it had converged: refuse it here instead
  // of passing non-finite convergences on to the stresses and result files.
  int badI = 0, badJ = 0;
  if (!AllFinite(u, nx, ny, badI, badJ)) {
    char line[96];
    std::snprintf(line, sizeof line, "Seam %i, i = %i, j = %i\n", s, badI, badJ);
    m.WriteDiagnostic("Seam Convergence is not a Finite Number - SOR2\n");
    m.WriteDiagnostic(line);
    m.ShowMessage("Seam Convergence is not a Finite Number - SOR2\n");
    throw FatalExit(1);
  }
  m.maxDisplacement[s][0] = m.maxDisplacement[s][1];
  m.maxDisplacement[s][1] = outcome.maxChange;
  m.progress->ShowIteration(n, static_cast<float>(outcome.maxChange));
  m.progress->CloseSolverPanel();
  if (prepared && plan.lawsResolved) ResolvedElementStress(plan, u, totalStress, *m.messages);
  else m.ElementStress(u, totalStress, codes, thickness);
  return n - 1;
}

}  // namespace

int CModelDat::SolveSeam(double** u, char** codes, int s, int nx, int ny, double d,
                         double thickness, double** totalStress, double** overburdenStress,
                         double** surfaceEffectStress, double** interseamStress,
                         double** preCalculatedStress, std::FILE* log) {
  return SolveSeamCommon(*this, false, u, codes, s, nx, ny, d, thickness, totalStress,
                         overburdenStress, surfaceEffectStress, interseamStress,
                         preCalculatedStress, log);
}

int CModelDat::SolveSeamWithFault(double** u, char** codes, int s, int nx, int ny, double d,
                                  double thickness, double** totalStress,
                                  double** overburdenStress, double** surfaceEffectStress,
                                  double** interseamStress, double** preCalculatedStress,
                                  std::FILE* log) {
  return SolveSeamCommon(*this, true, u, codes, s, nx, ny, d, thickness, totalStress,
                         overburdenStress, surfaceEffectStress, interseamStress,
                         preCalculatedStress, log);
}

// Symmetry edges mirror the edge row or column into the ghost border; a fixed
// edge leaves its ghost cells as they are (zero after allocation). The order
// matters at the corners: east and west run last over the full ghost range.
void CModelDat::ApplyBoundaryConditions(double** u) {
  if (bcNorth == 1)
    for (int i = 0; i <= nx + 1; ++i) u[i][ny + 1] = u[i][ny];
  if (bcEast == 1)
    for (int j = 0; j <= ny + 1; ++j) u[nx + 1][j] = u[nx][j];
  if (bcSouth == 1)
    for (int i = 0; i <= nx + 1; ++i) u[i][0] = u[i][1];
  if (bcWest == 1)
    for (int j = 0; j <= ny + 1; ++j) u[0][j] = u[1][j];
}

}  // namespace kavrel
