// The off-seam grid: a horizontal plane of square blocks at a chosen
// elevation. After each step it receives the vertical displacement (with
// slopes and strains) and the vertical stress change induced by the
// convergence of every seam and, with surface effects, of their mirror images
// (the image of seam j lies at elevation -seamZ[j] and acts with reversed
// sign). Displacements go to the .of<grid> file, one header and one block of
// lines per step; stresses go to the .sms grid file.
#include <cerrno>
#include <cstdio>
#include <string>

#include "core/fatal_exit.h"
#include "core/text_files.h"
#include "model/model_dat.h"

namespace kavrel {

int CModelDat::OffSeamDisplacements(int step) {
  for (int g = 1; g <= offSeamNz; ++g) {
    offSeamFileName = Names().OffSeamDisplacement(g);
    UniqueFile file(std::fopen(offSeamFileName.c_str(), step == 1 ? "w" : "a"));
    if (!file) {
      const int error = errno;
      ShowMessage("Error in Opening Off-Seam Displacement Output File - OSD1\n");
      ShowFileProblem(offSeamFileName, error);
      throw FatalExit(1);
    }

    double** disp = offSeamDisp[0][g];
    for (int i = 1; i <= offSeamNx; ++i)
      for (int j = 1; j <= offSeamNy; ++j) disp[i][j] = 0.0;

    for (int s = 1; s <= seamCount; ++s) {
      progress->SetPhase(FormatText(80, "Off-Seam Displacements, Seam %i to Grid %i", s, g));
      RemoteDisplacement(convergence[s], nx, ny, elementWidth, seamX[s], seamY[s], disp,
                         offSeamNx, offSeamNy, offSeamBlockWidth, offSeamOriginX, offSeamOriginY,
                         seamZ[s] - offSeamOriginZ, 0);
      if (surfaceEffects == 1) {
        progress->SetPhase(FormatText(80, "Calculating Off-Seam Disp. from Mirror Seam %i", s));
        RemoteDisplacement(convergence[s], nx, ny, elementWidth, seamX[s], seamY[s], disp,
                           offSeamNx, offSeamNy, offSeamBlockWidth, offSeamOriginX,
                           offSeamOriginY, -seamZ[s] - offSeamOriginZ, 1);
      }
    }

    double** xSlope = offSeamDisp[1][g];
    double** ySlope = offSeamDisp[2][g];
    double** xStrain = offSeamDisp[3][g];
    double** yStrain = offSeamDisp[4][g];
    RemoteStrains(offSeamNx, offSeamNy, disp, offSeamBlockWidth, xSlope, ySlope, xStrain,
                  yStrain);

    std::FILE* f = file.get();
    if (step == 1) {
      std::fprintf(f, "%3i, %7i, %12.5g, %3i, %3i, %12.5g, %12.5g\n", stepCount,
                   offSeamNx * offSeamNy, offSeamBlockWidth, offSeamNx, offSeamNy,
                   offSeamOriginX, offSeamOriginY);
      std::fprintf(f, "%3d, Off-seam Displacement, X-Slope, Y-Slope, X-Strain, Y-Strain\n", 5);
      std::fprintf(f, "%3d, %s, Slope, Slope, Strain, Strain \n", 5, lengthUnit.c_str());
    }
    for (int i = 1; i <= offSeamNx; ++i)
      for (int j = 1; j <= offSeamNy; ++j)
        std::fprintf(f, "%12.5g, %12.5g, %12.5g, %12.5g, %12.5g \n",
                     disp[i][j] * displacementOutputFactor, xSlope[i][j], ySlope[i][j],
                     xStrain[i][j], yStrain[i][j]);
    if (!FinishFile(file)) {
      const int error = errno;
      ShowMessage("Error in Writing Off-Seam Displacement Output File - OSD2\n");
      ShowFileProblem(offSeamFileName, error);
      throw FatalExit(1);
    }
  }
  return 0;
}

int CModelDat::OffSeamStresses(int step) {
  for (int g = 1; g <= offSeamNz; ++g) {
    double** grid = offSeamStressGrid[g];
    for (int i = 1; i <= offSeamNx; ++i)
      for (int j = 1; j <= offSeamNy; ++j) grid[i][j] = 0.0;

    for (int s = 1; s <= seamCount; ++s) {
      progress->SetPhase(
          FormatText(80, "Off-Seam Stresses, Step %i, Seam %i to Grid %i", step, s, g));
      AddInfluence(convergence[s], nx, ny, elementWidth, seamX[s], seamY[s], grid, offSeamNx,
                   offSeamNy, offSeamBlockWidth, offSeamOriginX, offSeamOriginY,
                   seamZ[s] - offSeamOriginZ, 0);
      if (surfaceEffects == 1) {
        progress->SetPhase(
            FormatText(80, "Calculating Off-Seam Stresses from Mirror Seam %i", s));
        AddInfluence(convergence[s], nx, ny, elementWidth, seamX[s], seamY[s], grid, offSeamNx,
                     offSeamNy, offSeamBlockWidth, offSeamOriginX, offSeamOriginY,
                     -seamZ[s] - offSeamOriginZ, 1);
      }
    }
  }
  return OffSeamStressWriter(step);
}

}  // namespace kavrel
