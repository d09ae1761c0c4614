// The off-seam grid: a horizontal plane of square blocks at a chosen
// elevation. After each step it receives the vertical displacement (with
// slopes and strains) and the vertical stress change induced by the
// convergence of every seam and, with surface effects, of their mirror images
// (the image of a seam at elevation z lies at -z and acts with reversed sign).
// These functions take the seams and the plane as explicit views; the model's
// operations build them and keep the file names.
#pragma once

#include <span>
#include <string>

#include "core/message_sink.h"
#include "core/progress_sink.h"
#include "post/remote_displacement.h"

namespace kavrel {

// One seam as a source: its convergence [1..nx][1..ny] (never written), where
// its grid lies and its elevation (negative below the surface).
class ThreadLender;

struct SourceSeam {
  const double* const* convergence = nullptr;
  GridPlacement grid;
  double z = 0;
};

// What the off-seam sums read besides the plane: the seams, whether their
// images act too (surface effects), the overburden's characteristic length
// and modulus, and the unit system (for the strains).
struct OffSeamSources {
  std::span<const SourceSeam> seams;
  bool images = false;
  double plateFactor = 0;
  double rockModulus = 0;
  int unitSystem = 0;
  ThreadLender* lender = nullptr;  // idle threads the stress sums may borrow
};

// The plane: its blocks and its elevation.
struct OffSeamPlane {
  GridPlacement blocks;
  double z = 0;
};

// The five displacement grids of one plane, [1..nx][1..ny] of its blocks.
struct OffSeamDisplacementGrids {
  double** displacement = nullptr;
  double** xSlope = nullptr;
  double** ySlope = nullptr;
  double** xStrain = nullptr;
  double** yStrain = nullptr;
};

// Overwrites the displacement of grid number `grid` with the sum over the
// seams (and their images), then derives its slopes and strains. Sets the
// phase "Off-Seam Displacements, Seam %i to Grid %i" before each seam and
// "Calculating Off-Seam Disp. from Mirror Seam %i" before each image.
void ComputeOffSeamDisplacements(const OffSeamSources& sources, const OffSeamPlane& plane,
                                 int grid, const RemoteReports& reports,
                                 const OffSeamDisplacementGrids& out);

// What the displacement file holds besides the grids: the number of steps
// its header announces, the length unit label and the factor from internal
// length to output length (applied to the displacement column only).
struct OffSeamFileLayout {
  int stepCount = 0;
  std::string lengthUnit;
  double displacementFactor = 1;
};

// One step of grid number `grid`: opens `path` (step 1 creates it, later steps
// append), computes the grids as ComputeOffSeamDisplacements does, writes the
// three header lines at step 1 and one line per block, and closes the file.
// A file that cannot be opened (OSD1) or written (OSD2) ends the run with
// exit code 1, its message followed by the file problem.
void WriteOffSeamDisplacements(const OffSeamSources& sources, const OffSeamPlane& plane,
                               const OffSeamFileLayout& layout, const std::string& path,
                               int step, int grid, const RemoteReports& reports,
                               const OffSeamDisplacementGrids& out);

// Overwrites `stress` [1..nx][1..ny] of the plane's blocks with the influence
// of every seam (and image) for grid number `grid` of step `step`. Sets the
// phase "Off-Seam Stresses, Step %i, Seam %i to Grid %i" before each seam and
// "Calculating Off-Seam Stresses from Mirror Seam %i" before each image; the
// kernel reports its rows to `progress`.
void ComputeOffSeamStresses(const OffSeamSources& sources, const OffSeamPlane& plane, int grid,
                            int step, ProgressSink& progress, long long runClock,
                            double** stress);

}  // namespace kavrel
