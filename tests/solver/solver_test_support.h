// Helpers shared by the numerical-core tests: one seam's arrays allocated as
// the run allocates them, and a solve case (materials, solver settings and
// recording sinks) set up by hand, with no model record and no input file.
#pragma once

#include <initializer_list>

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

}  // namespace kavrel::testing_support
