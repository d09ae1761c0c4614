// The influence kernel as a direct double sum over source and target
// elements, one exponential per pair: the oracle for the separable kernel and
// the baseline of its benchmark.
#pragma once

#include <cmath>

namespace kavrel::testing_support {

inline void LiteralAddInfluence(double** source, int nxS, int nyS, double wS, double xS, double yS,
                                double** target, int nxT, int nyT, double wT, double xT, double yT,
                                double h, int mirror, double E, double lambda) {
  const double r = E / (lambda * 25.132741228718345 * h * h) * (wS * wS);
  const double D = lambda * 4.0 * std::fabs(h);
  const double A = std::fabs(h) * 4.0 / wT;
  const double ox = (xS - xT) / wT, oy = (yS - yT) / wT, q = wS / wT;
  if (mirror == 1)
    for (int i = 1; i <= nxS; ++i)
      for (int j = 1; j <= nyS; ++j) source[i][j] = -source[i][j];
  for (int i = 1; i <= nxS; ++i) {
    const double p = (i - 0.5) * q + 0.5 + ox;
    int kLow = static_cast<int>(p - A - 0.5), kHigh = static_cast<int>(p + A + 0.5);
    if (kLow < 1) {
      kLow = 1;
      if (kHigh < 1) kHigh = 0;
    }
    if (kHigh > nxT) {
      kHigh = nxT;
      if (kLow > nxT) kLow = nxT + 1;
    }
    for (int j = 1; j <= nyS; ++j) {
      const double pp = (j - 0.5) * q + 0.5 + oy;
      int lLow = static_cast<int>(pp - A - 0.5), lHigh = static_cast<int>(pp + A + 0.5);
      if (lLow < 1) {
        lLow = 1;
        if (lHigh < 1) lHigh = 0;
      }
      if (lHigh > nyT) {
        lHigh = nyT;
        if (lLow > nyT) lLow = nyT + 1;
      }
      for (int k = kLow; k <= kHigh; ++k) {
        const double dx = (k - 0.5) * wT + xT - ((i - 0.5) * wS + xS);
        const double dx2 = dx * dx;
        for (int l = lLow; l <= lHigh; ++l) {
          const double dy = (l - 0.5) * wT + yT - ((j - 0.5) * wS + yS);
          const double rho = (dx2 + dy * dy) / D;
          target[k][l] = std::exp(-rho) * (source[i][j] * r * (rho - 1)) + target[k][l];
        }
      }
    }
  }
  if (mirror == 1)
    for (int i = 1; i <= nxS; ++i)
      for (int j = 1; j <= nyS; ++j) source[i][j] = -source[i][j];
}

}  // namespace kavrel::testing_support
