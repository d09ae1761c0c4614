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

// The stress pass alone with the resolved laws: totalStress from u.
void ResolvedElementStress(const SeamSweepPlan& plan, double** u, double** totalStress,
                           MessageSink& sink);

}  // namespace kavrel
