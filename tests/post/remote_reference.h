// The remote displacement sum written out literally, one exponential per
// element pair (sourceNx sourceNy targetNx targetNy of them): the reference
// that the separable AddRemoteDisplacement is checked and timed against.
#pragma once

#include <cmath>

#include "post/remote_displacement.h"

namespace kavrel {

inline void AddRemoteDisplacementDense(const double* const* source, int sourceNx, int sourceNy,
                                       double sourceWidth, double sourceX0, double sourceY0,
                                       double** target, int targetNx, int targetNy,
                                       double targetWidth, double targetX0, double targetY0,
                                       const RemoteGaussian& kernel) {
  for (int r = 1; r <= sourceNx; ++r) {
    for (int c = 1; c <= sourceNy; ++c) {
      const double xs = (r - 0.5) * sourceWidth + sourceX0;
      const double ys = (c - 0.5) * sourceWidth + sourceY0;
      for (int p = 1; p <= targetNx; ++p) {
        const double xt = (p - 0.5) * targetWidth + targetX0;
        for (int q = 1; q <= targetNy; ++q) {
          const double yt = (q - 0.5) * targetWidth + targetY0;
          target[p][q] +=
              std::exp(-((xt - xs) * (xt - xs) + (yt - ys) * (yt - ys)) / kernel.spread) *
              kernel.coefficient * source[r][c];
        }
      }
    }
  }
}

}  // namespace kavrel
