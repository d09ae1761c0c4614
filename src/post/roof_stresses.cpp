// Roof bending stresses of one seam: bending from the convergence curvature,
// membrane stress from the remote strains, and per-element extremes.
#include "post/roof_stresses.h"

#include <cmath>

#include "model/model_dat.h"

namespace kavrel {

RoofStressExtremes RoofStressExtremesOf(double xStress, double yStress) {
  RoofStressExtremes e;
  e.compression = xStress > yStress ? xStress : yStress;
  e.tension = xStress < yStress ? xStress : yStress;
  e.governing = std::fabs(e.compression) > std::fabs(e.tension) ? e.compression : e.tension;
  return e;
}

void ComputeRoofBendingStresses(int nx, int ny, const double* const* convergence, double factor,
                                const double* const* xStrain, const double* const* yStrain,
                                double modulus, double** xStress, double** yStress) {
  const double* const* C = convergence;
  for (int i = 1; i <= nx; ++i) {
    const double* above = C[i - 1];
    const double* here = C[i];
    const double* below = C[i + 1];
    double* sx = xStress[i];
    double* sy = yStress[i];
    for (int j = 1; j <= ny; ++j) {
      sx[j] = (above[j] - 2 * here[j] + below[j]) * factor;
      sy[j] = (here[j - 1] - 2 * here[j] + here[j + 1]) * factor;
    }
  }
  if (xStrain && yStrain) {
    for (int i = 1; i <= nx; ++i) {
      double* sx = xStress[i];
      double* sy = yStress[i];
      const double* ex = xStrain[i];
      const double* ey = yStrain[i];
      for (int j = 1; j <= ny; ++j) {
        sx[j] += ex[j] * modulus;
        sy[j] += ey[j] * modulus;
      }
    }
  }
}

void CModelDat::RoofStresses(int s) {
  const double factor = (layerThickness * elasticModulus) / (4 * (elementWidth * elementWidth));
  const bool membrane = remoteStrains == 1;
  ComputeRoofBendingStresses(nx, ny, convergence[s], factor,
                             membrane ? remoteXStrain[s] : nullptr,
                             membrane ? remoteYStrain[s] : nullptr, elasticModulus,
                             roofStressX[s], roofStressY[s]);
  for (int i = 1; i <= nx; ++i) {
    const double* sx = roofStressX[s][i];
    const double* sy = roofStressY[s][i];
    double* comp = maxRoofCompression[s][i];
    double* tens = maxRoofTension[s][i];
    double* gov = maxRoofStress[s][i];
    for (int j = 1; j <= ny; ++j) {
      const RoofStressExtremes e = RoofStressExtremesOf(sx[j], sy[j]);
      comp[j] = e.compression;
      tens[j] = e.tension;
      gov[j] = e.governing;
    }
  }
}

}  // namespace kavrel
