// The influence kernel: the vertical stress that a grid of convergences on
// one horizontal plane induces on a grid of another plane at vertical
// distance h of the layered overburden. Each source element (i, j) with
// convergence v adds, at the centre of every target element (k, l) within a
// square window about 4|h| wide on each side of it,
//   v r (rho - 1) exp(-rho),  rho = (dx^2 + dy^2) / D,
//   r = E wS^2 / (lambda 8 pi h^2),  D = 4 lambda |h|,
// where dx, dy run from the source centre to the target centre. Stress is
// positive in compression, so a closing element relieves the plane right
// above it (rho < 1) and loads it further away.
//
// The window is the product of an X range that depends only on the source row
// and a Y range that depends only on the source column, and exp(-rho) and
// (rho - 1) split into X and Y factors, so the sum is applied as two passes
// with per-axis tables of exponentials: O(sources x window), no exponential
// in the inner loop. Results agree with the direct double sum to rounding.
#pragma once

namespace kavrel {

// 8 pi, shared with the Gaussian of the remote displacements.
constexpr double kEightPi = 25.132741228718345;

class ProgressSink;
class ThreadLender;

// A grid of values [1..nx][1..ny] with element width and the X, Y of its
// origin (the outer corner of element (1, 1)).
struct InfluenceGrid {
  double** values = nullptr;
  int nx = 0, ny = 0;
  double width = 0;
  double x0 = 0, y0 = 0;
};

// Inclusive range of target indices reached from a source index: the window
// rounding of the kernel. An empty range has first > last and stays within
// [0..n+1]. `position` is the source centre in target index units plus 0.5
// and `halfWidth` the window half-width in target elements.
struct IndexRange {
  int first, last;
};
IndexRange InfluenceWindow(double position, double halfWidth, int n);

// Adds to target.values the stress induced by source.values at vertical
// distance h (its sign is irrelevant). mirror = 1 makes the source act with
// reversed sign (an image source); the source grid is never modified.
// rockModulus is E, plateFactor lambda. h = 0 (coplanar grids) has no defined
// influence and adds nothing. When `progress` is given, the kernel reports
// every source row (ShowGridline, then ShowElapsed with the seconds since
// runClock after the row) inside OpenProjectionPanel/CloseProjectionPanel.
// With a `lender`, the target columns are split into ranges summed on the
// threads it can spare, with the bits of the whole sum.
void AddInfluenceSeparable(const InfluenceGrid& source, double h, int mirror, double rockModulus,
                           double plateFactor, const InfluenceGrid& target,
                           ProgressSink* progress = nullptr, long long runClock = 0,
                           ThreadLender* lender = nullptr);

}  // namespace kavrel
