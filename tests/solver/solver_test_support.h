// Helpers shared by the numerical-core tests: one seam's arrays allocated as
// the run allocates them, and a solve case (materials, solver settings and
// recording sinks) set up by hand, with no model record and no input file.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <random>

#include "core/run_log.h"
#include "model/seam_view.h"
#include "numeric/indexed_arrays.h"
#include "solver/sor_solver.h"
#include "support/recording_sinks.h"

namespace kavrel::testing_support {

// One seam with its arrays, allocated as the run allocates them: convergence
// with a zero ghost border, applied stresses zero, codes all `fill`.
struct SeamArrays {
  int nx, ny;
  DMatrix u, stress, overburden, surface, interseam, precalculated;
  CMatrix codes;
  SeamArrays(int nxIn, int nyIn, char fill = 'A')
      : nx(nxIn), ny(nyIn),
        u(0, nxIn + 1, 0, nyIn + 1), stress(1, nxIn, 1, nyIn), overburden(1, nxIn, 1, nyIn),
        surface(1, nxIn, 1, nyIn), interseam(1, nxIn, 1, nyIn), precalculated(1, nxIn, 1, nyIn),
        codes(1, nxIn, 1, nyIn) {
    u.Fill(0.0);
    stress.Fill(0.0);
    overburden.Fill(0.0);
    surface.Fill(0.0);
    interseam.Fill(0.0);
    precalculated.Fill(0.0);
    codes.Fill(fill);
  }
  SeamSolveArrays Solve(double thickness) {
    return SeamSolveArrays{nx, ny, thickness, u, stress, codes, overburden, surface, interseam,
                           precalculated};
  }
};

// Materials, solver settings and sinks of one hand-made seam solve. By
// default one elastic coal 'A' of modulus 400000 psi under E = 3e6 psi,
// lambda = 30, d = 10 in, omega = 1.8, four symmetry edges.
struct SolveCase {
  int materialCount = 1;
  int materialType[52] = {1};
  double materialProps[52][5] = {{400000.0, 160000.0}};
  SorSettings settings{1.8, 1.0e-9, 200000, 3.0e6, 30.0, 10.0, SeamEdges{1, 1, 1, 1}};
  RecordingProgress progress;
  RecordingMessages messages;

  explicit SolveCase(double coalModulus = 400000.0) {
    materialProps[0][0] = coalModulus;
    materialProps[0][1] = coalModulus / 2.5;
  }
  void SetMaterial(int k, int type, std::initializer_list<double> props) {
    materialType[k] = type;
    int p = 0;
    for (const double v : props) materialProps[k][p++] = v;
  }
  MaterialTable Materials() const {
    return MaterialTable{materialCount, materialType, materialProps, settings.elasticModulus};
  }
};

// Solves `a` with the case's settings (the fault window only when `fault`).
inline SeamSolveResult Solve(SolveCase& c, SeamArrays& a, double thickness,
                             RunLog* log = nullptr, bool fault = false) {
  RunLog noLog;
  SorSettings settings = c.settings;
  settings.fault = fault;
  return SolveSeamSor(settings, c.Materials(), a.Solve(thickness),
                      SolveReporting{c.progress, c.messages, log ? *log : noLog, 0, 1});
}

// A seam of mixed materials (all six laws and openings, one of them in
// contact) under random loads, with the edges, fault window and applied
// stresses the case names: the input of the bit-for-bit checks of the fast
// sweeps.
struct MixedCase {
  int nx, ny;
  bool fault;
  int alongY, x1, x2, y1, y2;
  int bcN, bcE, bcS, bcW;
  bool surface, interseam, precalculated;
  double omega;
};

void FillMixedModel(SolveCase& m, SeamArrays& s, const MixedCase& c, unsigned seed) {
  m.materialCount = 7;
  const double props[7][5] = {{4e5, 1.6e5, 0, 0, 0},        {1500, 0.004, 300, 0.02, 0.3},
                              {1500, 0.004, 2000, 0.3, 0},  {200, 0.05, 3000, 1.5, 0.3},
                              {800, 6000, 2500, 2.0, 0.3},  {900, 400, 2.5, 0, 0},
                              {700, 700, 2500, 1.0, 0.3}};  // type 5 with equal moduli
  const int types[7] = {1, 2, 3, 4, 5, 6, 5};
  for (int k = 0; k < 7; ++k) {
    m.materialType[k] = types[k];
    for (int p = 0; p < 5; ++p) m.materialProps[k][p] = props[k][p];
  }
  m.settings.overRelaxation = c.omega;
  m.settings.stressConvergence = 1e-7;
  m.settings.edges = SeamEdges{c.bcN, c.bcE, c.bcS, c.bcW};
  m.settings.faultAlongY = c.alongY;
  m.settings.faultX1 = c.x1; m.settings.faultX2 = c.x2; m.settings.faultY1 = c.y1; m.settings.faultY2 = c.y2;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pick(0, 8);
  std::uniform_real_distribution<double> load(800.0, 1200.0), small(-50.0, 50.0);
  const char codes[9] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', '1', '1'};
  for (int i = 1; i <= c.nx; ++i)
    for (int j = 1; j <= c.ny; ++j) {
      s.codes[i][j] = codes[pick(rng)];
      s.overburden[i][j] = load(rng);
      if (c.surface) s.surface[i][j] = small(rng);
      if (c.interseam) s.interseam[i][j] = small(rng);
      if (c.precalculated) s.precalculated[i][j] = small(rng);
    }
  // A mined-out element already closed beyond the seam thickness: contact.
  const int ci = std::max(1, c.nx / 2), cj = std::max(1, c.ny / 2);
  s.u[ci][cj] = 80.0;
  s.codes[ci][cj] = '1';
}

}  // namespace kavrel::testing_support
