// The SOR seam solve written out literally, one step after the other, with
// the plain element-stress pass and the boundary copy before every sweep: the
// oracle that the solver's fused sweep must match bit for bit.
#pragma once

#include <cmath>
#include <cstdio>

#include "core/fatal_exit.h"
#include "solver/solver_test_support.h"

namespace kavrel::testing_support {

inline SeamSolveResult LiteralSolveSeam(SolveCase& c, bool withFault, SeamArrays& a,
                                        double thickness, std::FILE* log) {
  const SorSettings& s = c.settings;
  const int nx = a.nx, ny = a.ny;
  double** u = a.u;
  double** totalStress = a.stress;
  double** ob = a.overburden;
  double** se = a.surface;
  double** is = a.interseam;
  double** pc = a.precalculated;
  const double d = s.elementWidth;
  const double K = s.overRelaxation * 0.25;
  const double R = 1 - s.overRelaxation;
  const double C = (2.0 / (s.plateFactor * s.elasticModulus)) * (d * d * K);
  c.progress.OpenSolverPanel();
  int n = 1;
  double maxChange = s.stressConvergence + 1;
  int iMax = 0, jMax = 0;
  if (s.maxIterations >= 1) {
    for (;;) {
      maxChange = 0;
      ElementStress(c.Materials(), nx, ny, thickness, u, a.codes, totalStress, c.messages);
      ApplySeamEdges(s.edges, nx, ny, u);
      for (int i = 1; i <= nx; ++i) {
        for (int j = 1; j <= ny; ++j) {
          const double old = u[i][j];
          double sum;
          if (withFault && s.faultX1 <= i && i <= s.faultX2 && s.faultY1 <= j &&
              j <= s.faultY2) {
            double east = u[i + 1][j], west = u[i - 1][j], south = u[i][j - 1],
                   north = u[i][j + 1];
            if (s.faultAlongY == 0) {
              if (j == s.faultY1) north = old;
              else south = old;
            } else {
              if (i == s.faultX1) east = old;
              else west = old;
            }
            sum = east + west + south + north;
          } else {
            sum = u[i - 1][j] + u[i + 1][j] + u[i][j - 1] + u[i][j + 1];
          }
          const double updated =
              sum * K + old * R -
              C * (totalStress[i][j] - ob[i][j] - se[i][j] - is[i][j] - pc[i][j]);
          u[i][j] = updated;
          const double change = updated - old;
          if (std::fabs(change) > std::fabs(maxChange)) {
            maxChange = change;
            iMax = i;
            jMax = j;
          }
        }
      }
      if (n % 100 == 0) {
        c.progress.ShowIteration(n, static_cast<float>(maxChange));
        if (log) {
          std::fprintf(log, "iteration number = %i, maximum displacement = %13.9lg\n", n,
                       maxChange);
          std::fprintf(log, "X grid location = %i, Y grid location = %i\n\n", iMax, jMax);
        }
      }
      if (n == s.maxIterations) {
        c.messages.ShowMessage("Maximum Number of Iterations Reached - SOR1");
        throw FatalExit(1);
      }
      ++n;
      if (!(std::fabs(maxChange) > s.stressConvergence && n <= s.maxIterations)) break;
    }
  }
  c.progress.ShowIteration(n, static_cast<float>(maxChange));
  c.progress.CloseSolverPanel();
  ElementStress(c.Materials(), nx, ny, thickness, u, a.codes, totalStress, c.messages);
  return SeamSolveResult{n - 1, maxChange, iMax, jMax};
}

}  // namespace kavrel::testing_support
