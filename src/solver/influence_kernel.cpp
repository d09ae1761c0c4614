// Influence kernel (see influence_kernel.h) and the model operation that
// applies it for the interseam, mirror-image, off-seam and topographic stresses.
#include "solver/influence_kernel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <memory>
#include <vector>

#include "core/progress_sink.h"
#include "core/thread_lender.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

// Truncation toward zero, saturated far outside any grid so that a source
// lying very far away cannot overflow the conversion.
int TruncateIndex(double x) {
  if (!(x > -1.0e9)) return -1000000000;
  if (x > 1.0e9) return 1000000000;
  return static_cast<int>(x);
}

}  // namespace

IndexRange InfluenceWindow(double position, double halfWidth, int n) {
  int first = TruncateIndex(position - halfWidth - 0.5);
  int last = TruncateIndex(position + halfWidth + 0.5);
  if (first < 1) {
    first = 1;
    if (last < 1) last = 0;
  }
  if (last > n) {
    last = n;
    if (first > n) first = n + 1;
  }
  return {first, last};
}

namespace {

// The per-axis tables of one application of the kernel, shared read-only by
// the column ranges of a split sum.
struct KernelTables {
  double r = 0, spread = 0, halfWidth = 0, ox = 0, q = 0, sign = 1;
  std::vector<IndexRange> columns;       // target column range of source column j
  std::vector<std::size_t> columnStart;  // its first entry in yExp, yQuad
  std::vector<double> yExp, yQuad;       // exp(-dy^2/D), dy^2/D exp(-dy^2/D)
  int unionFirst = 0, unionLast = -1;    // target columns any source column reaches
};

KernelTables BuildTables(const InfluenceGrid& source, double h, int mirror, double rockModulus,
                         double plateFactor, const InfluenceGrid& target) {
  KernelTables t;
  const double wS = source.width, wT = target.width;
  t.r = rockModulus / (plateFactor * kEightPi * h * h) * (wS * wS);
  t.spread = plateFactor * 4.0 * std::fabs(h);
  t.halfWidth = std::fabs(h) * 4.0 / wT;
  t.ox = (source.x0 - target.x0) / wT;
  t.q = wS / wT;
  t.sign = mirror == 1 ? -1.0 : 1.0;
  const double oy = (source.y0 - target.y0) / wT;
  const int nyS = source.ny, nyT = target.ny;
  t.columns.resize(static_cast<std::size_t>(nyS) + 1);
  t.columnStart.assign(static_cast<std::size_t>(nyS) + 2, 0);
  t.unionFirst = nyT + 1;
  t.unionLast = 0;
  for (int j = 1; j <= nyS; ++j) {
    const IndexRange range = InfluenceWindow((j - 0.5) * t.q + 0.5 + oy, t.halfWidth, nyT);
    t.columns[j] = range;
    const int count = range.last >= range.first ? range.last - range.first + 1 : 0;
    t.columnStart[j + 1] = t.columnStart[j] + static_cast<std::size_t>(count);
    if (count > 0) {
      t.unionFirst = std::min(t.unionFirst, range.first);
      t.unionLast = std::max(t.unionLast, range.last);
    }
  }
  t.yExp.resize(t.columnStart[nyS + 1]);
  t.yQuad.resize(t.columnStart[nyS + 1]);
  for (int j = 1; j <= nyS; ++j) {
    const double sourceY = (j - 0.5) * wS + source.y0;
    std::size_t n = t.columnStart[j];
    for (int l = t.columns[j].first; l <= t.columns[j].last; ++l, ++n) {
      const double dy = (l - 0.5) * wT + target.y0 - sourceY;
      const double g = dy * dy / t.spread;
      t.yExp[n] = std::exp(-g);
      t.yQuad[n] = g * t.yExp[n];
    }
  }
  return t;
}

// The sum for target columns lo .. hi (within the union). Per source row:
// A(l) = sum_j v Yexp, B(l) = sum_j v Yquad over the columns whose window
// holds l; then every target row k of the row's window gets
// r (Xquad A + Xexp (B - A)), which is sum_j v r (rho - 1) exp(-rho). Each
// target value takes its terms in the order of the whole sum (source rows
// ascending, and within A and B source columns ascending), so a split into
// column ranges gives the bits of one range over all columns. A row with any
// non-zero source adds to every column of the union, as the whole sum does
// (even +0, which turns a -0 target into +0).
void SumColumns(const InfluenceGrid& source, const InfluenceGrid& target, const KernelTables& t,
                int lo, int hi, ProgressSink* progress, long long runClock,
                const std::atomic<bool>* stop) {
  std::vector<double> sumExp(static_cast<std::size_t>(target.ny) + 2, 0.0);
  std::vector<double> sumQuad(static_cast<std::size_t>(target.ny) + 2, 0.0);
  const double wS = source.width, wT = target.width;
  const int nxS = source.nx, nyS = source.ny, nxT = target.nx;
  for (int i = 1; i <= nxS; ++i) {
    if (stop && stop->load(std::memory_order_relaxed)) return;
    if (progress) progress->ShowGridline(i, (100 * i) / nxS);
    const IndexRange rows = InfluenceWindow((i - 0.5) * t.q + 0.5 + t.ox, t.halfWidth, nxT);
    if (rows.first <= rows.last && lo <= hi) {
      std::fill(sumExp.begin() + lo, sumExp.begin() + hi + 1, 0.0);
      std::fill(sumQuad.begin() + lo, sumQuad.begin() + hi + 1, 0.0);
      const double* si = source.values[i];
      bool any = false;
      for (int j = 1; j <= nyS; ++j) {
        const double v = t.sign * si[j];
        if (v == 0.0) continue;
        any = true;
        const int first = std::max(t.columns[j].first, lo);
        const int last = std::min(t.columns[j].last, hi);
        if (first > last) continue;
        const std::size_t at = t.columnStart[j] + static_cast<std::size_t>(first - t.columns[j].first);
        const double* ye = t.yExp.data() + at;
        const double* yq = t.yQuad.data() + at;
        double* a = sumExp.data() + first;
        double* b = sumQuad.data() + first;
        const int count = last - first + 1;
        for (int n = 0; n < count; ++n) {
          a[n] += v * ye[n];
          b[n] += v * yq[n];
        }
      }
      if (any) {
        const double sourceX = (i - 0.5) * wS + source.x0;
        const double* a = sumExp.data();
        const double* b = sumQuad.data();
        for (int k = rows.first; k <= rows.last; ++k) {
          const double dx = (k - 0.5) * wT + target.x0 - sourceX;
          const double g = dx * dx / t.spread;
          const double xe = std::exp(-g) * t.r;
          const double xq = g * xe;
          double* tk = target.values[k];
          for (int l = lo; l <= hi; ++l) tk[l] += xq * a[l] + xe * (b[l] - a[l]);
        }
      }
    }
    if (progress)
      progress->ShowElapsed(static_cast<long long>(std::time(nullptr)) - runClock);
  }
}

// Column ranges on borrowed threads. Range 0 goes on the calling thread and
// gives the progress; the others run alone and stop early when it fails.
struct SplitSum {
  SplitSum(const InfluenceGrid& from, const InfluenceGrid& to, KernelTables t)
      : source(from), target(to), tables(std::move(t)) {}
  const InfluenceGrid source, target;
  const KernelTables tables;
  std::vector<int> bounds;  // range p is bounds[p] .. bounds[p + 1] - 1
  std::atomic<bool> stop{false};
  std::atomic<int> running{0};
  void Range(int p, ProgressSink* progress, long long runClock) {
    SumColumns(source, target, tables, bounds[static_cast<std::size_t>(p)],
               bounds[static_cast<std::size_t>(p) + 1] - 1, progress, runClock, &stop);
  }
};

constexpr int kColumnsPerRange = 64;  // fewer columns are not worth a thread

}  // namespace

void AddInfluenceSeparable(const InfluenceGrid& source, double h, int mirror, double rockModulus,
                           double plateFactor, const InfluenceGrid& target,
                           ProgressSink* progress, long long runClock, ThreadLender* lender) {
  if (progress) progress->OpenProjectionPanel();
  if (h == 0.0 || source.nx < 1 || source.ny < 1 || target.nx < 1 || target.ny < 1) {
    if (progress) progress->CloseProjectionPanel();
    return;
  }
  KernelTables tables = BuildTables(source, h, mirror, rockModulus, plateFactor, target);
  const int width = tables.unionLast - tables.unionFirst + 1;
  const int wanted = lender ? std::min(lender->Spare(), width / kColumnsPerRange - 1) : 0;
  if (wanted < 1) {
    SumColumns(source, target, tables, tables.unionFirst, tables.unionLast, progress, runClock,
               nullptr);
    if (progress) progress->CloseProjectionPanel();
    return;
  }
  // Shared with the helpers, whose last touch may come after this returns.
  const auto split = std::make_shared<SplitSum>(source, target, std::move(tables));
  const int ranges = wanted + 1;
  for (int p = 0; p <= ranges; ++p)
    split->bounds.push_back(split->tables.unionFirst + (width * p) / ranges);
  split->running.store(ranges - 1);
  const int lent = lender->Lend(ranges - 1, [split](int p) {
    split->Range(p, nullptr, 0);
    split->running.fetch_sub(1, std::memory_order_acq_rel);
    split->running.notify_all();
  });
  // Ranges no thread took are summed here, after range 0.
  auto finish = [&] {
    for (int left = split->running.load(std::memory_order_acquire); left != ranges - 1 - lent;
         left = split->running.load(std::memory_order_acquire))
      split->running.wait(left, std::memory_order_acquire);
  };
  try {
    split->Range(0, progress, runClock);
    for (int p = lent + 1; p < ranges; ++p) split->Range(p, nullptr, 0);
  } catch (...) {
    split->stop.store(true);
    finish();
    throw;
  }
  finish();
  if (progress) progress->CloseProjectionPanel();
}

void CModelDat::AddInfluence(double** source, int nxS, int nyS, double wS, double xS, double yS,
                             double** target, int nxT, int nyT, double wT, double xT, double yT,
                             double h, int mirror) {
  const InfluenceGrid from{source, nxS, nyS, wS, xS, yS};
  const InfluenceGrid to{target, nxT, nyT, wT, xT, yT};
  AddInfluenceSeparable(from, h, mirror, elasticModulus, layerPlateFactor, to, progress, runClock,
                        lender);
}

}  // namespace kavrel
