// Helpers shared by the numerical-core tests: a model record filled by hand
// (no input file) with its arrays; the recording sinks come with it.
#pragma once

#include <string>
#include <vector>

#include "model/model_dat.h"
#include "numeric/indexed_arrays.h"
#include "support/recording_sinks.h"

namespace kavrel::testing_support {

// One seam with its arrays, allocated as the run allocates them: convergence
// with a zero ghost border, applied stresses zero, codes all `fill`.
struct SeamArrays {
  int nx, ny;
  DMatrix u, stress, overburden, surface, interseam, precalculated;
  CMatrix codes;
  SeamArrays(int nxIn, int nyIn, char fill = 'A')
      : nx(nxIn), ny(nyIn),
        u(0, nxIn + 1, 0, nyIn + 1), stress(1, nxIn, 1, nyIn), overburden(1, nxIn, 1, nyIn),
        surface(1, nxIn, 1, nyIn), interseam(1, nxIn, 1, nyIn), precalculated(1, nxIn, 1, nyIn),
        codes(1, nxIn, 1, nyIn) {
    u.Fill(0.0);
    stress.Fill(0.0);
    overburden.Fill(0.0);
    surface.Fill(0.0);
    interseam.Fill(0.0);
    precalculated.Fill(0.0);
    codes.Fill(fill);
  }
};

// A model with one elastic coal material 'A' of modulus `coalModulus` and the
// solver settings; bounds are those of the seam.
inline void SetUpModel(CModelDat& m, int nx, int ny, double coalModulus = 400000.0) {
  m.seamCount = 1;
  m.nx = nx;
  m.ny = ny;
  m.elementWidth = 10.0;
  m.materialCount = 1;
  m.materialType[0] = 1;
  m.materialProps[0][0] = coalModulus;
  m.materialProps[0][1] = coalModulus / 2.5;
  m.elasticModulus = 3.0e6;
  m.poissonsRatio = 0.25;
  m.layerThickness = 100.0;
  m.layerPlateFactor = 30.0;
  m.overRelaxation = 1.8;
  m.stressConvergence = 1.0e-9;
  m.maxIterations = 200000;
  m.bcNorth = m.bcEast = m.bcSouth = m.bcWest = 1;
}

}  // namespace kavrel::testing_support
