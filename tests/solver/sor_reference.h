// The SOR seam solve written out literally, one step after the other, with
// the model's own element-stress pass before every sweep: the oracle that the
// solver's fused sweep must match bit for bit.
#pragma once

#include <cmath>
#include <cstdio>

#include "core/fatal_exit.h"
#include "model/model_dat.h"

namespace kavrel::testing_support {

inline int LiteralSolveSeam(CModelDat& m, bool withFault, double** u, char** codes, int s,
                            int nx, int ny, double d, double thickness, double** totalStress,
                            double** ob, double** se, double** is, double** pc, std::FILE* log) {
  const double K = m.overRelaxation * 0.25;
  const double R = 1 - m.overRelaxation;
  const double C = (2.0 / (m.layerPlateFactor * m.elasticModulus)) * (d * d * K);
  m.progress->OpenSolverPanel();
  int n = 1;
  double maxChange = m.stressConvergence + 1;
  int iMax = 0, jMax = 0;
  if (m.maxIterations >= 1) {
    for (;;) {
      maxChange = 0;
      m.ElementStress(u, totalStress, codes, thickness);
      m.ApplyBoundaryConditions(u);
      for (int i = 1; i <= nx; ++i) {
        for (int j = 1; j <= ny; ++j) {
          const double old = u[i][j];
          double sum;
          if (withFault && m.faultX1 <= i && i <= m.faultX2 && m.faultY1 <= j &&
              j <= m.faultY2) {
            double east = u[i + 1][j], west = u[i - 1][j], south = u[i][j - 1],
                   north = u[i][j + 1];
            if (m.faultAlongY == 0) {
              if (j == m.faultY1) north = old;
              else south = old;
            } else {
              if (i == m.faultX1) east = old;
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
        m.progress->ShowIteration(n, static_cast<float>(maxChange));
        m.progress->ShowElapsed(m.ElapsedSinceRunStart());
        if (log) {
          std::fprintf(log, "iteration number = %i, maximum displacement = %13.9lg\n", n,
                       maxChange);
          std::fprintf(log, "X grid location = %i, Y grid location = %i\n\n", iMax, jMax);
        }
      }
      if (n == m.maxIterations) {
        m.ShowMessage("Maximum Number of Iterations Reached - SOR1");
        throw FatalExit(1);
      }
      ++n;
      if (!(std::fabs(maxChange) > m.stressConvergence && n <= m.maxIterations)) break;
    }
  }
  m.maxDisplacement[s][0] = m.maxDisplacement[s][1];
  m.maxDisplacement[s][1] = maxChange;
  m.progress->ShowIteration(n, static_cast<float>(maxChange));
  m.progress->CloseSolverPanel();
  m.ElementStress(u, totalStress, codes, thickness);
  return n - 1;
}

}  // namespace kavrel::testing_support
