// Remote displacements and strains: the Gaussian overburden response summed
// over element pairs in its separable form, the slope and strain derivation,
// the reports of a run's sum, and the two model operations that the run
// driver calls, which only pass the model's settings on.
#include "post/remote_displacement.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "model/model_dat.h"
#include "solver/influence_kernel.h"

namespace kavrel {

namespace {

// One axis of the separable Gaussian: table[(t - 1) * sourceCount + (s - 1)] =
// exp(-(target centre t - source centre s)^2 / spread), with, per target
// element t, the first and last source index whose entry is non-zero (an empty
// band has low > high).
struct AxisTable {
  std::vector<double> value;
  std::vector<int> low, high;  // indexed by t - 1
};

AxisTable BuildAxisTable(int targetCount, double targetWidth, double targetOrigin,
                         int sourceCount, double sourceWidth, double sourceOrigin,
                         double spread) {
  AxisTable table;
  table.value.assign(static_cast<std::size_t>(targetCount) * sourceCount, 0.0);
  table.low.assign(targetCount, 1);
  table.high.assign(targetCount, 0);
  for (int t = 1; t <= targetCount; ++t) {
    const double centre = (t - 0.5) * targetWidth + targetOrigin;
    double* row = table.value.data() + static_cast<std::size_t>(t - 1) * sourceCount - 1;
    int lo = sourceCount + 1, hi = 0;
    for (int s = 1; s <= sourceCount; ++s) {
      const double d = centre - ((s - 0.5) * sourceWidth + sourceOrigin);
      const double e = std::exp(-(d * d) / spread);
      row[s] = e;
      if (e != 0.0) {
        if (s < lo) lo = s;
        hi = s;
      }
    }
    if (hi > 0) {
      table.low[t - 1] = lo;
      table.high[t - 1] = hi;
    }
  }
  return table;
}

inline int Sign(double v) { return (v > 0.0) - (v < 0.0); }

// sign(k) * (-sign(d)) * sqrt(0.024 |k|), zero when either sign is zero.
inline double StrainFromCurvature(double curvature, double displacement) {
  const int s = Sign(curvature) * -Sign(displacement);
  if (s == 0) return 0.0;
  return s * std::sqrt(0.024 * std::fabs(curvature));
}

}  // namespace

RemoteGaussian RemoteGaussianFor(double sourceWidth, double plateFactor, double dz) {
  RemoteGaussian k;
  k.coefficient = sourceWidth * sourceWidth / (kEightPi * plateFactor * dz);
  k.spread = 4.0 * plateFactor * std::fabs(dz);
  return k;
}

void AddRemoteDisplacement(const double* const* source, int sourceNx, int sourceNy,
                           double sourceWidth, double sourceX0, double sourceY0,
                           double** target, int targetNx, int targetNy, double targetWidth,
                           double targetX0, double targetY0, const RemoteGaussian& kernel,
                           RemoteRowProgress* progress) {
  const bool work = sourceNy >= 1 && targetNx >= 1 && targetNy >= 1;
  AxisTable xTable, yTable;
  std::vector<double> rowSum;
  if (work) {
    // X table indexed by source row: for source row r, entry p is the factor
    // of target row p; the band bounds the rank-one update.
    xTable = BuildAxisTable(sourceNx, sourceWidth, sourceX0, targetNx, targetWidth, targetX0,
                            kernel.spread);
    yTable = BuildAxisTable(targetNy, targetWidth, targetY0, sourceNy, sourceWidth, sourceY0,
                            kernel.spread);
    rowSum.assign(targetNy, 0.0);
  }

  for (int r = 1; r <= sourceNx; ++r) {
    if (progress) progress->Start(r);
    if (work) {
      const double* src = source[r];
      // Reduction along Y: rowSum[q] = sum over c of source[r][c] * eY(q, c).
      bool anyNonZero = false;
      for (int q = 1; q <= targetNy; ++q) {
        const int lo = yTable.low[q - 1], hi = yTable.high[q - 1];
        const double* ey = yTable.value.data() + static_cast<std::size_t>(q - 1) * sourceNy - 1;
        double a0 = 0.0, a1 = 0.0, a2 = 0.0, a3 = 0.0;
        int c = lo;
        for (; c + 3 <= hi; c += 4) {
          a0 += src[c] * ey[c];
          a1 += src[c + 1] * ey[c + 1];
          a2 += src[c + 2] * ey[c + 2];
          a3 += src[c + 3] * ey[c + 3];
        }
        for (; c <= hi; ++c) a0 += src[c] * ey[c];
        const double sum = (a0 + a1) + (a2 + a3);
        rowSum[q - 1] = sum;
        if (sum != 0.0) anyNonZero = true;
      }
      // Rank-one update along X: target[p][q] += coefficient * eX(p, r) * rowSum[q].
      if (anyNonZero) {
        const int lo = xTable.low[r - 1], hi = xTable.high[r - 1];
        const double* ex = xTable.value.data() + static_cast<std::size_t>(r - 1) * targetNx - 1;
        const double* rs = rowSum.data();
        for (int p = lo; p <= hi; ++p) {
          const double f = kernel.coefficient * ex[p];
          double* t = target[p] + 1;
          for (int q = 0; q < targetNy; ++q) t[q] += f * rs[q];
        }
      }
    }
    if (progress) progress->Done(r);
  }
}

void ComputeRemoteStrains(int nx, int ny, const double* const* displacement, double lengthScale,
                          double width, double** xSlope, double** ySlope, double** xStrain,
                          double** yStrain) {
  const double* const* D = displacement;

  // Slopes along X, stored at the higher row; row 1 copies row 2.
  for (int i = 1; i <= nx - 1; ++i) {
    const double* d0 = D[i];
    const double* d1 = D[i + 1];
    double* out = xSlope[i + 1];
    for (int j = 1; j <= ny; ++j) out[j] = (d1[j] * lengthScale - d0[j] * lengthScale) / width;
  }
  if (nx >= 1)
    for (int j = 1; j <= ny; ++j) xSlope[1][j] = nx >= 2 ? xSlope[2][j] : 0.0;

  // Slopes along Y, stored at the higher column; column 1 copies column 2.
  for (int i = 1; i <= nx; ++i) {
    const double* d = D[i];
    double* out = ySlope[i];
    for (int j = 1; j <= ny - 1; ++j) out[j + 1] = (d[j + 1] * lengthScale - d[j] * lengthScale) / width;
    if (ny >= 1) out[1] = ny >= 2 ? out[2] : 0.0;
  }

  // X strains of the interior rows; the edge rows copy their neighbour.
  for (int i = 2; i <= nx - 1; ++i) {
    const double* s0 = xSlope[i];
    const double* s1 = xSlope[i + 1];
    const double* d = D[i];
    double* out = xStrain[i];
    for (int j = 1; j <= ny; ++j)
      out[j] = StrainFromCurvature((s1[j] - s0[j]) / width, d[j] * lengthScale);
  }
  if (nx >= 3) {
    for (int j = 1; j <= ny; ++j) {
      xStrain[1][j] = xStrain[2][j];
      xStrain[nx][j] = xStrain[nx - 1][j];
    }
  } else {
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) xStrain[i][j] = 0.0;
  }

  // Y strains of the interior columns; the edge columns copy their neighbour.
  for (int i = 1; i <= nx; ++i) {
    const double* s = ySlope[i];
    const double* d = D[i];
    double* out = yStrain[i];
    if (ny >= 3) {
      for (int j = 2; j <= ny - 1; ++j)
        out[j] = StrainFromCurvature((s[j + 1] - s[j]) / width, d[j] * lengthScale);
      out[1] = out[2];
      out[ny] = out[ny - 1];
    } else {
      for (int j = 1; j <= ny; ++j) out[j] = 0.0;
    }
  }
}

namespace {

// Progress of one remote displacement sum: the gridline before each source
// row, a console line every tenth row and the elapsed time after each row.
class RemoteProgress final : public RemoteRowProgress {
 public:
  RemoteProgress(const RemoteReports& reports, int rows) : reports_(reports), rows_(rows) {}
  void Start(int row) override { reports_.progress.ShowGridline(row, (100 * row) / rows_); }
  void Done(int row) override {
    if (row % 10 == 0) {
      char line[64];
      std::snprintf(line, sizeof line, "Calculating Remote Displacement for Row %i\n", row);
      reports_.messages.WriteDiagnostic(line);
    }
    reports_.progress.ShowElapsed(static_cast<long long>(std::time(nullptr)) -
                                  reports_.runClock);
  }

 private:
  const RemoteReports& reports_;
  int rows_;
};

}  // namespace

void SumRemoteDisplacement(const double* const* source, const GridPlacement& from,
                           const GridPlacement& to, double dz, int negate, double plateFactor,
                           const RemoteReports& reports, double** target) {
  RemoteGaussian kernel = RemoteGaussianFor(from.width, plateFactor, dz);
  // An image source acts with reversed sign; folding that into the
  // coefficient leaves the source grid untouched.
  if (negate == 1) kernel.coefficient = -kernel.coefficient;

  RemoteProgress rows(reports, from.nx);
  const bool defined = std::isfinite(kernel.coefficient) && std::isfinite(kernel.spread) &&
                       kernel.spread > 0.0;
  if (defined) {
    AddRemoteDisplacement(source, from.nx, from.ny, from.width, from.x0, from.y0, target, to.nx,
                          to.ny, to.width, to.x0, to.y0, kernel, &rows);
  } else {
    // Planes at the same elevation (or no overburden length) have no finite
    // Gaussian; the pair contributes nothing rather than filling the target
    // with infinities.
    reports.messages.WriteDiagnostic(
        "Remote displacement skipped: zero distance between the planes\n");
  }
  reports.messages.WriteDiagnostic("\n");
  reports.progress.CloseProjectionPanel();
}

void ComputeRemoteStrainsInUnits(int unitSystem, int nx, int ny,
                                 const double* const* displacement, double width,
                                 double** xSlope, double** ySlope, double** xStrain,
                                 double** yStrain) {
  // Inch-based models form their slopes and curvatures in metres; the width
  // uses 0.0254 at single precision.
  const bool inches = unitSystem == 0 || unitSystem == 1;
  const double scale = inches ? 0.0254 : 1.0;
  const double metricWidth = inches ? width * static_cast<double>(0.0254f) : width;
  ComputeRemoteStrains(nx, ny, displacement, scale, metricWidth, xSlope, ySlope, xStrain,
                       yStrain);
}

// ---- the model's operations ------------------------------------------------------

void CModelDat::RemoteDisplacement(double** source, int sourceNx, int sourceNy,
                                   double sourceWidth, double sourceX0, double sourceY0,
                                   double** target, int targetNx, int targetNy,
                                   double targetWidth, double targetX0, double targetY0,
                                   double dz, int negate) {
  const GridPlacement from{sourceNx, sourceNy, sourceWidth, sourceX0, sourceY0};
  const GridPlacement to{targetNx, targetNy, targetWidth, targetX0, targetY0};
  SumRemoteDisplacement(source, from, to, dz, negate, layerPlateFactor,
                        RemoteReports{*progress, *messages, runClock}, target);
}

void CModelDat::RemoteStrains(int gridNx, int gridNy, double** displacement, double width,
                              double** xSlope, double** ySlope, double** xStrain,
                              double** yStrain) {
  ComputeRemoteStrainsInUnits(unitSystem, gridNx, gridNy, displacement, width, xSlope, ySlope,
                              xStrain, yStrain);
}

}  // namespace kavrel
