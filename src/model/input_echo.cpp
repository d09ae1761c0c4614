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

// The labels of each material type's properties, padded to the column of
// "--", in the order of the material line's fields; null after the last.
struct MaterialEcho {
  const char* name;
  const char* labels[5];
};
constexpr MaterialEcho kMaterialEcho[6] = {
    {"Linear Elastic Coal", {"Elastic Modulus     ", "Shear Modulus       "}},
    {"Strain Softening Coal",
     {"Peak Stress         ", "Peak Strain         ", "Residual Stress     ",
      "Residual Strain     ", "Poissons Ratio      "}},
    {"Elastic-Plastic Coal",
     {"Peak Stress         ", "Peak Strain         ", "Plastic Modulus     ",
      "Poissons Ratio      "}},
    {"Bi-Linear Hardening Gob",
     {"Initial Stress      ", "Initial Strain      ", "Hardening Modulus   ",
      "Gob Height Factor   ", "Poissons Ratio      "}},
    {"Strain Hardening Gob",
     {"Initial Modulus at Zero Stress ", "Final Modulus at Peak Stress   ",
      "Peak Stress                    ", "Gob Height Factor              ",
      "Poissons Ratio                 "}},
    {"Linear Elastic Gob",
     {"Elastic Modulus     ", "Shear Modulus       ", "Gob Height Factor   "}},
};

void EchoRockMass(const ModelInput& m, RunLog& log) {
  log.Write("  IN THE FOLLOWING X,Y,Z REFER TO GLOBAL AXES OR COORDINATES\n");
  log.Write("  AND X1,X2,X3 OR 1,2,3 REFER TO LOCAL AXES OR COORDINATES\n\n");
  log.Write("  ROCK MASS PROPERTIES\n\n");
  log.Printf("  POISSONS RATIO        -- %f\n", m.poissonsRatio);
  log.Printf("  MODULUS OF ELASTICITY -- %f\n", m.elasticModulus);
  log.Printf("  LAYER THICKNESS       -- %f\n", m.layerThickness);
  log.Printf("  STRESS GRADIENT       -- %f\n", m.stressGradient);
  log.Printf("  NO. OF SEAMS          -- %i\n", m.seamCount);
  log.Printf("  NO. OF MATERIALS      -- %i\n", m.materialCount);
  log.Printf("  NO. OF COAL SETS      -- %i\n", m.coalSetCount);
  log.Printf("  SYSTEM OF UNITS       -- %i\n", m.unitSystem);
  log.Write("\n");
  WriteUnitExplanation(log, m.unitSystem);
}

// Materials 1..materialCount; one of a type outside 1..6 is shown through
// `messages` (one box each) and left out.
void EchoMaterials(const ModelInput& m, MessageSink& messages, RunLog& log) {
  log.Write("  IN_SEAM MATERIAL PROPERTIES\n\n");
  for (int k = 1; k <= m.materialCount && k <= 52; ++k) {
    const int type = m.materialType[k - 1];
    if (type < 1 || type > 6) {
      messages.ShowMessage("Invalid Material Type - Must Be Between 1 and 6 - PI3\n");
      continue;
    }
    const MaterialEcho& echo = kMaterialEcho[type - 1];
    log.Printf("  Material Number     -- %i\n", k);
    log.Printf("  %s\n", echo.name);
    for (int v = 0; v < 5 && echo.labels[v]; ++v)
      log.Printf("  %s-- %12g\n", echo.labels[v], m.materialProps[k - 1][v]);
    log.Write("\n");
  }
}

void EchoGridAndSeams(const ModelInput& m, RunLog& log) {
  log.Write("  GENERAL MODEL DATA\n\n");
  log.Printf("  NO. OF PARALLEL SEAMS           -- %i\n", m.seamCount);
  log.Printf("  WIDTH OF ELEMENTS               -- %f\n", m.elementWidth);
  log.Printf("  NO. OF ELEMENTS ALONG X AXIS    -- %i\n", m.nx);
  log.Printf("  NO. OF ELEMENTS ALONG Y AXIS    -- %i\n", m.ny);
  log.Write("\n");
  log.Write("  GLOBAL COORDINATES OF LOCAL ORIGINS AND SEAM THICKNESSES\n");
  log.Write("  SEAM NO.         X           Y           Z     THICKNESS\n");
  for (int s = 1; s <= m.seamCount && s <= 10; ++s)
    log.Printf("%8i%12.2f%12.2f%12.2f%12.2f\n", s, m.seamX[s], m.seamY[s], m.seamZ[s],
               m.seamThickness[s]);
  log.Write("\n");
}

void EchoControls(const ModelInput& m, RunLog& log) {
  log.Write("  PROGRAM FLOW CONTROL PARAMETERS\n\n");
  log.Printf("  OVER RELAXATION FACTOR          -- %f\n", m.overRelaxation);
  log.Printf("  STRESS CONVERGENCE CRITERION    -- %f\n", m.stressConvergence);
  log.Printf("  MAXIMUM NO. OF ITERATIONS       -- %i\n", m.maxIterations);
  log.Printf("  STARTING MINING STEP NUMBER     -- %i\n", m.startStep);
  log.Printf("  NUMBER OF MINING STEPS          -- %i\n", m.stepCount);
  log.Printf("  INCLUDE SURFACE EFFECTS         -- %i\n", m.surfaceEffects);
  log.Printf("  OFF-SEAM CALCULATON SELECTED    -- %i\n", m.offSeamCalc);
  log.Printf("  CALCULATE TOPOGRAPHIC STRESS    -- %i\n", m.topographicStress);
  log.Printf("  CALCULATE SAFETY FACTORS        -- %i\n", m.safetyFactors);
  log.Printf("  CALCULATE REMOTE STRAINS        -- %i\n", m.remoteStrains);
  log.Printf("  CALCULATE ENERGY VALUES         -- %i\n", m.energyValues);
  log.Printf("  INCLUDE FAULT CALCULATION       -- %i\n", m.faultCalc);
  log.Printf("  CALCULATE ROOF BENDING STRESSES -- %i\n", m.roofBending);
  log.Printf("  CALCULATE LOCAL MINE STIFFNESS  -- %i\n", m.localMineStiffness);
  log.Write("\n");
}

void EchoBoundary(const ModelInput& m, RunLog& log) {
  log.Write("  BOUNDARY CONDITION VALUES\n\n");
  log.Printf("  THE NORTH BOUNDARY CONDITION -- %i\n", m.bcNorth);
  log.Printf("  THE EAST BOUNDARY CONDITION  -- %i\n", m.bcEast);
  log.Printf("  THE SOUTH BOUNDARY CONDITION -- %i\n", m.bcSouth);
  log.Printf("  THE WEST BOUNDARY CONDITION  -- %i\n", m.bcWest);
  log.Write("\n");
}

void EchoOffSeam(const ModelInput& m, RunLog& log) {
  log.Write("  OFF-SEAM GRID DETAILS\n\n");
  log.Write(m.offSeamDisplacement >= 1 ? "  OFF-SEAM DISPLACEMENT CALCULATION IS ON \n"
                                       : "  OFF-SEAM DISPLACEMENT CALCULATION IS OFF \n");
  log.Write(m.offSeamStress >= 1 ? "  OFF-SEAM STRESS CALCULATION IS ON \n"
                                 : "  OFF-SEAM STRESS CALCULATION IS OFF \n");
  log.Printf("  X COORDINATE OF OFF-SEAM GRID ORIGIN -- %f\n", m.offSeamOriginX);
  log.Printf("  Y COORDINATE OF OFF-SEAM GRID ORIGIN -- %f\n", m.offSeamOriginY);
  log.Printf("  Z COORDINATE OF OFF-SEAM GRID ORIGIN -- %f\n", m.offSeamOriginZ);
  log.Printf("  WIDTH OF OFF-SEAM BLOCKS             -- %f\n", m.offSeamBlockWidth);
  log.Printf("  HEIGHT OF OFF-SEAM BLOCKS            -- %f\n", m.offSeamBlockHeight);
  log.Printf("  NO. OF OFF_SEAM BLOCKS ALONG X AXIS  -- %i\n", m.offSeamNx);
  log.Printf("  NO. OF OFF_SEAM BLOCKS ALONG Y AXIS  -- %i\n", m.offSeamNy);
  log.Printf("  NO. OF OFF_SEAM BLOCKS ALONG Z AXIS  -- %i\n", m.offSeamNz);
  log.Printf("  TOTAL NO. OF OFF_SEAM BLOCKS         -- %i\n", m.offSeamBlockCount);
  log.Write("\n");
}

void EchoFault(const ModelInput& m, RunLog& log) {
  log.Write("  FAULT CALCULATION DETAILS\n\n");
  if (m.faultAlongY != 0) {
    log.Write("  FAULT IS PARALLEL TO THE Y AXIS \n");
    log.Printf("  BETWEEN X GRID LINES %i and %i \n", m.faultX1, m.faultX2);
    log.Printf("  AND EXTENDS FROM Y GRID LINE %i to %i \n", m.faultY1, m.faultY2);
  } else {
    log.Write("  FAULT IS PARALLEL TO THE X AXIS \n");
    log.Printf("  BETWEEN Y GRID LINES %i and %i \n", m.faultY1, m.faultY2);
    log.Printf("  AND EXTENDS FROM X GRID LINE %i to %i \n", m.faultX1, m.faultX2);
  }
  log.Write("\n");
}

void EchoLmsPillars(const ModelInput& m, RunLog& log) {
  log.Write("  LOCAL MINE STIFFNESS (LMS) CALCULATION DETAILS\n\n");
  log.Printf("  NUMBER OF LMS PILLARS -- %i\n", m.lmsPillarCount);
  log.Write("  PILLAR NO.  X INDEX  Y INDEX \n");
  for (int p = 1; p <= m.lmsPillarCount && p <= 5; ++p)
    log.Printf("  %3i         %4i     %4i\n", p, m.lmsX[p], m.lmsY[p]);
  log.Write("\n");
}

// Everything the echo says of the input after its title, in the order of the
// file; the sections of options that are off are left out.
void EchoInput(const ModelInput& m, MessageSink& messages, RunLog& log) {
  EchoRockMass(m, log);
  EchoMaterials(m, messages, log);
  EchoGridAndSeams(m, log);
  EchoControls(m, log);
  EchoBoundary(m, log);
  if (m.offSeamCalc >= 1) EchoOffSeam(m, log);
  if (m.faultCalc == 1) EchoFault(m, log);
  if (m.localMineStiffness == 1) EchoLmsPillars(m, log);
}

}  // namespace

// The code grid of every seam at every step, read back from the step code
// files into fineCodes (allocated here when the model has none). Result 4
// when a file is missing or short.
int CModelDat::EchoCodeGrids(RunLog& log) {
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
  return 0;
}

// Creates the log and writes the echo. Results: 0, 1 (log not created),
// 2 (title, or any later line, not written), 4 (a step code file missing or
// short); on a failure the log keeps what was written. fineCodes ends holding
// the last step.
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
  EchoInput(*this, *messages, log);
  if (const int r = EchoCodeGrids(log)) return r;
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
