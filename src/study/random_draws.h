// Random draws of a study's parameters that come out the same on every
// machine and with every standard library. The engine is std::mt19937_64,
// whose output sequence the C++ standard fixes; the standard's distributions
// are not fixed (each library may map the engine's output differently), so
// the values are derived here from the raw 64-bit outputs by the formulas
// below. A draw depends only on its distribution, its seed and its index:
// draw k of a parameter is the k-th value of its own engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavrel::study {

enum class DistributionKind { Uniform, Normal, LogNormal };

// Uniform: a = low, b = high. Normal: a = mean, b = standard deviation.
// LogNormal: the natural log of the value is normal with mean a and standard
// deviation b.
struct Distribution {
  DistributionKind kind = DistributionKind::Uniform;
  double a = 0;
  double b = 0;
  std::uint64_t seed = 0;
};

// The distribution's name as the study file spells it ("uniform", "normal",
// "lognormal"); false for any other word.
[[nodiscard]] bool DistributionKindOf(const std::string& name, DistributionKind& kind);

// The first `count` draws of `distribution`. With r the engine's next output,
//   u = (r >> 11) * 2^-53                      in [0, 1)
//   uniform:   a + (b - a) * u
//   normal:    a + b * sqrt(-2 ln(1 - u1)) * cos(2 pi u2)   (Box-Muller, u1
//              and u2 from two consecutive outputs; the sine half is dropped)
//   lognormal: exp(normal)
// The last digits may still differ between C libraries through log, cos and
// exp; the engine's outputs never do.
std::vector<double> Draw(const Distribution& distribution, int count);

}  // namespace kavrel::study
