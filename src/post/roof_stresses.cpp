// Roof bending stresses of one seam: bending from the convergence curvature,
// membrane stress from the remote strains, and per-element extremes; the
// model's operation at the end only builds the views.
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

void ComputeRoofStresses(const SeamView& seam, double layerThickness, double rockModulus,
                         const double* const* xStrain, const double* const* yStrain,
                         const RoofStressGrids& out) {
  const double factor =
      (layerThickness * rockModulus) / (4 * (seam.elementWidth * seam.elementWidth));
  ComputeRoofBendingStresses(seam.nx, seam.ny, seam.convergence, factor, xStrain, yStrain,
                             rockModulus, out.x, out.y);
  for (int i = 1; i <= seam.nx; ++i) {
    const double* sx = out.x[i];
    const double* sy = out.y[i];
    for (int j = 1; j <= seam.ny; ++j) {
      const RoofStressExtremes e = RoofStressExtremesOf(sx[j], sy[j]);
      out.compression[i][j] = e.compression;
      out.tension[i][j] = e.tension;
      out.governing[i][j] = e.governing;
    }
  }
}

void CModelDat::RoofStresses(int s) {
  const bool membrane = remoteStrains == 1;
  SeamView seam;  // the roof reads only the convergence and the element width
  seam.nx = nx;
  seam.ny = ny;
  seam.elementWidth = elementWidth;
  seam.convergence = convergence[s];
  ComputeRoofStresses(seam, layerThickness, elasticModulus,
                      membrane ? remoteXStrain[s] : nullptr,
                      membrane ? remoteYStrain[s] : nullptr,
                      {roofStressX[s], roofStressY[s], maxRoofCompression[s], maxRoofTension[s],
                       maxRoofStress[s]});
}

}  // namespace kavrel
