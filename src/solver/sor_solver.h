// The SOR seam solve as a free function over one seam's arrays, and its
// building blocks, exposed so that one sweep can be measured and checked on
// its own. CModelDat::SolveSeam and SolveSeamWithFault forward to SolveSeamSor.
//
// A sweep updates the convergence u[1..nx][1..ny] in place, X outer and Y
// inner (Gauss-Seidel order, neighbours i-1 and j-1 already new), reading the
// ghost border that the boundary copy has filled. When the plan carries the
// resolved law of every element, the sweep also writes totalStress[i][j] from
// the convergence it finds at (i, j) just before updating it, which is the
// convergence at the start of the sweep: the stresses come out exactly as a
// separate stress pass before the sweep would give them.
#pragma once

#include <cstddef>
#include <vector>

#include "model/seam_view.h"
#include "solver/material_laws.h"
#include "solver/row_bands.h"

namespace kavrel {

class CModelDat;
class MessageSink;
class ProgressSink;
class RunLog;

// Slot of an element in SeamSweepPlan::laws: the material index 0..51, or
// kMinedOutSlot for an opening.
constexpr int kMinedOutSlot = 52;

struct SeamSweepPlan {
  int nx = 0, ny = 0;
  double thickness = 1;
  // Relaxation constants: K = omega / 4, R = 1 - omega,
  // C = (2 / (lambda E)) (d^2 K).
  double K = 0, R = 0, C = 0;

  // Per-element laws; valid only when lawsResolved.
  bool lawsResolved = false;
  ResolvedLaw laws[kMinedOutSlot + 1];
  std::vector<unsigned char> slots;  // element (i, j) at (i - 1) * ny + (j - 1)

  // Applied stresses [1..nx][1..ny], subtracted in this order. An array whose
  // every value is +0.0 is flagged unused: subtracting +0.0 changes no bit.
  double** overburden = nullptr;
  double** surface = nullptr;
  double** interseam = nullptr;
  double** precalculated = nullptr;
  bool useOverburden = true, useSurface = true, useInterseam = true, usePrecalculated = true;

  // Fault window (inclusive grid indices); see SolveSeamWithFault.
  bool fault = false;
  int faultAlongY = 0;
  int faultX1 = 0, faultX2 = 0, faultY1 = 0, faultY2 = 0;

  // Work space of the wavefront sweep, built at its first sweep from the
  // slots and reused by every later one: the columns of each row grouped by
  // law (lawOrder, ascending within a law; row i's runs are
  // lawRuns[rowRuns[i - 1] .. rowRuns[i]]), and kWaveRows rows of ny + 2
  // values (see there).
  struct LawRun {
    int slot;
    int count;
  };
  mutable std::vector<int> lawOrder;
  mutable std::vector<LawRun> lawRuns;
  mutable std::vector<std::size_t> rowRuns;
  // Rows whose laws come in long stretches (a layout of blocks) are taken
  // stretch by stretch instead: row i's stretches (slot, first j, count) are
  // stretches[rowStretches[i - 1] .. rowStretches[i]], empty for the others.
  struct LawStretch {
    int slot;
    int first;
    int count;
  };
  mutable std::vector<LawStretch> stretches;
  mutable std::vector<std::size_t> rowStretches;
  mutable std::vector<double> wave;
};

// Rows the fast sweep advances together on a skewed wavefront.
constexpr int kRowsInFlight = 8;
// Rows of ny + 2 values in the wavefront's work space: old * R and C *
// applied for each row in flight, and the strains of the row in its stress
// pass.
constexpr int kWaveRows = 2 * kRowsInFlight + 1;

// Largest change of one sweep: signed value and its element. The caller sets
// maxChange before the sweep; the location is kept from earlier sweeps when
// no element beats the starting value.
struct SweepOutcome {
  double maxChange = 0;
  int iMax = 0, jMax = 0;
};

// Resolves the law of every element of `codes` [1..nx][1..ny]. Succeeds only
// when every code is a letter naming a defined material of type 1..6 or the
// mined-out '1'; otherwise returns false and the caller must use the plain
// element-stress routine, which reports the bad element as it should.
bool ResolveSeamLaws(const int materialType[52], const double materialProps[52][5],
                     int materialCount, double rockModulus, char** codes, int nx, int ny,
                     ResolvedLaw laws[kMinedOutSlot + 1], std::vector<unsigned char>& slots);

// True when every value of a[1..nx][1..ny] is +0.0.
bool IsPositiveZero(double** a, int nx, int ny);

// One SOR sweep (with the fused stress pass when plan.lawsResolved; otherwise
// totalStress must already hold the stresses of the sweep's start).
// Diagnostics of mined-out contact go to `sink`.
//
// With resolved laws, rows outside the fault window go kRowsInFlight at a
// time on a skewed wavefront: row i + r updates column j - r while row i
// updates column j, so every element still sees exactly the neighbours the
// one-row order gives it (the row above and the element to its left already
// new, the others old) and gets the same operations in the same order; the
// several independent chains keep the core busy where one row waits on the
// latency of its own. The stresses, the contact reports and the largest
// change come out as the one-row sweep gives them.
void SorSweep(const SeamSweepPlan& plan, double** u, double** totalStress, SweepOutcome& outcome,
              MessageSink& sink);

// The same sweep one row at a time, element after element: the reference
// order of work that SorSweep must reproduce bit for bit.
void SorSweepOneRow(const SeamSweepPlan& plan, double** u, double** totalStress,
                    SweepOutcome& outcome, MessageSink& sink);

// Part of one sweep for a band of rows (see row_bands.h): rows iFirst ..
// iLast on the wavefront, with the band's own work space `wave` (kWaveRows *
// (ny + 2) values; null takes the plan's). The band calls
// `beforeLastRows` before it touches the group that holds iLast (the one
// that reads row iLast + 1), and `firstRowsDone` once the group that holds
// iFirst (the one that reads row iFirst - 1) is new.
struct SweepRows {
  int iFirst = 1, iLast = 0;
  double* wave = nullptr;
  void* context = nullptr;
  void (*firstRowsDone)(void* context) = nullptr;
  bool (*beforeLastRows)(void* context) = nullptr;  // false abandons the sweep
};

// Builds the plan's wavefront work space (SorSweep does it at its first
// call); bands of one solve share it read-only afterwards.
void PrepareWavefront(const SeamSweepPlan& plan);

// SorSweep over `rows` only (plan.lawsResolved, PrepareWavefront done).
// Returns false when rows.beforeLastRows abandoned the sweep; the rows are
// then partly updated.
[[nodiscard]] bool SorSweepRows(const SeamSweepPlan& plan, double** u, double** totalStress,
                                SweepOutcome& outcome, MessageSink& sink, const SweepRows& rows);

// The stress pass alone with the resolved laws: totalStress from u.
void ResolvedElementStress(const SeamSweepPlan& plan, double** u, double** totalStress,
                           MessageSink& sink);

// Edges of the seam grid: 1 = symmetry (the edge row or column is mirrored
// into the ghost border), anything else fixed (the ghost border is left as it
// is, zero after allocation).
struct SeamEdges {
  int north = 0, east = 0, south = 0, west = 0;
};

// Fills the ghost border of u[0..nx+1][0..ny+1] for the symmetry edges. The
// order matters at the corners: east and west run last over the full range.
void ApplySeamEdges(const SeamEdges& edges, int nx, int ny, double** u);

// The same for rows first .. last of u only (0 and nx + 1 being the ghost
// rows, whose rows of ghosts come with them): the whole copy restricted to
// those rows, in its order, so that bands of rows that each fill their own
// leave the border exactly as the whole copy does.
void ApplySeamEdgesToRows(const SeamEdges& edges, int nx, int ny, int first, int last,
                          double** u);

// The plain stress pass: stress[1..nx][1..ny] from the convergence by each
// element's law. A code that names no defined material ends the run
// (messages ES1, ES2, ES5, FatalExit); a foreign character is announced with
// "Error in converting character code to an integer" first. Mined-out
// elements in contact are reported to `messages` in X-outer, Y-inner order.
void ElementStress(const MaterialTable& materials, int nx, int ny, double thickness,
                   const double* const* u, const char* const* codes, double** stress,
                   MessageSink& messages);

// What the input fixes for every seam solve of a run.
struct SorSettings {
  double overRelaxation = 1;
  double stressConvergence = 0;  // stop when |largest change| <= this
  int maxIterations = 0;         // the sweep that reaches it ends the run (SOR1)
  double elasticModulus = 0;     // host rock E
  double plateFactor = 0;        // lambda
  double elementWidth = 0;       // d
  SeamEdges edges;
  // Fault window (inclusive grid indices) for SolveSeamWithFault.
  bool fault = false;
  int faultAlongY = 0;
  int faultX1 = 0, faultX2 = 0, faultY1 = 0, faultY2 = 0;
};

// The settings of a model's input; the fault window only when `withFault`.
SorSettings SorSettingsOf(const CModelDat& m, bool withFault);

// The arrays of one seam's solve. The convergence is updated in place, the
// total stress overwritten; the applied stresses are read only.
struct SeamSolveArrays {
  int nx = 0, ny = 0;
  double thickness = 1;
  double** convergence = nullptr;  // [0..nx+1][0..ny+1]
  double** totalStress = nullptr;  // [1..nx][1..ny]
  char** codes = nullptr;          // [1..nx][1..ny]
  double** overburden = nullptr;
  double** surface = nullptr;
  double** interseam = nullptr;
  double** precalculated = nullptr;
};

// Where a solve reports: the solver panel and the every-100-sweeps lines.
// `seam` only names the seam in the SOR2 diagnostic; `runClock` is the
// calendar second the run started, for the elapsed time shown.
struct SolveReporting {
  ProgressSink& progress;
  MessageSink& messages;
  RunLog& log;
  long long runClock = 0;
  int seam = 1;
};

// What one solve did: the sweeps run, the final signed largest change and the
// element where it last rose (X index i, Y index j).
struct SeamSolveResult {
  int sweeps = 0;
  double maxChange = 0;
  int iMax = 0, jMax = 0;
};

// The sweep plan of a solve: its constants, applied stresses and fault
// window. PrepareSeamSweep then resolves the laws of the codes and flags the
// applied-stress arrays that are zero throughout; the solve does that at its
// first sweep, where the first stress pass would meet a bad code.
[[nodiscard]] SeamSweepPlan PlanSeamSweep(const SorSettings& settings,
                                          const SeamSolveArrays& arrays);
void PrepareSeamSweep(const MaterialTable& materials, const SeamSolveArrays& arrays,
                      SeamSweepPlan& plan);

// Solves the seam in place until the largest change of a sweep is within
// settings.stressConvergence, then leaves the stresses of the converged
// convergence in arrays.totalStress. Reaching maxIterations (SOR1) or a
// non-finite convergence (SOR2) ends the run with FatalExit(1) after its
// messages; the arrays then hold the state of the failing sweep.
//
// With `bands`, the solve asks for threads after its first sweep and every
// bands.askEvery sweeps after that until it gets them, and then goes on in row
// bands (row_bands.h) with the same result, reports and log lines.
[[nodiscard]] SeamSolveResult SolveSeamSor(const SorSettings& settings,
                                           const MaterialTable& materials,
                                           const SeamSolveArrays& arrays,
                                           const SolveReporting& report,
                                           const RowBands& bands = {});

// After sweep n: the every-100-sweeps progress and log lines, and the end of
// the run at the sweep limit (SOR1, FatalExit(1)).
void ReportSweep(int n, const SweepOutcome& outcome, const SorSettings& settings,
                 const SolveReporting& report);

// Goes on with a solve from sweep n (the sweeps before judged to go on, their
// last largest change in `outcome`) in row bands on threads borrowed from
// policy.lender, up to the sweep that converges, reporting as SolveSeamSor
// does; n and outcome are then as after that sweep. Returns false, having
// changed nothing, when the seam is too small or no thread is free.
[[nodiscard]] bool ContinueInBands(const SeamSweepPlan& plan, const SorSettings& settings,
                                   const SeamSolveArrays& arrays, const SolveReporting& report,
                                   const RowBands& policy, int& n, SweepOutcome& outcome);

}  // namespace kavrel
