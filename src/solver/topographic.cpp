// Topographic stresses: the overburden stress of every seam under a surface
// that is not flat. The surface heights (.top) become a load on the
// topographic plane, whose displacement is found by SOR and propagated down
// to each seam with the influence kernel. The result is saved (.tpo) and a
// later run on the same input reads it back instead of recomputing.
#include <cmath>
#include <cstdio>
#include <string>

#include "core/fatal_exit.h"
#include "core/text_files.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

// Gives every seam the uniform overburden stress of a model without
// topography, -seamZ * stressGradient.
void FillUniformOverburden(CModelDat& m) {
  for (int s = 1; s <= m.seamCount; ++s) {
    const double stress = -(m.seamZ[s] * m.stressGradient);
    for (int i = 1; i <= m.nx; ++i) {
      double* row = m.overburdenStress[s][i];
      for (int j = 1; j <= m.ny; ++j) row[j] = stress;
    }
  }
}

}  // namespace

void CModelDat::TopographicStresses(RunLog& log) {
  topoStressFileName = Names().TopoStress();
  topoInputFileName = Names().TopoInput();

  if (std::FILE* saved = std::fopen(topoStressFileName.c_str(), "r")) {
    progress->SetPhase("Reading Pre-Calculated Topo Stresses");
    log.Printf("Reading Pre-Calculated Topographic Stresses\n\n");
    WriteDiagnostic("Reading the topographic stress file\n\n");
    std::fclose(saved);
    if (TopoStressReader() != 0) {
      // A rejected file may have stored part of its values, or none: the
      // seams carry the overburden of a flat surface instead.
      FillUniformOverburden(*this);
      log.Printf("Topographic Stress File Rejected - Uniform Overburden Stresses Used\n\n");
    }
    return;
  }

  progress->SetPhase("Calculating Topographic Stresses");
  log.Printf("Entering Topographic SOR\n\n");
  WriteDiagnostic("Reading the topographic input file\n\n");
  if (TopoInputReader() != 0) throw FatalExit(1);
  WriteTopoGridDetails(log);

  for (int i = 1; i <= topoNx; ++i) {
    double* load = topoLoad[i];
    for (int j = 1; j <= topoNy; ++j) load[j] = (load[j] - topoDatumZ) * stressGradient;
  }
  topoDisplacement.Fill(0.0);

  TopographicSor(topoDisplacement, topoNx, topoNy, topoBlockWidth, topoLoad, log);

  for (int s = 1; s <= seamCount; ++s) {
    progress->SetPhase(FormatText(80, "Propogating Topographic Stress to Seam %i", s));
    progress->OpenSeamPanel();
    progress->SetPrimarySeam(s);
    progress->SetSecondarySeam(0);

    // Depth of seam s below the topographic datum.
    const double h = topoDatumZ - (seamZ[s] - seamZ[1]);
    const double uniform = stressGradient * h;
    for (int i = 1; i <= nx; ++i) {
      double* row = overburdenStress[s][i];
      for (int j = 1; j <= ny; ++j) row[j] = uniform;
    }

    const std::string line =
        FormatText(80, "Propogating the topo. disp. to seam %i stresses\n\n", s);
    WriteDiagnostic(line);
    log.Write(line.c_str());

    AddInfluence(topoDisplacement, topoNx, topoNy, topoBlockWidth, topoOriginX, topoOriginY,
                 overburdenStress[s], nx, ny, elementWidth, seamX[s], seamY[s], h, 0);
  }

  topoDisplacement.Release();
  topoLoad.Release();

  progress->CloseSeamPanel();
  progress->SetPhase("Saving Pre-Calculated Topographic Stresses");
  log.Printf("Saving Pre-Calculated Topographic Stresses\n\n");
  // Stresses that cannot be saved would make the next run compute them
  // again without saying why: the run stops instead.
  if (TopoStressWriter() != 0) throw FatalExit(1);
  {
    // This run goes on with the stresses as a later run reads them back from
    // the file, so that the later run reproduces its results. The reader also
    // takes the file's grid header into the topographic grid fields, which
    // keep what the .top file gave them.
    const double originX = topoOriginX, originY = topoOriginY, datumZ = topoDatumZ;
    const double blockWidth = topoBlockWidth;
    const int blockCount = topoBlockCount, gridNx = topoNx, gridNy = topoNy;
    const int readBack = TopoStressReader();
    topoOriginX = originX;
    topoOriginY = originY;
    topoDatumZ = datumZ;
    topoBlockWidth = blockWidth;
    topoBlockCount = blockCount;
    topoNx = gridNx;
    topoNy = gridNy;
    if (readBack != 0) {
      // As for a rejected file at the start of a run.
      FillUniformOverburden(*this);
      log.Printf("Topographic Stress File Rejected - Uniform Overburden Stresses Used\n\n");
    }
  }
}

int CModelDat::TopographicSor(double** displacement, int gridNx, int gridNy, double blockWidth,
                              double** load, RunLog& log) {
  double** u = displacement;
  progress->OpenSolverPanel();
  const double omega = overRelaxation;
  const double K = omega * 0.25;
  const double R = 1 - omega;
  const double C = (2.0 / (layerPlateFactor * elasticModulus)) *
                   (blockWidth * blockWidth * K);
  double maxChange = stressConvergence + 1;
  int iMax = 0, jMax = 0;
  int n = 1;

  while (n <= maxIterations) {
    maxChange = 0;
    for (int i = 1; i <= gridNx; ++i) {
      double* up = u[i - 1];
      double* here = u[i];
      double* down = u[i + 1];
      const double* q = load[i];
      for (int j = 1; j <= gridNy; ++j) {
        const double old = here[j];
        const double updated =
            K * (up[j] + down[j] + here[j - 1] + here[j + 1]) + R * old - C * q[j];
        here[j] = updated;
        const double change = updated - old;
        if (std::fabs(change) > std::fabs(maxChange)) {
          maxChange = change;
          iMax = i;
          jMax = j;
        }
      }
    }
    if (n % 100 == 0) {
      progress->ShowIteration(n, static_cast<float>(maxChange));
      progress->ShowElapsed(ElapsedSinceRunStart());
      log.Printf("iteration number = %i, maximum displacement = %13.9lg\n", n, maxChange);
      log.Printf("X grid location = %i, Y grid location = %i\n\n", iMax, jMax);
    }
    ++n;
    if (std::fabs(maxChange) <= stressConvergence) break;
  }

  progress->ShowIteration(n, static_cast<float>(maxChange));
  progress->CloseSolverPanel();
  log.Printf("Topographic SOR took %i iterations to converge\n\n", n);
  return n - 1;
}

}  // namespace kavrel
