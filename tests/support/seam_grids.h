// Small explicit seams for tests of the numerical routines that take views
// (model/seam_view.h) instead of the model record: a material table filled
// by hand, and one seam's grids built from rows of code characters.
#pragma once

#include <string>
#include <vector>

#include "model/seam_view.h"
#include "numeric/indexed_arrays.h"

namespace kavrel::testing_support {

// A material table; materials not set have type 0 and zero properties.
struct TestMaterials {
  int count = 0;
  int type[52] = {};
  double props[52][5] = {};
  double rockModulus = 0;

  // Material `code` (0 = 'A') of `type` with its five property slots.
  TestMaterials& Set(int code, int materialType, const std::vector<double>& slots) {
    type[code] = materialType;
    for (int k = 0; k < 5; ++k) props[code][k] = slots[k];
    return *this;
  }
  MaterialTable Table() const { return MaterialTable{count, type, props, rockModulus}; }
};

// One seam: codes from rows (rows[i-1][j-1] is element (i, j)), convergence
// [0..nx+1][0..ny+1] and total stress [1..nx][1..ny], both zero.
struct SeamGrids {
  int nx, ny;
  double thickness, width;
  DMatrix convergence, stress;
  CMatrix codes;

  SeamGrids(const std::vector<std::string>& rows, double seamThickness, double elementWidth)
      : nx(static_cast<int>(rows.size())), ny(static_cast<int>(rows[0].size())),
        thickness(seamThickness), width(elementWidth), convergence(0, nx + 1, 0, ny + 1),
        stress(1, nx, 1, ny), codes(1, nx, 1, ny) {
    convergence.Fill(0.0);
    stress.Fill(0.0);
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) codes[i][j] = rows[i - 1][j - 1];
  }
  void Set(int i, int j, double u, double sigma) {
    convergence[i][j] = u;
    stress[i][j] = sigma;
  }
  SeamView View() const { return SeamView{nx, ny, width, thickness, convergence, stress, codes}; }
};

// A result grid [1..nx][1..ny] filled with `value` (a stale value the routine
// under test must overwrite).
inline DMatrix ResultGrid(int nx, int ny, double value = -1.0) {
  DMatrix m(1, nx, 1, ny);
  m.Fill(value);
  return m;
}

}  // namespace kavrel::testing_support
