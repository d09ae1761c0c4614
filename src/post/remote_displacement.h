// Remote displacements: the vertical ground movement that the convergence of
// one seam induces on another horizontal plane (another seam, the seam itself
// seen through its mirror image, or an off-seam grid), and the slopes and
// horizontal strains derived from it.
//
// The overburden response is a Gaussian: a source element of width w and
// convergence u at vertical distance dz from the target plane moves a target
// point at horizontal distance d by
//     u * w^2 / (8 pi m dz) * exp(-d^2 / (4 m |dz|))
// with m the characteristic length of the layered overburden. dz is signed
// (source elevation minus target elevation), so the sign of the movement
// follows which side of the source the target lies on.
//
// Grids are index-ranged matrices [1..n][1..n'] whose origin is the outer
// corner of element (1, 1): element (i, j) has its centre at
// (x0 + (i - 0.5) w, y0 + (j - 0.5) w).
#pragma once

#include "core/message_sink.h"
#include "core/progress_sink.h"

namespace kavrel {

// Coefficient and spread of the Gaussian for one pair of planes:
// coefficient = w^2 / (8 pi m dz), spread = 4 m |dz|.
struct RemoteGaussian {
  double coefficient = 0;
  double spread = 0;
};
RemoteGaussian RemoteGaussianFor(double sourceWidth, double plateFactor, double dz);

// Progress hooks of a sum, called once before and once after each source row.
class RemoteRowProgress {
 public:
  virtual ~RemoteRowProgress() = default;
  virtual void Start(int row) = 0;
  virtual void Done(int row) = 0;
};

// Adds coefficient * exp(-r^2 / spread) * source[r][c] over every source and
// target element pair into target[1..targetNx][1..targetNy].
//
// The exponential factorises into an X factor and a Y factor, so the sum is
// done as, per source row, a reduction along Y against a Y table followed by
// a rank-one update along X with an X table: O(nx ny (nx + ny)) work and no
// exponential inside the loops. Table entries that underflow to zero bound
// the loops, so far-apart grids cost little. `progress` may be null.
void AddRemoteDisplacement(const double* const* source, int sourceNx, int sourceNy,
                           double sourceWidth, double sourceX0, double sourceY0,
                           double** target, int targetNx, int targetNy, double targetWidth,
                           double targetX0, double targetY0, const RemoteGaussian& kernel,
                           RemoteRowProgress* progress = nullptr);

// Slopes and strains of a displacement grid D[1..nx][1..ny].
//
// Every D value is multiplied by `lengthScale` as it is read (0.0254 turns
// inches into metres; D itself is never written), and differences are divided
// by `width`, which the caller gives in the same metric units. Slopes are
// backward differences stored at the higher index, the first row/column a
// copy of the second. The strain of an interior element is
//     sign(k) * (-sign(D)) * sqrt(0.024 |k|)
// with k the difference of the slopes divided by the width (the curvature) and
// sign(0) = 0; the edge rows/columns copy their inner neighbour. A grid with
// fewer than two elements along an axis has zero slope along it; fewer than
// three, zero strain.
void ComputeRemoteStrains(int nx, int ny, const double* const* displacement, double lengthScale,
                          double width, double** xSlope, double** ySlope, double** xStrain,
                          double** yStrain);

// Where a grid of square elements lies: nx x ny elements of `width`, the
// outer corner of element (1, 1) at (x0, y0).
struct GridPlacement {
  int nx = 0, ny = 0;
  double width = 0;
  double x0 = 0, y0 = 0;
};

// The sinks a run's remote displacement sum reports to, and the calendar
// second the run started at (for the elapsed-time reports).
struct RemoteReports {
  ProgressSink& progress;
  MessageSink& messages;
  long long runClock = 0;
};

// Adds to target [1..to.nx][1..to.ny] the displacement that `source`
// [1..from.nx][1..from.ny] induces at signed vertical distance dz (source
// elevation minus target elevation) through an overburden of characteristic
// length plateFactor; negate = 1 makes the source act with reversed sign (an
// image seam). Reports every source row (ShowGridline, then ShowElapsed with
// the seconds since runClock), writes "Calculating Remote Displacement for
// Row %i\n" after every tenth row and "\n" at the end, then closes the
// projection panel. A pair with no finite Gaussian (dz = 0) adds nothing and
// says so on standard output.
void SumRemoteDisplacement(const double* const* source, const GridPlacement& from,
                           const GridPlacement& to, double dz, int negate, double plateFactor,
                           const RemoteReports& reports, double** target);

// ComputeRemoteStrains in the units of `unitSystem`: inch-based systems (0
// and 1) form slopes and curvatures in metres, with the width converted by
// 0.0254 at single precision; metric systems (2, 3) use the values as they are.
void ComputeRemoteStrainsInUnits(int unitSystem, int nx, int ny,
                                 const double* const* displacement, double width,
                                 double** xSlope, double** ySlope, double** xStrain,
                                 double** yStrain);

}  // namespace kavrel
