// Explicit, read-only views of what the numerical routines read: the model's
// materials and one seam's grids at one step. A routine that takes these
// instead of the model record states its inputs in its signature and can be
// called, tested and run on another thread without a model at all.
#pragma once

namespace kavrel {

// The in-seam materials, indexed by material 0..51 (model/material_codes.h).
// Units are internal (psi or pascals); props[m][0..4] as read from the input.
struct MaterialTable {
  int count = 0;                       // materials defined, 'A' onwards
  const int* type = nullptr;           // [52], types 1..6
  const double (*props)[5] = nullptr;  // [52][5]
  double rockModulus = 0;              // host rock modulus, for the contact law
};

// One seam of one step. Grids are indexed [1..nx][1..ny]; the convergence
// also carries its ghost border 0..nx+1 by 0..ny+1. Convergence is positive
// for closure (inches or metres), stress positive in compression.
struct SeamView {
  int nx = 0, ny = 0;
  double elementWidth = 0;
  double thickness = 0;
  const double* const* convergence = nullptr;
  const double* const* totalStress = nullptr;
  const char* const* codes = nullptr;
};

}  // namespace kavrel
