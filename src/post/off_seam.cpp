// Off-seam displacements and stresses over explicit views of the seams and
// the plane. Displacements go to the .of<grid> file, one header and one block
// of lines per step; stresses go to the .sms grid file through the model's
// stress grid writer.
#include "post/off_seam.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "core/fatal_exit.h"
#include "core/text_files.h"
#include "model/model_dat.h"
#include "solver/influence_kernel.h"

namespace kavrel {

namespace {

void Zero(const GridPlacement& blocks, double** grid) {
  for (int i = 1; i <= blocks.nx; ++i)
    for (int j = 1; j <= blocks.ny; ++j) grid[i][j] = 0.0;
}

// Ends the run on a displacement file that could not be opened or written.
[[noreturn]] void FailOffSeamFile(MessageSink& messages, const char* text,
                                  const std::string& path) {
  const int error = errno;
  messages.ShowMessage(text);
  messages.ShowFileProblem(path, error);
  throw FatalExit(1);
}

void WriteDisplacementLines(std::FILE* f, const OffSeamFileLayout& layout,
                            const GridPlacement& blocks, int step,
                            const OffSeamDisplacementGrids& grids) {
  if (step == 1) {
    std::fprintf(f, "%3i, %7i, %12.5g, %3i, %3i, %12.5g, %12.5g\n", layout.stepCount,
                 blocks.nx * blocks.ny, blocks.width, blocks.nx, blocks.ny, blocks.x0, blocks.y0);
    std::fprintf(f, "%3d, Off-seam Displacement, X-Slope, Y-Slope, X-Strain, Y-Strain\n", 5);
    std::fprintf(f, "%3d, %s, Slope, Slope, Strain, Strain \n", 5, layout.lengthUnit.c_str());
  }
  for (int i = 1; i <= blocks.nx; ++i)
    for (int j = 1; j <= blocks.ny; ++j)
      std::fprintf(f, "%12.5g, %12.5g, %12.5g, %12.5g, %12.5g \n",
                   grids.displacement[i][j] * layout.displacementFactor, grids.xSlope[i][j],
                   grids.ySlope[i][j], grids.xStrain[i][j], grids.yStrain[i][j]);
}

}  // namespace

void ComputeOffSeamDisplacements(const OffSeamSources& sources, const OffSeamPlane& plane,
                                 int grid, const RemoteReports& reports,
                                 const OffSeamDisplacementGrids& out) {
  const GridPlacement& blocks = plane.blocks;
  Zero(blocks, out.displacement);
  for (std::size_t k = 0; k < sources.seams.size(); ++k) {
    const SourceSeam& seam = sources.seams[k];
    const int s = static_cast<int>(k) + 1;
    reports.progress.SetPhase(FormatText(80, "Off-Seam Displacements, Seam %i to Grid %i", s, grid));
    SumRemoteDisplacement(seam.convergence, seam.grid, blocks, seam.z - plane.z, 0,
                          sources.plateFactor, reports, out.displacement);
    if (sources.images) {
      reports.progress.SetPhase(
          FormatText(80, "Calculating Off-Seam Disp. from Mirror Seam %i", s));
      SumRemoteDisplacement(seam.convergence, seam.grid, blocks, -seam.z - plane.z, 1,
                            sources.plateFactor, reports, out.displacement);
    }
  }
  ComputeRemoteStrainsInUnits(sources.unitSystem, blocks.nx, blocks.ny, out.displacement,
                              blocks.width, out.xSlope, out.ySlope, out.xStrain, out.yStrain);
}

void WriteOffSeamDisplacements(const OffSeamSources& sources, const OffSeamPlane& plane,
                               const OffSeamFileLayout& layout, const std::string& path,
                               int step, int grid, const RemoteReports& reports,
                               const OffSeamDisplacementGrids& out) {
  UniqueFile file(std::fopen(path.c_str(), step == 1 ? "w" : "a"));
  if (!file)
    FailOffSeamFile(reports.messages,
                    "Error in Opening Off-Seam Displacement Output File - OSD1\n", path);
  ComputeOffSeamDisplacements(sources, plane, grid, reports, out);
  WriteDisplacementLines(file.get(), layout, plane.blocks, step, out);
  if (!FinishFile(file))
    FailOffSeamFile(reports.messages,
                    "Error in Writing Off-Seam Displacement Output File - OSD2\n", path);
}

void ComputeOffSeamStresses(const OffSeamSources& sources, const OffSeamPlane& plane, int grid,
                            int step, ProgressSink& progress, long long runClock,
                            double** stress) {
  const GridPlacement& blocks = plane.blocks;
  Zero(blocks, stress);
  const InfluenceGrid to{stress, blocks.nx, blocks.ny, blocks.width, blocks.x0, blocks.y0};
  for (std::size_t k = 0; k < sources.seams.size(); ++k) {
    const SourceSeam& seam = sources.seams[k];
    const int s = static_cast<int>(k) + 1;
    // The kernel reads its source and never writes it.
    const InfluenceGrid from{const_cast<double**>(seam.convergence), seam.grid.nx, seam.grid.ny,
                             seam.grid.width, seam.grid.x0, seam.grid.y0};
    progress.SetPhase(
        FormatText(80, "Off-Seam Stresses, Step %i, Seam %i to Grid %i", step, s, grid));
    AddInfluenceSeparable(from, seam.z - plane.z, 0, sources.rockModulus, sources.plateFactor,
                          to, &progress, runClock, sources.lender);
    if (sources.images) {
      progress.SetPhase(FormatText(80, "Calculating Off-Seam Stresses from Mirror Seam %i", s));
      AddInfluenceSeparable(from, -seam.z - plane.z, 1, sources.rockModulus,
                            sources.plateFactor, to, &progress, runClock, sources.lender);
    }
  }
}

// ---- the model's operations ------------------------------------------------------

namespace {

// The model's seams, [0] being seam 1, and its off-seam plane.
std::vector<SourceSeam> SourceSeamsOf(const CModelDat& m) {
  std::vector<SourceSeam> seams;
  for (int s = 1; s <= m.seamCount; ++s)
    seams.push_back({m.convergence[s], {m.nx, m.ny, m.elementWidth, m.seamX[s], m.seamY[s]},
                     m.seamZ[s]});
  return seams;
}

OffSeamPlane OffSeamPlaneOf(const CModelDat& m) {
  return {{m.offSeamNx, m.offSeamNy, m.offSeamBlockWidth, m.offSeamOriginX, m.offSeamOriginY},
          m.offSeamOriginZ};
}

OffSeamSources SourcesOf(const CModelDat& m, const std::vector<SourceSeam>& seams) {
  return {seams, m.surfaceEffects == 1, m.layerPlateFactor, m.elasticModulus, m.unitSystem,
          m.lender};
}

}  // namespace

int CModelDat::OffSeamDisplacements(int step) {
  const std::vector<SourceSeam> seams = SourceSeamsOf(*this);
  const OffSeamFileLayout layout{stepCount, lengthUnit, displacementOutputFactor};
  const RemoteReports reports{*progress, *messages, runClock};
  for (int g = 1; g <= offSeamNz; ++g) {
    offSeamFileName = Names().OffSeamDisplacement(g);
    WriteOffSeamDisplacements(SourcesOf(*this, seams), OffSeamPlaneOf(*this), layout,
                              offSeamFileName, step, g, reports,
                              {offSeamDisp[0][g], offSeamDisp[1][g], offSeamDisp[2][g],
                               offSeamDisp[3][g], offSeamDisp[4][g]});
  }
  return 0;
}

int CModelDat::OffSeamStresses(int step) {
  const std::vector<SourceSeam> seams = SourceSeamsOf(*this);
  for (int g = 1; g <= offSeamNz; ++g)
    ComputeOffSeamStresses(SourcesOf(*this, seams), OffSeamPlaneOf(*this), g, step, *progress,
                           runClock, offSeamStressGrid[g]);
  return OffSeamStressWriter(step);
}

}  // namespace kavrel
