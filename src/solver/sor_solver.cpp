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
#include "solver/sor_solver.h"

#include <algorithm>
#include <bit>
#include <utility>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "core/fatal_exit.h"
#include "core/progress_sink.h"
#include "core/run_log.h"
#include "model/model_dat.h"

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
};

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
        if (law.kind == kMinedOutKind && MinedOutInContact(strain)) [[unlikely]]
          ReportMinedOutContact(sink, r.i, j);
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
      Offer(change, std::fabs(change), r.i, j);
    }
  }

  void Run(double** u, double** totalStress) {
    for (int i = 1; i <= plan.nx; ++i) Row(u, totalStress, i);
  }

  // Takes an element's change into the running largest one: strictly larger
  // wins, so of equal changes the first in X-outer, Y-inner order stays.
  void Offer(double change, double absChange, int i, int j) {
    if (absChange > absMax) {
      maxChange = change;
      absMax = absChange;
      iMax = i;
      jMax = j;
    }
  }

  // Row i, element after element, through the fault window if it crosses it.
  void Row(double** u, double** totalStress, int i) {
    const int ny = plan.ny;
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
    r.slot = Fused ? plan.slots.data() + static_cast<std::size_t>(i - 1) * ny - 1 : nullptr;
    if (!plan.fault || i < plan.faultX1 || i > plan.faultX2) {
      Span<kOpen>(r, 1, ny);
      return;
    }
    // Row inside the fault's X extent: open links before and after the
    // window's Y extent, cut links inside it.
    const int lo = plan.faultY1 < 1 ? 1 : plan.faultY1;
    const int hi = plan.faultY2 > ny ? ny : plan.faultY2;
    if (lo > hi) {
      Span<kOpen>(r, 1, ny);
      return;
    }
    Span<kOpen>(r, 1, lo - 1);
    if (plan.faultAlongY == 0) {
      if (lo == plan.faultY1) {
        Span<kCutHighY>(r, lo, lo);
        Span<kCutLowY>(r, lo + 1, hi);
      } else {
        Span<kCutLowY>(r, lo, hi);
      }
    } else if (i == plan.faultX1) {
      Span<kCutHighX>(r, lo, hi);
    } else {
      Span<kCutLowX>(r, lo, hi);
    }
    Span<kOpen>(r, hi + 1, ny);
  }
};

// out[k] = u[k] / thickness for k < n: the divisions of a row's strains,
// apart from the laws so that they go several to an instruction (the widest
// vectors the processor has, chosen when the program starts). A division is
// correctly rounded at any width, so the strains keep their bits.
[[gnu::always_inline]] inline void DivideRowBody(const double* u, double thickness, int n,
                                                double* out) {
  for (int k = 0; k < n; ++k) out[k] = u[k] / thickness;
}
#if defined(__x86_64__)
[[gnu::target("avx512f")]] void DivideRowAvx512(const double* u, double t, int n, double* out) {
  DivideRowBody(u, t, n, out);
}
[[gnu::target("avx2")]] void DivideRowAvx2(const double* u, double t, int n, double* out) {
  DivideRowBody(u, t, n, out);
}
#endif
void DivideRowPlain(const double* u, double t, int n, double* out) {
  DivideRowBody(u, t, n, out);
}

// Chosen once, by a plain function pointer rather than an ifunc, which the
// sanitizers' runtimes cannot take before they start.
using DivideRowFn = void (*)(const double*, double, int, double*);
DivideRowFn ChooseDivideRow() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) return DivideRowAvx512;
  if (__builtin_cpu_supports("avx2")) return DivideRowAvx2;
#endif
  return DivideRowPlain;
}

void DivideRow(const double* u, double thickness, int n, double* out) {
  static const DivideRowFn divide = ChooseDivideRow();
  divide(u, thickness, n, out);
}

// True when row i runs inside the fault's X extent (its links may be cut).
bool RowInFault(const SeamSweepPlan& plan, int i) {
  return plan.fault && i >= plan.faultX1 && i <= plan.faultX2;
}

// Groups the columns of every row by law, once per plan (the codes do not
// change within a solve).
void BuildLawRuns(const SeamSweepPlan& plan) {
  const int nx = plan.nx, ny = plan.ny;
  plan.lawOrder.resize(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
  plan.lawRuns.clear();
  plan.rowRuns.assign(static_cast<std::size_t>(nx) + 1, 0);
  plan.stretches.clear();
  plan.rowStretches.assign(static_cast<std::size_t>(nx) + 1, 0);
  int counts[kMinedOutSlot + 1];
  for (int i = 1; i <= nx; ++i) {
    const std::size_t base = static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(ny);
    const unsigned char* slot = plan.slots.data() + base;
    for (int& c : counts) c = 0;
    for (int j = 0; j < ny; ++j) ++counts[slot[j]];
    int start[kMinedOutSlot + 1];
    int next = 0;
    for (int k = 0; k <= kMinedOutSlot; ++k) {
      start[k] = next;
      next += counts[k];
      if (counts[k] > 0) plan.lawRuns.push_back({k, counts[k]});
    }
    for (int j = 0; j < ny; ++j) plan.lawOrder[base + start[slot[j]]++] = j + 1;
    plan.rowRuns[static_cast<std::size_t>(i)] = plan.lawRuns.size();
    // Stretches of one law, kept for the row when they are eight elements
    // long on average.
    const std::size_t before = plan.stretches.size();
    for (int j = 0; j < ny;) {
      int end = j + 1;
      while (end < ny && slot[end] == slot[j]) ++end;
      plan.stretches.push_back({slot[j], j + 1, end - j});
      j = end;
    }
    if ((plan.stretches.size() - before) * 8 > static_cast<std::size_t>(ny))
      plan.stretches.resize(before);
    plan.rowStretches[static_cast<std::size_t>(i)] = plan.stretches.size();
  }
  plan.wave.assign(kWaveRows * (static_cast<std::size_t>(ny) + 2), 0.0);
}

// The wavefront sweep of SorSweep (resolved laws only). A group of
// kRowsInFlight rows starts with their stress pass, row after row and in
// each row law after law: the stress of an element depends only on its
// convergence at the sweep's start, so the pass gives the stresses of the
// one-row sweep, and its contact reports in the one-row order (the openings
// of a row are one law, taken in ascending j). With the stress go the two
// terms of the update that do not depend on the neighbours, old * R and
// C * applied; the wavefront then forms
//   ((up + down + left + right) * K + old * R) - C * applied,
// the one-row sweep's expression in its order.
template <bool Ob, bool Se, bool Is, bool Pc>
struct WaveSweeper {
  static constexpr int kR = kRowsInFlight;
  Sweeper<true, Ob, Se, Is, Pc>& rows;  // the one-row sweep, for single rows and the maximum
  const SeamSweepPlan& plan;
  double* a[kR];  // old * R of each row in flight, indexed by j
  double* b[kR];  // C * applied
  double* strain;  // the strains of the row in its stress pass, indexed by j

  // The elements of one law: columns[0 .. count - 1], or, without columns,
  // the stretch first .. first + count - 1.
  template <int Kind, bool Gathered>
  void StressRun(const ResolvedLaw& law, const int* columns, int first, int count, int i,
                 double* ui, double* si, const double* ob, const double* se, const double* is,
                 const double* pc, double* ar, double* br) {
    const double R = plan.R, C = plan.C;
    for (int n = 0; n < count; ++n) {
      const int j = Gathered ? columns[n] : first + n;
      const double old = ui[j];
      const double e = strain[j];
      const double stress = EvaluateLawOfKind<Kind>(law, e, si[j]);
      if constexpr (Kind == kMinedOutKind)
        if (MinedOutInContact(e)) [[unlikely]] ReportMinedOutContact(rows.sink, i, j);
      si[j] = stress;
      double applied = stress;
      if constexpr (Ob) applied = applied - ob[j];
      if constexpr (Se) applied = applied - se[j];
      if constexpr (Is) applied = applied - is[j];
      if constexpr (Pc) applied = applied - pc[j];
      ar[j] = old * R;
      br[j] = C * applied;
    }
  }

  void StressPass(double** u, double** totalStress, int i, int r) {
    double* ui = u[i];
    double* si = totalStress[i];
    const double* ob = Ob ? plan.overburden[i] : nullptr;
    const double* se = Se ? plan.surface[i] : nullptr;
    const double* is = Is ? plan.interseam[i] : nullptr;
    const double* pc = Pc ? plan.precalculated[i] : nullptr;
    DivideRow(ui + 1, plan.thickness, plan.ny, strain + 1);
    const std::size_t s0 = plan.rowStretches[static_cast<std::size_t>(i - 1)];
    const std::size_t s1 = plan.rowStretches[static_cast<std::size_t>(i)];
    if (s0 < s1) {
      // Stretch by stretch, in the order of j: the contact reports of the
      // openings come in that order too.
      for (std::size_t k = s0; k < s1; ++k) {
        const SeamSweepPlan::LawStretch run = plan.stretches[k];
        Law<false>(plan.laws[run.slot], nullptr, run.first, run.count, i, ui, si, ob, se, is, pc,
                   r);
      }
      return;
    }
    const int* columns =
        plan.lawOrder.data() + static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(plan.ny);
    for (std::size_t k = plan.rowRuns[static_cast<std::size_t>(i - 1)];
         k < plan.rowRuns[static_cast<std::size_t>(i)]; ++k) {
      const SeamSweepPlan::LawRun run = plan.lawRuns[k];
      Law<true>(plan.laws[run.slot], columns, 0, run.count, i, ui, si, ob, se, is, pc, r);
      columns += run.count;
    }
  }

  template <bool Gathered>
  void Law(const ResolvedLaw& law, const int* columns, int first, int count, int i, double* ui,
           double* si, const double* ob, const double* se, const double* is, const double* pc,
           int r) {
    switch (law.kind) {
#define KAVREL_STRESS_RUN(KIND)                                                                   \
  case KIND:                                                                                      \
    StressRun<KIND, Gathered>(law, columns, first, count, i, ui, si, ob, se, is, pc, a[r], b[r]); \
    break;
      KAVREL_STRESS_RUN(kLinearElasticCoal)
      KAVREL_STRESS_RUN(kStrainSofteningCoal)
      KAVREL_STRESS_RUN(kElasticPlasticCoal)
      KAVREL_STRESS_RUN(kBilinearHardeningGob)
      KAVREL_STRESS_RUN(kStrainHardeningGob)
      KAVREL_STRESS_RUN(kLinearElasticGob)
      KAVREL_STRESS_RUN(kMinedOutKind)
#undef KAVREL_STRESS_RUN
      default:
        StressRun<0, Gathered>(law, columns, first, count, i, ui, si, ob, se, is, pc, a[r], b[r]);
    }
  }

  // Rows i .. i + kR - 1, none of them in the fault window.
  void Group(double** u, double** totalStress, int i) {
    for (int r = 0; r < kR; ++r) StressPass(u, totalStress, i + r, r);
    const int ny = plan.ny;
    const double K = plan.K;
    double* row[kR + 2];  // row[r + 1] = u[i + r]; row[0] above, row[kR + 1] below
    for (int r = 0; r < kR + 2; ++r) row[r] = u[i - 1 + r];
    double change[kR], absChange[kR];
    int at[kR];
    for (int r = 0; r < kR; ++r) {
      change[r] = 0;
      absChange[r] = rows.absMax;  // only a change beyond the sweep's largest so far counts
      at[r] = 0;
    }
    auto element = [&](int r, int j) {
      double* ui = row[r + 1];
      const double old = ui[j];
      const double sum = row[r][j] + row[r + 2][j] + ui[j - 1] + ui[j + 1];
      const double updated = sum * K + a[r][j] - b[r][j];
      ui[j] = updated;
      const double d = updated - old;
      const double ad = std::fabs(d);
      if (ad > absChange[r]) {
        change[r] = d;
        absChange[r] = ad;
        at[r] = j;
      }
    };
    // Row r works on column t - r. Within a step the rows go from the last to
    // the first, so that row r reads the value that row r - 1 wrote at the
    // step before, not the one it writes now.
    int t = 1;
    for (; t < kR && t <= ny; ++t)  // filling: rows 0 .. t - 1
      for (int r = t - 1; r >= 0; --r) element(r, t - r);
    for (; t <= ny; ++t) {  // steady state: every row in flight
#pragma GCC unroll 8
      for (int r = kR - 1; r >= 0; --r) element(r, t - r);
    }
    for (; t < ny + kR; ++t)  // draining: rows t - ny .. min(t - 1, kR - 1)
      for (int r = std::min(kR - 1, t - 1); r >= t - ny; --r) element(r, t - r);
    for (int r = 0; r < kR; ++r)
      if (at[r] != 0) rows.Offer(change[r], absChange[r], i + r, at[r]);
  }

  // Rows range.iFirst .. range.iLast, a group of kR rows or a single row at
  // a time. Returns false when range.beforeLastRows abandoned the sweep.
  bool Run(double** u, double** totalStress, const SweepRows& range) {
    const int last = range.iLast;
    int i = range.iFirst;
    while (i <= last) {
      bool whole = i + kR - 1 <= last;
      for (int r = 0; whole && r < kR; ++r) whole = !RowInFault(plan, i + r);
      const int end = whole ? i + kR - 1 : i;
      if (end == last && range.beforeLastRows && !range.beforeLastRows(range.context))
        return false;
      if (whole) Group(u, totalStress, i);
      else rows.Row(u, totalStress, i);
      if (i == range.iFirst && range.firstRowsDone) range.firstRowsDone(range.context);
      i = end + 1;
    }
    return true;
  }
};

// The whole seam as one range, in the plan's own work space.
SweepRows WholeSeam(const SeamSweepPlan& plan) {
  SweepRows all;
  all.iFirst = 1;
  all.iLast = plan.nx;
  return all;
}

// How a sweep goes: one row at a time (`range` null) or on the wavefront
// over `range`.
template <bool Fused, bool Ob, bool Se, bool Is, bool Pc>
bool RunSweep(const SeamSweepPlan& plan, double** u, double** totalStress, SweepOutcome& outcome,
              MessageSink& sink, const SweepRows* range) {
  Sweeper<Fused, Ob, Se, Is, Pc> sweeper{plan, sink, outcome.maxChange,
                                          std::fabs(outcome.maxChange), outcome.iMax,
                                          outcome.jMax};
  bool whole = true;
  if constexpr (Fused) {
    if (range) {
      PrepareWavefront(plan);
      const std::size_t stride = static_cast<std::size_t>(plan.ny) + 2;
      double* wave = range->wave ? range->wave : plan.wave.data();
      WaveSweeper<Ob, Se, Is, Pc> waves{sweeper, plan, {}, {}, nullptr};
      for (int r = 0; r < kRowsInFlight; ++r) {
        waves.a[r] = wave + static_cast<std::size_t>(2 * r) * stride;
        waves.b[r] = wave + static_cast<std::size_t>(2 * r + 1) * stride;
      }
      waves.strain = wave + static_cast<std::size_t>(2 * kRowsInFlight) * stride;
      whole = waves.Run(u, totalStress, *range);
    } else {
      sweeper.Run(u, totalStress);
    }
  } else {
    sweeper.Run(u, totalStress);
  }
  outcome.maxChange = sweeper.maxChange;
  outcome.iMax = sweeper.iMax;
  outcome.jMax = sweeper.jMax;
  return whole;
}

template <bool Fused, bool Ob, bool Se, bool Is>
bool DispatchPc(const SeamSweepPlan& p, double** u, double** t, SweepOutcome& o, MessageSink& s,
                const SweepRows* w) {
  if (p.usePrecalculated) return RunSweep<Fused, Ob, Se, Is, true>(p, u, t, o, s, w);
  return RunSweep<Fused, Ob, Se, Is, false>(p, u, t, o, s, w);
}

template <bool Fused, bool Ob, bool Se>
bool DispatchIs(const SeamSweepPlan& p, double** u, double** t, SweepOutcome& o, MessageSink& s,
                const SweepRows* w) {
  if (p.useInterseam) return DispatchPc<Fused, Ob, Se, true>(p, u, t, o, s, w);
  return DispatchPc<Fused, Ob, Se, false>(p, u, t, o, s, w);
}

template <bool Fused, bool Ob>
bool DispatchSe(const SeamSweepPlan& p, double** u, double** t, SweepOutcome& o, MessageSink& s,
                const SweepRows* w) {
  if (p.useSurface) return DispatchIs<Fused, Ob, true>(p, u, t, o, s, w);
  return DispatchIs<Fused, Ob, false>(p, u, t, o, s, w);
}

template <bool Fused>
bool DispatchOb(const SeamSweepPlan& p, double** u, double** t, SweepOutcome& o, MessageSink& s,
                const SweepRows* w) {
  if (p.useOverburden) return DispatchSe<Fused, true>(p, u, t, o, s, w);
  return DispatchSe<Fused, false>(p, u, t, o, s, w);
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
      const int k = MaterialIndexOf(ch);
      if (k < 0 || k == kRefusedCode) return false;
      const int slot = k == kMinedOutCode ? kMinedOutSlot : k;
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

void SorSweepOneRow(const SeamSweepPlan& plan, double** u, double** totalStress,
                    SweepOutcome& outcome, MessageSink& sink) {
  if (plan.lawsResolved) (void)DispatchOb<true>(plan, u, totalStress, outcome, sink, nullptr);
  else (void)DispatchOb<false>(plan, u, totalStress, outcome, sink, nullptr);
}

void SorSweep(const SeamSweepPlan& plan, double** u, double** totalStress, SweepOutcome& outcome,
              MessageSink& sink) {
  const SweepRows all = WholeSeam(plan);
  if (plan.lawsResolved) (void)DispatchOb<true>(plan, u, totalStress, outcome, sink, &all);
  else (void)DispatchOb<false>(plan, u, totalStress, outcome, sink, nullptr);
}

void PrepareWavefront(const SeamSweepPlan& plan) {
  if (plan.rowRuns.empty()) BuildLawRuns(plan);
}

bool SorSweepRows(const SeamSweepPlan& plan, double** u, double** totalStress,
                  SweepOutcome& outcome, MessageSink& sink, const SweepRows& rows) {
  return DispatchOb<true>(plan, u, totalStress, outcome, sink, &rows);
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

}  // namespace

SorSettings SorSettingsOf(const CModelDat& m, bool withFault) {
  SorSettings s;
  s.overRelaxation = m.overRelaxation;
  s.stressConvergence = m.stressConvergence;
  s.maxIterations = m.maxIterations;
  s.elasticModulus = m.elasticModulus;
  s.plateFactor = m.layerPlateFactor;
  s.elementWidth = m.elementWidth;
  s.edges = SeamEdges{m.bcNorth, m.bcEast, m.bcSouth, m.bcWest};
  if (withFault) {
    s.fault = true;
    s.faultAlongY = m.faultAlongY;
    s.faultX1 = m.faultX1;
    s.faultX2 = m.faultX2;
    s.faultY1 = m.faultY1;
    s.faultY2 = m.faultY2;
  }
  return s;
}

SeamSweepPlan PlanSeamSweep(const SorSettings& settings, const SeamSolveArrays& a) {
  const double d = settings.elementWidth;
  SeamSweepPlan plan;
  plan.nx = a.nx;
  plan.ny = a.ny;
  plan.thickness = a.thickness;
  plan.K = settings.overRelaxation * 0.25;
  plan.R = 1 - settings.overRelaxation;
  plan.C = (2.0 / (settings.plateFactor * settings.elasticModulus)) * (d * d * plan.K);
  plan.overburden = a.overburden;
  plan.surface = a.surface;
  plan.interseam = a.interseam;
  plan.precalculated = a.precalculated;
  plan.fault = settings.fault;
  plan.faultAlongY = settings.faultAlongY;
  plan.faultX1 = settings.faultX1;
  plan.faultX2 = settings.faultX2;
  plan.faultY1 = settings.faultY1;
  plan.faultY2 = settings.faultY2;
  return plan;
}

void PrepareSeamSweep(const MaterialTable& materials, const SeamSolveArrays& a,
                      SeamSweepPlan& plan) {
  plan.lawsResolved = ResolveSeamLaws(materials.type, materials.props, materials.count,
                                      materials.rockModulus, a.codes, a.nx, a.ny, plan.laws,
                                      plan.slots);
  plan.useOverburden = !IsPositiveZero(a.overburden, a.nx, a.ny);
  plan.useSurface = !IsPositiveZero(a.surface, a.nx, a.ny);
  plan.useInterseam = !IsPositiveZero(a.interseam, a.nx, a.ny);
  plan.usePrecalculated = !IsPositiveZero(a.precalculated, a.nx, a.ny);
}

void ReportSweep(int n, const SweepOutcome& outcome, const SorSettings& settings,
                 const SolveReporting& report) {
  if (n % 100 == 0) {
    report.progress.ShowIteration(n, static_cast<float>(outcome.maxChange));
    report.progress.ShowElapsed(static_cast<long long>(std::time(nullptr)) - report.runClock);
    report.log.Printf("iteration number = %i, maximum displacement = %13.9lg\n", n,
                      outcome.maxChange);
    report.log.Printf("X grid location = %i, Y grid location = %i\n\n", outcome.iMax,
                      outcome.jMax);
  }
  if (n == settings.maxIterations) {
    report.messages.ShowMessage("Maximum Number of Iterations Reached - SOR1");
    throw FatalExit(1);
  }
}

SeamSolveResult SolveSeamSor(const SorSettings& settings, const MaterialTable& materials,
                             const SeamSolveArrays& a, const SolveReporting& report,
                             const RowBands& bands) {
  const int nx = a.nx, ny = a.ny;
  double** u = a.convergence;
  SeamSweepPlan plan = PlanSeamSweep(settings, a);
  bool prepared = false;

  report.progress.OpenSolverPanel();
  int n = 1;
  SweepOutcome outcome;
  outcome.maxChange = settings.stressConvergence + 1;

  if (settings.maxIterations >= 1) {
    for (;;) {
      outcome.maxChange = 0;
      if (!prepared) {
        // Done at the first sweep, where the first stress pass would meet a
        // bad code; the arrays and codes stay fixed for the rest of the solve.
        PrepareSeamSweep(materials, a, plan);
        prepared = true;
      }
      // Codes the fast path cannot take (a refused or foreign code) go through
      // the plain stress routine, which reports them or converts them itself.
      if (!plan.lawsResolved)
        ElementStress(materials, nx, ny, a.thickness, u, a.codes, a.totalStress, report.messages);
      ApplySeamEdges(settings.edges, nx, ny, u);
      SorSweep(plan, u, a.totalStress, outcome, report.messages);
      ReportSweep(n, outcome, settings, report);
      ++n;
      if (!(std::fabs(outcome.maxChange) > settings.stressConvergence)) break;
      // Threads may have come free since the last ask (another seam's solve
      // ended): the rest of the solve then goes on in row bands.
      if ((n - 2) % std::max(1, bands.askEvery) == 0 &&
          ContinueInBands(plan, settings, a, report, bands, n, outcome))
        break;
    }
  }

  // A sweep whose changes are NaN never exceeds the criterion, so a diverged
  // seam would leave the loop as if it had converged: refuse it here instead
  // of passing non-finite convergences on to the stresses and result files.
  int badI = 0, badJ = 0;
  if (!AllFinite(u, nx, ny, badI, badJ)) {
    char line[96];
    std::snprintf(line, sizeof line, "Seam %i, i = %i, j = %i\n", report.seam, badI, badJ);
    report.messages.WriteDiagnostic("Seam Convergence is not a Finite Number - SOR2\n");
    report.messages.WriteDiagnostic(line);
    report.messages.ShowMessage("Seam Convergence is not a Finite Number - SOR2\n");
    throw FatalExit(1);
  }
  report.progress.ShowIteration(n, static_cast<float>(outcome.maxChange));
  report.progress.CloseSolverPanel();
  if (prepared && plan.lawsResolved)
    ResolvedElementStress(plan, u, a.totalStress, report.messages);
  else
    ElementStress(materials, nx, ny, a.thickness, u, a.codes, a.totalStress, report.messages);
  return SeamSolveResult{n - 1, outcome.maxChange, outcome.iMax, outcome.jMax};
}

namespace {

int SolveAndBook(CModelDat& m, bool withFault, double** u, char** codes, int s, int nx, int ny,
                 double d, double thickness, double** totalStress, double** overburdenStress,
                 double** surfaceEffectStress, double** interseamStress,
                 double** preCalculatedStress, RunLog& log) {
  SorSettings settings = SorSettingsOf(m, withFault);
  settings.elementWidth = d;
  const SeamSolveArrays arrays{nx,          ny,          thickness,        u,
                               totalStress, codes,       overburdenStress, surfaceEffectStress,
                               interseamStress, preCalculatedStress};
  const SeamSolveResult r = SolveSeamSor(settings, m.Materials(), arrays,
                                         SolveReporting{*m.progress, *m.messages, log, m.runClock, s});
  m.maxDisplacement[s][0] = m.maxDisplacement[s][1];
  m.maxDisplacement[s][1] = r.maxChange;
  return r.sweeps;
}

}  // namespace

int CModelDat::SolveSeam(double** u, char** codes, int s, int seamNx, int seamNy, double d,
                         double thickness, double** stress, double** overburden, double** surface,
                         double** interseam, double** precalculated, RunLog& log) {
  return SolveAndBook(*this, false, u, codes, s, seamNx, seamNy, d, thickness, stress, overburden,
                      surface, interseam, precalculated, log);
}

int CModelDat::SolveSeamWithFault(double** u, char** codes, int s, int seamNx, int seamNy, double d,
                                  double thickness, double** stress, double** overburden, double** surface,
                                  double** interseam, double** precalculated, RunLog& log) {
  return SolveAndBook(*this, true, u, codes, s, seamNx, seamNy, d, thickness, stress, overburden,
                      surface, interseam, precalculated, log);
}

void ApplySeamEdges(const SeamEdges& edges, int nx, int ny, double** u) {
  ApplySeamEdgesToRows(edges, nx, ny, 0, nx + 1, u);
}

void ApplySeamEdgesToRows(const SeamEdges& edges, int nx, int ny, int first, int last,
                          double** u) {
  if (edges.north == 1)
    for (int i = first; i <= last; ++i) u[i][ny + 1] = u[i][ny];
  if (last == nx + 1 && edges.east == 1)
    for (int j = 0; j <= ny + 1; ++j) u[nx + 1][j] = u[nx][j];
  if (edges.south == 1)
    for (int i = first; i <= last; ++i) u[i][0] = u[i][1];
  if (first == 0 && edges.west == 1)
    for (int j = 0; j <= ny + 1; ++j) u[0][j] = u[1][j];
}

void CModelDat::ApplyBoundaryConditions(double** u) {
  ApplySeamEdges(SeamEdges{bcNorth, bcEast, bcSouth, bcWest}, nx, ny, u);
}

}  // namespace kavrel
