// Influence kernel (see influence_kernel.h) and the model operation that
// applies it for the interseam, mirror-image, off-seam and topographic stresses.
#include "solver/influence_kernel.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

#include "core/progress_sink.h"
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

void AddInfluenceSeparable(const InfluenceGrid& source, double h, int mirror, double rockModulus,
                           double plateFactor, const InfluenceGrid& target,
                           ProgressSink* progress, long long runClock) {
  if (progress) progress->OpenProjectionPanel();
  if (h == 0.0 || source.nx < 1 || source.ny < 1 || target.nx < 1 || target.ny < 1) {
    if (progress) progress->CloseProjectionPanel();
    return;
  }
  const double wS = source.width, wT = target.width;
  const double r = rockModulus / (plateFactor * kEightPi * h * h) * (wS * wS);
  const double spread = plateFactor * 4.0 * std::fabs(h);
  const double halfWidth = std::fabs(h) * 4.0 / wT;
  const double ox = (source.x0 - target.x0) / wT;
  const double oy = (source.y0 - target.y0) / wT;
  const double q = wS / wT;
  const double sign = mirror == 1 ? -1.0 : 1.0;

  // Y tables: for each source column j, its target column range and, per
  // target column l of it, exp(-dy^2/D) and dy^2/D exp(-dy^2/D).
  const int nyS = source.ny, nyT = target.ny;
  std::vector<IndexRange> columns(static_cast<std::size_t>(nyS) + 1);
  std::vector<std::size_t> columnStart(static_cast<std::size_t>(nyS) + 2, 0);
  int unionFirst = nyT + 1, unionLast = 0;
  for (int j = 1; j <= nyS; ++j) {
    const IndexRange range = InfluenceWindow((j - 0.5) * q + 0.5 + oy, halfWidth, nyT);
    columns[j] = range;
    const int count = range.last >= range.first ? range.last - range.first + 1 : 0;
    columnStart[j + 1] = columnStart[j] + static_cast<std::size_t>(count);
    if (count > 0) {
      unionFirst = std::min(unionFirst, range.first);
      unionLast = std::max(unionLast, range.last);
    }
  }
  std::vector<double> yExp(columnStart[nyS + 1]), yQuad(columnStart[nyS + 1]);
  for (int j = 1; j <= nyS; ++j) {
    const double sourceY = (j - 0.5) * wS + source.y0;
    std::size_t n = columnStart[j];
    for (int l = columns[j].first; l <= columns[j].last; ++l, ++n) {
      const double dy = (l - 0.5) * wT + target.y0 - sourceY;
      const double g = dy * dy / spread;
      yExp[n] = std::exp(-g);
      yQuad[n] = g * yExp[n];
    }
  }

  // Per source row: A(l) = sum_j v Yexp, B(l) = sum_j v Yquad over the
  // columns whose window holds l; then every target row k of the row's window
  // gets r (Xquad A + Xexp (B - A)), which is sum_j v r (rho - 1) exp(-rho).
  std::vector<double> sumExp(static_cast<std::size_t>(nyT) + 2, 0.0);
  std::vector<double> sumQuad(static_cast<std::size_t>(nyT) + 2, 0.0);
  const int nxS = source.nx, nxT = target.nx;
  for (int i = 1; i <= nxS; ++i) {
    if (progress) progress->ShowGridline(i, (100 * i) / nxS);
    const IndexRange rows = InfluenceWindow((i - 0.5) * q + 0.5 + ox, halfWidth, nxT);
    if (rows.first <= rows.last && unionFirst <= unionLast) {
      std::fill(sumExp.begin() + unionFirst, sumExp.begin() + unionLast + 1, 0.0);
      std::fill(sumQuad.begin() + unionFirst, sumQuad.begin() + unionLast + 1, 0.0);
      const double* si = source.values[i];
      bool any = false;
      for (int j = 1; j <= nyS; ++j) {
        const double v = sign * si[j];
        if (v == 0.0) continue;
        any = true;
        const double* ye = yExp.data() + columnStart[j];
        const double* yq = yQuad.data() + columnStart[j];
        double* a = sumExp.data() + columns[j].first;
        double* b = sumQuad.data() + columns[j].first;
        const int count = columns[j].last - columns[j].first + 1;
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
          const double g = dx * dx / spread;
          const double xe = std::exp(-g) * r;
          const double xq = g * xe;
          double* tk = target.values[k];
          for (int l = unionFirst; l <= unionLast; ++l) tk[l] += xq * a[l] + xe * (b[l] - a[l]);
        }
      }
    }
    if (progress)
      progress->ShowElapsed(static_cast<long long>(std::time(nullptr)) - runClock);
  }
  if (progress) progress->CloseProjectionPanel();
}

void CModelDat::AddInfluence(double** source, int nxS, int nyS, double wS, double xS, double yS,
                             double** target, int nxT, int nyT, double wT, double xT, double yT,
                             double h, int mirror) {
  const InfluenceGrid from{source, nxS, nyS, wS, xS, yS};
  const InfluenceGrid to{target, nxT, nyT, wT, xT, yT};
  AddInfluenceSeparable(from, h, mirror, elasticModulus, layerPlateFactor, to, progress, runClock);
}

}  // namespace kavrel
