// Building blocks of the SOR seam solve, exposed so that one sweep can be
// measured and checked on its own. CModelDat::SolveSeam and
// SolveSeamWithFault (sor_solver.cpp) drive them.
//
// A sweep updates the convergence u[1..nx][1..ny] in place, X outer and Y
// inner (Gauss-Seidel order, neighbours i-1 and j-1 already new), reading the
// ghost border that the boundary copy has filled. When the plan carries the
// resolved law of every element, the sweep also writes totalStress[i][j] from
// the convergence it finds at (i, j) just before updating it, which is the
// convergence at the start of the sweep: the stresses come out exactly as a
// separate stress pass before the sweep would give them.
#pragma once

#include <memory>
#include <vector>

#include "solver/material_laws.h"

namespace kavrel {

class MessageSink;

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
};

// Largest change of one sweep: signed value and its element. The caller sets
// maxChange before the sweep; the location is kept from earlier sweeps when
// no element beats the starting value.
struct SweepOutcome {
  double maxChange = 0;
  int iMax = 0, jMax = 0;
};

// Parallel sweeps. Rows are dealt round-robin to the team's threads (the
// calling thread is one of them) and run as a wavefront: row i works on a
// block of columns only after row i-1 has finished those columns, so every
// element reads exactly the values the one-thread sweep would give it and the
// results are the same to the last bit for any thread count. The largest
// change is kept per row and combined in row order; mined-out contact
// diagnostics are gathered per row and written in scan order after the sweep.
class SweepTeam {
 public:
  // Buffers sized for plan.nx x plan.ny; starts threads - 1 worker threads.
  // Throws std::system_error when a thread cannot be started.
  SweepTeam(const SeamSweepPlan& plan, int threads);
  ~SweepTeam();
  SweepTeam(const SweepTeam&) = delete;
  SweepTeam& operator=(const SweepTeam&) = delete;
  int Threads() const;

  struct State;

 private:
  friend void SorSweep(const SeamSweepPlan&, double**, double**, SweepOutcome&, MessageSink&,
                       SweepTeam*);
  void Stop();
  std::unique_ptr<State> state_;
};

// Threads a seam solve uses: the environment variable KAVREL_THREADS when it
// holds a whole number >= 1 (1 = one thread), otherwise the hardware's
// thread count capped at 8. The environment is read once per process.
int SorThreadCount();

// Overrides the thread count and the number of elements from which a seam is
// swept in parallel (default 40000), for tests and benchmarks; a value <= 0
// restores that default. A solve with a team times its sweeps and uses the
// team only while it is the faster way (the results are the same either
// way); timed = false makes it use the team for every sweep.
void SetSorThreading(int threads, long minElements, bool timed = true);

// The team a solve of an nx x ny seam should use under the current settings,
// or null for the one-thread sweep (small seam, one thread, or no thread
// could be started).
std::unique_ptr<SweepTeam> MakeSweepTeam(const SeamSweepPlan& plan);

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
void SorSweep(const SeamSweepPlan& plan, double** u, double** totalStress, SweepOutcome& outcome,
              MessageSink& sink);

// The same sweep run by `team` (made for this plan's grid); a null team runs
// it on the calling thread.
void SorSweep(const SeamSweepPlan& plan, double** u, double** totalStress, SweepOutcome& outcome,
              MessageSink& sink, SweepTeam* team);

// The stress pass alone with the resolved laws: totalStress from u.
void ResolvedElementStress(const SeamSweepPlan& plan, double** u, double** totalStress,
                           MessageSink& sink);

}  // namespace kavrel
