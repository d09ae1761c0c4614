// The input echo that starts the run log (.out): a readable account of the
// whole model as read, closing with the code grid of every seam at every step
// as read back from the step code files. Also the two grid-detail blocks that
// a run adds to the log for topographic and static stress grids.
#include <cstdio>
#include <string>

#include "model/code_files.h"
#include "model/model_dat.h"
#include "model/text_files.h"

namespace kavrel {

namespace {

// The four lines that explain unit system `code`; none for other codes.
void WriteUnitExplanation(std::FILE* log, int code) {
  static const char* const kThird[4] = {
      "  - inches and psi,\n  and are listed in this output as consistent units of: \n",
      "  - feet and psi,\n  but are listed in this output as consistent units of: \n",
      "  - meters and Pascals,\n  and are listed in this output as consistent units of: \n",
      "  - meters and MegaPascals,\n  but are listed in this output as consistent units of: \n"};
  static const char* const kFourth[4] = {"  - inches and psi. \n\n", "  - inches and psi. \n\n",
                                         "  - meters and Pascals. \n\n",
                                         "  - meters and Pascals. \n\n"};
  if (code < 0 || code > 3) return;
  std::fprintf(log, "  The units system integer is: - %i\n", code);
  std::fputs("  This means that the parameter values were input to the pre-processor in: \n", log);
  std::fputs(kThird[code], log);
  std::fputs(kFourth[code], log);
}

}  // namespace

// Creates the log and writes the echo. Results: 0, 1 (log not created),
// 2 (title, or any later line, not written), 4 (a step code file missing or
// short); on a failure the log keeps what was written. fineCodes ends holding the last step.
int CModelDat::WriteInputEcho() {
  outFileName = inputFolder + inputFileTitle + ".out";
  UniqueFile file(std::fopen(outFileName.c_str(), "w"));
  if (!file) {
    ShowMessage("Error in Opening Output File - PI1\n");
    return 1;
  }
  std::FILE* log = file.get();

  if (std::fprintf(log, "%s\n", title) < 0) {
    ShowMessage("Trouble Printing Input File - PI2\n");
    return 2;
  }
  std::fputs("  IN THE FOLLOWING X,Y,Z REFER TO GLOBAL AXES OR COORDINATES\n", log);
  std::fputs("  AND X1,X2,X3 OR 1,2,3 REFER TO LOCAL AXES OR COORDINATES\n\n", log);

  std::fputs("  ROCK MASS PROPERTIES\n\n", log);
  std::fprintf(log, "  POISSONS RATIO        -- %f\n", poissonsRatio);
  std::fprintf(log, "  MODULUS OF ELASTICITY -- %f\n", elasticModulus);
  std::fprintf(log, "  LAYER THICKNESS       -- %f\n", layerThickness);
  std::fprintf(log, "  STRESS GRADIENT       -- %f\n", stressGradient);
  std::fprintf(log, "  NO. OF SEAMS          -- %i\n", seamCount);
  std::fprintf(log, "  NO. OF MATERIALS      -- %i\n", materialCount);
  std::fprintf(log, "  NO. OF COAL SETS      -- %i\n", coalSetCount);
  std::fprintf(log, "  SYSTEM OF UNITS       -- %i\n", unitSystem);
  std::fputs("\n", log);

  WriteUnitExplanation(log, unitSystem);

  std::fputs("  IN_SEAM MATERIAL PROPERTIES\n\n", log);
  for (int m = 1; m <= materialCount && m <= 52; ++m) {
    const double* v = materialProps[m - 1];
    const int type = materialType[m - 1];
    if (type < 1 || type > 6) {
      ShowMessage("Invalid Material Type - Must Be Between 1 and 6 - PI3\n");
      continue;
    }
    std::fprintf(log, "  Material Number     -- %i\n", m);
    switch (type) {
      case 1:
        std::fputs("  Linear Elastic Coal\n", log);
        std::fprintf(log, "  Elastic Modulus     -- %12g\n", v[0]);
        std::fprintf(log, "  Shear Modulus       -- %12g\n", v[1]);
        break;
      case 2:
        std::fputs("  Strain Softening Coal\n", log);
        std::fprintf(log, "  Peak Stress         -- %12g\n", v[0]);
        std::fprintf(log, "  Peak Strain         -- %12g\n", v[1]);
        std::fprintf(log, "  Residual Stress     -- %12g\n", v[2]);
        std::fprintf(log, "  Residual Strain     -- %12g\n", v[3]);
        std::fprintf(log, "  Poissons Ratio      -- %12g\n", v[4]);
        break;
      case 3:
        std::fputs("  Elastic-Plastic Coal\n", log);
        std::fprintf(log, "  Peak Stress         -- %12g\n", v[0]);
        std::fprintf(log, "  Peak Strain         -- %12g\n", v[1]);
        std::fprintf(log, "  Plastic Modulus     -- %12g\n", v[2]);
        std::fprintf(log, "  Poissons Ratio      -- %12g\n", v[3]);
        break;
      case 4:
        std::fputs("  Bi-Linear Hardening Gob\n", log);
        std::fprintf(log, "  Initial Stress      -- %12g\n", v[0]);
        std::fprintf(log, "  Initial Strain      -- %12g\n", v[1]);
        std::fprintf(log, "  Hardening Modulus   -- %12g\n", v[2]);
        std::fprintf(log, "  Gob Height Factor   -- %12g\n", v[3]);
        std::fprintf(log, "  Poissons Ratio      -- %12g\n", v[4]);
        break;
      case 5:
        std::fputs("  Strain Hardening Gob\n", log);
        std::fprintf(log, "  Initial Modulus at Zero Stress -- %12g\n", v[0]);
        std::fprintf(log, "  Final Modulus at Peak Stress   -- %12g\n", v[1]);
        std::fprintf(log, "  Peak Stress                    -- %12g\n", v[2]);
        std::fprintf(log, "  Gob Height Factor              -- %12g\n", v[3]);
        std::fprintf(log, "  Poissons Ratio                 -- %12g\n", v[4]);
        break;
      case 6:
        std::fputs("  Linear Elastic Gob\n", log);
        std::fprintf(log, "  Elastic Modulus     -- %12g\n", v[0]);
        std::fprintf(log, "  Shear Modulus       -- %12g\n", v[1]);
        std::fprintf(log, "  Gob Height Factor   -- %12g\n", v[2]);
        break;
    }
    std::fputs("\n", log);
  }

  std::fputs("  GENERAL MODEL DATA\n\n", log);
  std::fprintf(log, "  NO. OF PARALLEL SEAMS           -- %i\n", seamCount);
  std::fprintf(log, "  WIDTH OF ELEMENTS               -- %f\n", elementWidth);
  std::fprintf(log, "  NO. OF ELEMENTS ALONG X AXIS    -- %i\n", nx);
  std::fprintf(log, "  NO. OF ELEMENTS ALONG Y AXIS    -- %i\n", ny);
  std::fputs("\n", log);

  std::fputs("  GLOBAL COORDINATES OF LOCAL ORIGINS AND SEAM THICKNESSES\n", log);
  std::fputs("  SEAM NO.         X           Y           Z     THICKNESS\n", log);
  for (int s = 1; s <= seamCount && s <= 10; ++s)
    std::fprintf(log, "%8i%12.2f%12.2f%12.2f%12.2f\n", s, seamX[s], seamY[s], seamZ[s],
                 seamThickness[s]);
  std::fputs("\n", log);

  std::fputs("  PROGRAM FLOW CONTROL PARAMETERS\n\n", log);
  std::fprintf(log, "  OVER RELAXATION FACTOR          -- %f\n", overRelaxation);
  std::fprintf(log, "  STRESS CONVERGENCE CRITERION    -- %f\n", stressConvergence);
  std::fprintf(log, "  MAXIMUM NO. OF ITERATIONS       -- %i\n", maxIterations);
  std::fprintf(log, "  STARTING MINING STEP NUMBER     -- %i\n", startStep);
  std::fprintf(log, "  NUMBER OF MINING STEPS          -- %i\n", stepCount);
  std::fprintf(log, "  INCLUDE SURFACE EFFECTS         -- %i\n", surfaceEffects);
  std::fprintf(log, "  OFF-SEAM CALCULATON SELECTED    -- %i\n", offSeamCalc);
  std::fprintf(log, "  CALCULATE TOPOGRAPHIC STRESS    -- %i\n", topographicStress);
  std::fprintf(log, "  CALCULATE SAFETY FACTORS        -- %i\n", safetyFactors);
  std::fprintf(log, "  CALCULATE REMOTE STRAINS        -- %i\n", remoteStrains);
  std::fprintf(log, "  CALCULATE ENERGY VALUES         -- %i\n", energyValues);
  std::fprintf(log, "  INCLUDE FAULT CALCULATION       -- %i\n", faultCalc);
  std::fprintf(log, "  CALCULATE ROOF BENDING STRESSES -- %i\n", roofBending);
  std::fprintf(log, "  CALCULATE LOCAL MINE STIFFNESS  -- %i\n", localMineStiffness);
  std::fputs("\n", log);

  std::fputs("  BOUNDARY CONDITION VALUES\n\n", log);
  std::fprintf(log, "  THE NORTH BOUNDARY CONDITION -- %i\n", bcNorth);
  std::fprintf(log, "  THE EAST BOUNDARY CONDITION  -- %i\n", bcEast);
  std::fprintf(log, "  THE SOUTH BOUNDARY CONDITION -- %i\n", bcSouth);
  std::fprintf(log, "  THE WEST BOUNDARY CONDITION  -- %i\n", bcWest);
  std::fputs("\n", log);

  if (offSeamCalc >= 1) {
    std::fputs("  OFF-SEAM GRID DETAILS\n\n", log);
    std::fputs(offSeamDisplacement >= 1 ? "  OFF-SEAM DISPLACEMENT CALCULATION IS ON \n"
                                        : "  OFF-SEAM DISPLACEMENT CALCULATION IS OFF \n",
               log);
    std::fputs(offSeamStress >= 1 ? "  OFF-SEAM STRESS CALCULATION IS ON \n"
                                  : "  OFF-SEAM STRESS CALCULATION IS OFF \n",
               log);
    std::fprintf(log, "  X COORDINATE OF OFF-SEAM GRID ORIGIN -- %f\n", offSeamOriginX);
    std::fprintf(log, "  Y COORDINATE OF OFF-SEAM GRID ORIGIN -- %f\n", offSeamOriginY);
    std::fprintf(log, "  Z COORDINATE OF OFF-SEAM GRID ORIGIN -- %f\n", offSeamOriginZ);
    std::fprintf(log, "  WIDTH OF OFF-SEAM BLOCKS             -- %f\n", offSeamBlockWidth);
    std::fprintf(log, "  HEIGHT OF OFF-SEAM BLOCKS            -- %f\n", offSeamBlockHeight);
    std::fprintf(log, "  NO. OF OFF_SEAM BLOCKS ALONG X AXIS  -- %i\n", offSeamNx);
    std::fprintf(log, "  NO. OF OFF_SEAM BLOCKS ALONG Y AXIS  -- %i\n", offSeamNy);
    std::fprintf(log, "  NO. OF OFF_SEAM BLOCKS ALONG Z AXIS  -- %i\n", offSeamNz);
    std::fprintf(log, "  TOTAL NO. OF OFF_SEAM BLOCKS         -- %i\n", offSeamBlockCount);
    std::fputs("\n", log);
  }

  if (faultCalc == 1) {
    std::fputs("  FAULT CALCULATION DETAILS\n\n", log);
    if (faultAlongY != 0) {
      std::fputs("  FAULT IS PARALLEL TO THE Y AXIS \n", log);
      std::fprintf(log, "  BETWEEN X GRID LINES %i and %i \n", faultX1, faultX2);
      std::fprintf(log, "  AND EXTENDS FROM Y GRID LINE %i to %i \n", faultY1, faultY2);
    } else {
      std::fputs("  FAULT IS PARALLEL TO THE X AXIS \n", log);
      std::fprintf(log, "  BETWEEN Y GRID LINES %i and %i \n", faultY1, faultY2);
      std::fprintf(log, "  AND EXTENDS FROM X GRID LINE %i to %i \n", faultX1, faultX2);
    }
    std::fputs("\n", log);
  }

  if (localMineStiffness == 1) {
    std::fputs("  LOCAL MINE STIFFNESS (LMS) CALCULATION DETAILS\n\n", log);
    std::fprintf(log, "  NUMBER OF LMS PILLARS -- %i\n", lmsPillarCount);
    std::fputs("  PILLAR NO.  X INDEX  Y INDEX \n", log);
    for (int p = 1; p <= lmsPillarCount && p <= 5; ++p)
      std::fprintf(log, "  %3i         %4i     %4i\n", p, lmsX[p], lmsY[p]);
    std::fputs("\n", log);
  }

  if (!fineCodes) fineCodes.Allocate(1, seamCount, 1, nx, 1, ny);
  for (int step = 1; step <= stepCount; ++step) {
    UniqueFile codeFile(std::fopen(StepCodeFileName(step).c_str(), "r"));
    if (!codeFile) {
      ShowMessage("Could Not Open Temporary File with Seam Codes - PI4");
      return 4;
    }
    for (int s = 1; s <= seamCount; ++s) {
      std::fprintf(log, "     FINE MESH, STEP = %i, SEAM = %i\n\n", step, s);
      int x = 0, y = 0;
      if (!ReadSeamCodes(codeFile.get(), fineCodes[s], nx, ny, x, y)) {
        ShowMessage("Error reading the fine mesh codes - PI4\n");
        return 4;
      }
      WriteSeamRows(log, fineCodes[s], nx, ny);
      std::fputs("\n", log);
    }
  }
  std::fputs("\n", log);
  // Every line after the title is checked here at once: a log that could not
  // be written whole is reported like a title that could not be written.
  if (!FinishFile(file)) {
    ShowMessage("Trouble Printing Input File - PI2\n");
    return 2;
  }
  return 0;
}

int CModelDat::WriteTopoGridDetails(std::FILE* log) {
  std::fputs("  TOPOGRAPHIC GRID DETAILS\n\n", log);
  std::fprintf(log, "  X COORDINATE OF TOPOGRAPHIC GRID ORIGIN    -- %f\n", topoOriginX);
  std::fprintf(log, "  Y COORDINATE OF TOPOGRAPHIC GRID ORIGIN    -- %f\n", topoOriginY);
  std::fprintf(log, "  Z DATUM OF TOPOGRAPHIC GRID                -- %f\n", topoDatumZ);
  std::fprintf(log, "  DISTANCE ABOVE SEAM 1 OF TOPOGRAPHIC DATUM -- %f\n", topoDatumZ);
  std::fprintf(log, "  WIDTH OF TOPOGRAPHIC BLOCKS                -- %f\n", topoBlockWidth);
  std::fprintf(log, "  NO. OF TOPOGRAPHIC BLOCKS ALONG X AXIS     -- %i\n", topoNx);
  std::fprintf(log, "  NO. OF TOPOGRAPHIC BLOCKS ALONG Y AXIS     -- %i\n", topoNy);
  std::fputs("\n", log);
  return 0;
}

// gridNumber and blockCount come from the static stress file's header and are
// not printed.
int CModelDat::WriteStaticGridDetails(std::FILE* log, int /*gridNumber*/, int /*blockCount*/,
                                      double width, int blocksX, int blocksY, double originX,
                                      double originY, double originZ, int gridCount) {
  std::fputs("  STATIC STRESS GRID DETAILS\n\n", log);
  std::fprintf(log, "  NO. OF STATIC STRESS GRIDS\t\t\t\t\t  -- %i\n", gridCount);
  std::fprintf(log, "  X COORDINATE OF STATIC STRESS GRID ORIGIN    -- %f\n", originX);
  std::fprintf(log, "  Y COORDINATE OF STATIC STRESS GRID ORIGIN    -- %f\n", originY);
  std::fprintf(log, "  Z COORDINATE OF STATIC STRESS GRID ORING #1  -- %f\n", originZ);
  std::fprintf(log, "  WIDTH OF STATIC STRESS BLOCKS                -- %f\n", width);
  std::fprintf(log, "  NO. OF STATIC STRESS BLOCKS ALONG X AXIS     -- %i\n", blocksX);
  std::fprintf(log, "  NO. OF STATIC STRESS BLOCKS ALONG Y AXIS     -- %i\n", blocksY);
  std::fputs("\n", log);
  return 0;
}

}  // namespace kavrel
