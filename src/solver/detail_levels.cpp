// Coarsening of a seam's convergences for the coupling passes.
#include "solver/detail_levels.h"

namespace kavrel {

void AverageToLevel(double** fine, int nx, int ny, double** coarse, int levelNx, int levelNy,
                    int f) {
  for (int i = 1; i <= levelNx; ++i)
    for (int j = 1; j <= levelNy; ++j) coarse[i][j] = 0;
  // Sums in fine-grid order (X outer, Y inner), so each block's total is
  // rounded the same way whatever the grid size.
  for (int i = 1; i <= nx; ++i) {
    double* ci = coarse[(i + f - 1) / f];
    const double* fi = fine[i];
    for (int j = 1; j <= ny; ++j) ci[(j + f - 1) / f] += fi[j];
  }
  const double area = static_cast<double>(f * f);
  for (int i = 1; i <= levelNx; ++i)
    for (int j = 1; j <= levelNy; ++j) coarse[i][j] /= area;
}

}  // namespace kavrel
