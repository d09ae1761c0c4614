// The input echo that starts the run log (.out): a readable account of the
// whole model as read, closing with the code grid of every seam at every step
// as read back from the step code files. Also the two grid-detail blocks that
// a run adds to the log for topographic and static stress grids.
#include <cerrno>
#include <cstdio>
#include <string>

#include "core/run_log.h"
#include "core/text_files.h"
#include "model/code_files.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

// The four lines that explain unit system `code`; none for other codes.
void WriteUnitExplanation(RunLog& log, int code) {
  static const char* const kThird[4] = {
      "  - inches and psi,\n  and are listed in this output as consistent units of: \n",
      "  - feet and psi,\n  but are listed in this output as consistent units of: \n",
      "  - meters and Pascals,\n  and are listed in this output as consistent units of: \n",
      "  - meters and MegaPascals,\n  but are listed in this output as consistent units of: \n"};
  static const char* const kFourth[4] = {"  - inches and psi. \n\n", "  - inches and psi. \n\n",
                                         "  - meters and Pascals. \n\n",
                                         "  - meters and Pascals. \n\n"};
  if (code < 0 || code > 3) return;
  log.Printf("  The units system integer is: - %i\n", code);
  log.Write("  This means that the parameter values were input to the pre-processor in: \n");
  log.Write(kThird[code]);
  log.Write(kFourth[code]);
}

}  // namespace

// Creates the log and writes the echo. Results: 0, 1 (log not created),
// 2 (title, or any later line, not written), 4 (a step code file missing or
// short); on a failure the log keeps what was written. fineCodes ends holding the last step.
int CModelDat::WriteInputEcho() {
  outFileName = Names().Log();
  RunLog log = RunLog::Open(outFileName, "w");
  if (!log) {
    const int error = errno;
    ShowMessage("Error in Opening Output File - PI1\n");
    ShowFileProblem(outFileName, error);
    return 1;
  }

  if (!log.Printf("%s\n", title)) {
    ShowMessage("Trouble Printing Input File - PI2\n");
    return 2;
  }
  log.Write("  IN THE FOLLOWING X,Y,Z REFER TO GLOBAL AXES OR COORDINATES\n");
  log.Write("  AND X1,X2,X3 OR 1,2,3 REFER TO LOCAL AXES OR COORDINATES\n\n");

  log.Write("  ROCK MASS PROPERTIES\n\n");
  log.Printf("  POISSONS RATIO        -- %f\n", poissonsRatio);
  log.Printf("  MODULUS OF ELASTICITY -- %f\n", elasticModulus);
  log.Printf("  LAYER THICKNESS       -- %f\n", layerThickness);
  log.Printf("  STRESS GRADIENT       -- %f\n", stressGradient);
  log.Printf("  NO. OF SEAMS          -- %i\n", seamCount);
  log.Printf("  NO. OF MATERIALS      -- %i\n", materialCount);
  log.Printf("  NO. OF COAL SETS      -- %i\n", coalSetCount);
  log.Printf("  SYSTEM OF UNITS       -- %i\n", unitSystem);
  log.Write("\n");

  WriteUnitExplanation(log, unitSystem);

  log.Write("  IN_SEAM MATERIAL PROPERTIES\n\n");
  for (int m = 1; m <= materialCount && m <= 52; ++m) {
    const double* v = materialProps[m - 1];
    const int type = materialType[m - 1];
    if (type < 1 || type > 6) {
      ShowMessage("Invalid Material Type - Must Be Between 1 and 6 - PI3\n");
      continue;
    }
    log.Printf("  Material Number     -- %i\n", m);
    switch (type) {
      case 1:
        log.Write("  Linear Elastic Coal\n");
        log.Printf("  Elastic Modulus     -- %12g\n", v[0]);
        log.Printf("  Shear Modulus       -- %12g\n", v[1]);
        break;
      case 2:
        log.Write("  Strain Softening Coal\n");
        log.Printf("  Peak Stress         -- %12g\n", v[0]);
        log.Printf("  Peak Strain         -- %12g\n", v[1]);
        log.Printf("  Residual Stress     -- %12g\n", v[2]);
        log.Printf("  Residual Strain     -- %12g\n", v[3]);
        log.Printf("  Poissons Ratio      -- %12g\n", v[4]);
        break;
      case 3:
        log.Write("  Elastic-Plastic Coal\n");
        log.Printf("  Peak Stress         -- %12g\n", v[0]);
        log.Printf("  Peak Strain         -- %12g\n", v[1]);
        log.Printf("  Plastic Modulus     -- %12g\n", v[2]);
        log.Printf("  Poissons Ratio      -- %12g\n", v[3]);
        break;
      case 4:
        log.Write("  Bi-Linear Hardening Gob\n");
        log.Printf("  Initial Stress      -- %12g\n", v[0]);
        log.Printf("  Initial Strain      -- %12g\n", v[1]);
        log.Printf("  Hardening Modulus   -- %12g\n", v[2]);
        log.Printf("  Gob Height Factor   -- %12g\n", v[3]);
        log.Printf("  Poissons Ratio      -- %12g\n", v[4]);
        break;
      case 5:
        log.Write("  Strain Hardening Gob\n");
        log.Printf("  Initial Modulus at Zero Stress -- %12g\n", v[0]);
        log.Printf("  Final Modulus at Peak Stress   -- %12g\n", v[1]);
        log.Printf("  Peak Stress                    -- %12g\n", v[2]);
        log.Printf("  Gob Height Factor              -- %12g\n", v[3]);
        log.Printf("  Poissons Ratio                 -- %12g\n", v[4]);
        break;
      case 6:
        log.Write("  Linear Elastic Gob\n");
        log.Printf("  Elastic Modulus     -- %12g\n", v[0]);
        log.Printf("  Shear Modulus       -- %12g\n", v[1]);
        log.Printf("  Gob Height Factor   -- %12g\n", v[2]);
        break;
    }
    log.Write("\n");
  }

  log.Write("  GENERAL MODEL DATA\n\n");
  log.Printf("  NO. OF PARALLEL SEAMS           -- %i\n", seamCount);
  log.Printf("  WIDTH OF ELEMENTS               -- %f\n", elementWidth);
  log.Printf("  NO. OF ELEMENTS ALONG X AXIS    -- %i\n", nx);
  log.Printf("  NO. OF ELEMENTS ALONG Y AXIS    -- %i\n", ny);
  log.Write("\n");

  log.Write("  GLOBAL COORDINATES OF LOCAL ORIGINS AND SEAM THICKNESSES\n");
  log.Write("  SEAM NO.         X           Y           Z     THICKNESS\n");
  for (int s = 1; s <= seamCount && s <= 10; ++s)
    log.Printf("%8i%12.2f%12.2f%12.2f%12.2f\n", s, seamX[s], seamY[s], seamZ[s], seamThickness[s]);
  log.Write("\n");

  log.Write("  PROGRAM FLOW CONTROL PARAMETERS\n\n");
  log.Printf("  OVER RELAXATION FACTOR          -- %f\n", overRelaxation);
  log.Printf("  STRESS CONVERGENCE CRITERION    -- %f\n", stressConvergence);
  log.Printf("  MAXIMUM NO. OF ITERATIONS       -- %i\n", maxIterations);
  log.Printf("  STARTING MINING STEP NUMBER     -- %i\n", startStep);
  log.Printf("  NUMBER OF MINING STEPS          -- %i\n", stepCount);
  log.Printf("  INCLUDE SURFACE EFFECTS         -- %i\n", surfaceEffects);
  log.Printf("  OFF-SEAM CALCULATON SELECTED    -- %i\n", offSeamCalc);
  log.Printf("  CALCULATE TOPOGRAPHIC STRESS    -- %i\n", topographicStress);
  log.Printf("  CALCULATE SAFETY FACTORS        -- %i\n", safetyFactors);
  log.Printf("  CALCULATE REMOTE STRAINS        -- %i\n", remoteStrains);
  log.Printf("  CALCULATE ENERGY VALUES         -- %i\n", energyValues);
  log.Printf("  INCLUDE FAULT CALCULATION       -- %i\n", faultCalc);
  log.Printf("  CALCULATE ROOF BENDING STRESSES -- %i\n", roofBending);
  log.Printf("  CALCULATE LOCAL MINE STIFFNESS  -- %i\n", localMineStiffness);
  log.Write("\n");

  log.Write("  BOUNDARY CONDITION VALUES\n\n");
  log.Printf("  THE NORTH BOUNDARY CONDITION -- %i\n", bcNorth);
  log.Printf("  THE EAST BOUNDARY CONDITION  -- %i\n", bcEast);
  log.Printf("  THE SOUTH BOUNDARY CONDITION -- %i\n", bcSouth);
  log.Printf("  THE WEST BOUNDARY CONDITION  -- %i\n", bcWest);
  log.Write("\n");

  if (offSeamCalc >= 1) {
    log.Write("  OFF-SEAM GRID DETAILS\n\n");
    log.Write(offSeamDisplacement >= 1 ? "  OFF-SEAM DISPLACEMENT CALCULATION IS ON \n"
                                       : "  OFF-SEAM DISPLACEMENT CALCULATION IS OFF \n");
    log.Write(offSeamStress >= 1 ? "  OFF-SEAM STRESS CALCULATION IS ON \n"
                                 : "  OFF-SEAM STRESS CALCULATION IS OFF \n");
    log.Printf("  X COORDINATE OF OFF-SEAM GRID ORIGIN -- %f\n", offSeamOriginX);
    log.Printf("  Y COORDINATE OF OFF-SEAM GRID ORIGIN -- %f\n", offSeamOriginY);
    log.Printf("  Z COORDINATE OF OFF-SEAM GRID ORIGIN -- %f\n", offSeamOriginZ);
    log.Printf("  WIDTH OF OFF-SEAM BLOCKS             -- %f\n", offSeamBlockWidth);
    log.Printf("  HEIGHT OF OFF-SEAM BLOCKS            -- %f\n", offSeamBlockHeight);
    log.Printf("  NO. OF OFF_SEAM BLOCKS ALONG X AXIS  -- %i\n", offSeamNx);
    log.Printf("  NO. OF OFF_SEAM BLOCKS ALONG Y AXIS  -- %i\n", offSeamNy);
    log.Printf("  NO. OF OFF_SEAM BLOCKS ALONG Z AXIS  -- %i\n", offSeamNz);
    log.Printf("  TOTAL NO. OF OFF_SEAM BLOCKS         -- %i\n", offSeamBlockCount);
    log.Write("\n");
  }

  if (faultCalc == 1) {
    log.Write("  FAULT CALCULATION DETAILS\n\n");
    if (faultAlongY != 0) {
      log.Write("  FAULT IS PARALLEL TO THE Y AXIS \n");
      log.Printf("  BETWEEN X GRID LINES %i and %i \n", faultX1, faultX2);
      log.Printf("  AND EXTENDS FROM Y GRID LINE %i to %i \n", faultY1, faultY2);
    } else {
      log.Write("  FAULT IS PARALLEL TO THE X AXIS \n");
      log.Printf("  BETWEEN Y GRID LINES %i and %i \n", faultY1, faultY2);
      log.Printf("  AND EXTENDS FROM X GRID LINE %i to %i \n", faultX1, faultX2);
    }
    log.Write("\n");
  }

  if (localMineStiffness == 1) {
    log.Write("  LOCAL MINE STIFFNESS (LMS) CALCULATION DETAILS\n\n");
    log.Printf("  NUMBER OF LMS PILLARS -- %i\n", lmsPillarCount);
    log.Write("  PILLAR NO.  X INDEX  Y INDEX \n");
    for (int p = 1; p <= lmsPillarCount && p <= 5; ++p)
      log.Printf("  %3i         %4i     %4i\n", p, lmsX[p], lmsY[p]);
    log.Write("\n");
  }

  if (!fineCodes) fineCodes.Allocate(1, seamCount, 1, nx, 1, ny);
  for (int step = 1; step <= stepCount; ++step) {
    UniqueFile codeFile(std::fopen(StepCodeFileName(step).c_str(), "r"));
    if (!codeFile) {
      ShowMessage("Could Not Open Temporary File with Seam Codes - PI4");
      return 4;
    }
    for (int s = 1; s <= seamCount; ++s) {
      log.Printf("     FINE MESH, STEP = %i, SEAM = %i\n\n", step, s);
      int x = 0, y = 0;
      if (!ReadSeamCodes(codeFile.get(), fineCodes[s], nx, ny, x, y)) {
        ShowMessage("Error reading the fine mesh codes - PI4\n");
        return 4;
      }
      WriteSeamRows(log.stream(), fineCodes[s], nx, ny);
      log.Write("\n");
    }
  }
  log.Write("\n");
  // Every line after the title is checked here at once: a log that could not
  // be written whole is reported like a title that could not be written.
  if (!log.Finish()) {
    ShowMessage("Trouble Printing Input File - PI2\n");
    return 2;
  }
  return 0;
}

void CModelDat::WriteTopoGridDetails(RunLog& log) {
  log.Write("  TOPOGRAPHIC GRID DETAILS\n\n");
  log.Printf("  X COORDINATE OF TOPOGRAPHIC GRID ORIGIN    -- %f\n", topoOriginX);
  log.Printf("  Y COORDINATE OF TOPOGRAPHIC GRID ORIGIN    -- %f\n", topoOriginY);
  log.Printf("  Z DATUM OF TOPOGRAPHIC GRID                -- %f\n", topoDatumZ);
  log.Printf("  DISTANCE ABOVE SEAM 1 OF TOPOGRAPHIC DATUM -- %f\n", topoDatumZ);
  log.Printf("  WIDTH OF TOPOGRAPHIC BLOCKS                -- %f\n", topoBlockWidth);
  log.Printf("  NO. OF TOPOGRAPHIC BLOCKS ALONG X AXIS     -- %i\n", topoNx);
  log.Printf("  NO. OF TOPOGRAPHIC BLOCKS ALONG Y AXIS     -- %i\n", topoNy);
  log.Write("\n");
}

// gridNumber and blockCount come from the static stress file's header and are
// not printed.
void CModelDat::WriteStaticGridDetails(RunLog& log, int /*gridNumber*/, int /*blockCount*/,
                                      double width, int blocksX, int blocksY, double originX,
                                      double originY, double originZ, int gridCount) {
  log.Write("  STATIC STRESS GRID DETAILS\n\n");
  log.Printf("  NO. OF STATIC STRESS GRIDS\t\t\t\t\t  -- %i\n", gridCount);
  log.Printf("  X COORDINATE OF STATIC STRESS GRID ORIGIN    -- %f\n", originX);
  log.Printf("  Y COORDINATE OF STATIC STRESS GRID ORIGIN    -- %f\n", originY);
  log.Printf("  Z COORDINATE OF STATIC STRESS GRID ORING #1  -- %f\n", originZ);
  log.Printf("  WIDTH OF STATIC STRESS BLOCKS                -- %f\n", width);
  log.Printf("  NO. OF STATIC STRESS BLOCKS ALONG X AXIS     -- %i\n", blocksX);
  log.Printf("  NO. OF STATIC STRESS BLOCKS ALONG Y AXIS     -- %i\n", blocksY);
  log.Write("\n");
}

}  // namespace kavrel
