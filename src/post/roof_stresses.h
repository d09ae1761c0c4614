// Roof bending stresses: the bending stress of the immediate roof along X and
// Y from the curvature of the seam convergence, plus the membrane stress of
// the remote strains, and the governing values of each element.
// Compression is positive, tension negative.
#pragma once

#include "model/seam_view.h"

namespace kavrel {

// The extremes of one element's two roof stresses.
struct RoofStressExtremes {
  double compression;  // the larger of X and Y (Y when equal)
  double tension;      // the smaller of X and Y (Y when equal)
  double governing;    // whichever of the two is larger in magnitude, tension on a tie
};
RoofStressExtremes RoofStressExtremesOf(double xStress, double yStress);

// Fills xStress and yStress [1..nx][1..ny] from the second differences of
// convergence C [0..nx+1][0..ny+1] (the border cells are the outer
// neighbours of the edge elements) times factor = t E / (4 w^2), then, when
// xStrain/yStrain are not null, adds strain * modulus.
void ComputeRoofBendingStresses(int nx, int ny, const double* const* convergence, double factor,
                                const double* const* xStrain, const double* const* yStrain,
                                double modulus, double** xStress, double** yStress);

// The five roof stress grids of one seam, [1..nx][1..ny], all overwritten.
struct RoofStressGrids {
  double** x = nullptr;
  double** y = nullptr;
  double** compression = nullptr;
  double** tension = nullptr;
  double** governing = nullptr;
};

// Roof stresses of one seam from its convergence (border cells included) and
// element width: bending with factor = (layerThickness * rockModulus) /
// (4 * width^2), plus, when xStrain/yStrain [1..nx][1..ny] are not null, the
// membrane stress strain * rockModulus; then the extremes of every element.
void ComputeRoofStresses(const SeamView& seam, double layerThickness, double rockModulus,
                         const double* const* xStrain, const double* const* yStrain,
                         const RoofStressGrids& out);

}  // namespace kavrel
