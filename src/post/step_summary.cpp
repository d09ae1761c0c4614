// The summary figures of one seam, in one pass over its elements plus a flood
// fill for the pillars (edge-connected regions that are not mined out, as the
// safety factors define them).
#include "post/step_summary.h"

#include <algorithm>
#include <vector>

#include "solver/material_laws.h"

namespace kavrel {

namespace {

bool IsCoal(int type) {
  return type == kLinearElasticCoal || type == kStrainSofteningCoal ||
         type == kElasticPlasticCoal;
}

// Counts the edge-connected regions of elements that are not mined out.
int CountPillars(const SeamGridsView& seam) {
  const int nx = seam.nx, ny = seam.ny;
  const auto index = [ny](int i, int j) {
    return static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(ny) +
           static_cast<std::size_t>(j - 1);
  };
  std::vector<char> seen(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny), 0);
  std::vector<std::pair<int, int>> stack;
  int pillars = 0;
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) {
      if (seen[index(i, j)] || seam.codes[i][j] == '1') continue;
      ++pillars;
      seen[index(i, j)] = 1;
      stack.emplace_back(i, j);
      while (!stack.empty()) {
        const auto [a, b] = stack.back();
        stack.pop_back();
        const int next[4][2] = {{a - 1, b}, {a + 1, b}, {a, b - 1}, {a, b + 1}};
        for (const auto& n : next) {
          const int x = n[0], y = n[1];
          if (x < 1 || x > nx || y < 1 || y > ny || seen[index(x, y)] || seam.codes[x][y] == '1')
            continue;
          seen[index(x, y)] = 1;
          stack.emplace_back(x, y);
        }
      }
    }
  return pillars;
}

// The smallest positive value of `sf` and its first element; false if none.
bool SmallestPositive(const SeamGridsView& seam, const double* const* sf, double& value, int& i,
                      int& j) {
  bool found = false;
  for (int x = 1; x <= seam.nx; ++x)
    for (int y = 1; y <= seam.ny; ++y)
      if (sf[x][y] > 0 && (!found || sf[x][y] < value)) {
        found = true;
        value = sf[x][y];
        i = x;
        j = y;
      }
  return found;
}

}  // namespace

SeamSummary SummariseSeam(const SeamGridsView& seam) {
  SeamSummary m;
  double stressSum = 0;
  bool first = true;
  for (int i = 1; i <= seam.nx; ++i)
    for (int j = 1; j <= seam.ny; ++j) {
      const double u = seam.convergence[i][j];
      if (first || u > m.maxConvergence) {
        m.maxConvergence = u;
        m.maxI = i;
        m.maxJ = j;
        first = false;
      }
      const int code = MaterialIndexOf(seam.codes[i][j]);
      if (code == kMinedOutCode) {
        ++m.minedOutElements;
        continue;
      }
      if (code < 0 || code > 51) continue;
      const int type = seam.materialType[code];
      if (!IsCoal(type)) continue;
      const double stress = seam.totalStress[i][j];
      m.maxCoalStress = m.coalElements == 0 ? stress : std::max(m.maxCoalStress, stress);
      ++m.coalElements;
      stressSum += stress;
      if ((type == kStrainSofteningCoal || type == kElasticPlasticCoal) &&
          u / seam.thickness >= seam.materialProps[code][1])
        ++m.yieldedElements;
    }
  if (m.coalElements > 0) m.meanCoalStress = stressSum / m.coalElements;
  m.pillars = CountPillars(seam);

  if (seam.pillarStressSF && seam.pillarStrainSF) {
    m.hasSafetyFactors =
        SmallestPositive(seam, seam.pillarStressSF, m.minStressSF, m.minStressI, m.minStressJ);
    SmallestPositive(seam, seam.pillarStrainSF, m.minStrainSF, m.minStrainI, m.minStrainJ);
  }
  if (seam.totalEnergyReleased) {
    m.hasEnergy = true;
    for (int i = 1; i <= seam.nx; ++i)
      for (int j = 1; j <= seam.ny; ++j) m.energyReleased += seam.totalEnergyReleased[i][j];
  }
  return m;
}

}  // namespace kavrel
