// Portable draws from the raw outputs of std::mt19937_64 (see the header for
// the formulas and why the standard distributions are not used).
#include "study/random_draws.h"

#include <cmath>
#include <numbers>
#include <random>

namespace kavrel::study {

namespace {

// The top 53 bits of the engine's next output as a double in [0, 1).
double NextUnit(std::mt19937_64& engine) { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }

double NextStandardNormal(std::mt19937_64& engine) {
  const double u1 = NextUnit(engine);
  const double u2 = NextUnit(engine);
  return std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

}  // namespace

bool DistributionKindOf(const std::string& name, DistributionKind& kind) {
  if (name == "uniform")
    kind = DistributionKind::Uniform;
  else if (name == "normal")
    kind = DistributionKind::Normal;
  else if (name == "lognormal")
    kind = DistributionKind::LogNormal;
  else
    return false;
  return true;
}

std::vector<double> Draw(const Distribution& d, int count) {
  std::mt19937_64 engine(d.seed);
  std::vector<double> values;
  values.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
  for (int k = 0; k < count; ++k) {
    switch (d.kind) {
      case DistributionKind::Uniform:
        values.push_back(d.a + (d.b - d.a) * NextUnit(engine));
        break;
      case DistributionKind::Normal:
        values.push_back(d.a + d.b * NextStandardNormal(engine));
        break;
      case DistributionKind::LogNormal:
        values.push_back(std::exp(d.a + d.b * NextStandardNormal(engine)));
        break;
    }
  }
  return values;
}

}  // namespace kavrel::study
