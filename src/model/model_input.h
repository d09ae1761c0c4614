// The model input as a value: everything one model file says (and the output
// units it implies), read by ReadModelInput and changed by nothing after it.
// A test or a tool that needs only what a file says reads it here, without a
// model record; CModelDat holds one as its base, so the run and every
// existing caller keep reading the fields by their names.
//
// Values are held as read, in the file's units (inches and psi for unit codes
// 0 and 1, metres and pascals for 2 and 3). Seam arrays are indexed by seam
// s = 1..seamCount (slot 0 unused), material arrays by material 0..51, LMS
// pillar arrays by pillar p = 1..5 (slot 0 unused).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/message_sink.h"
#include "core/text_files.h"
#include "model/model_checks.h"

namespace kavrel {

struct ModelInput {
  // ---- title (line 1, with its line end, at most 100 characters) ------------
  char title[101] = {};

  // ---- host rock --------------------------------------------------------------
  double poissonsRatio = 0;
  double elasticModulus = 0;
  double layerThickness = 0;
  int seamCount = 0;          // 1..10
  int unitSystem = 0;         // 0..3
  int preprocessorLevel = 0;  // > 0: the file carries the pre-processor lines

  // ---- materials ----------------------------------------------------------------
  int materialCount = 0;  // 1..52
  int coalSetCount = 0;   // pre-processor coal sets (lines skipped)
  int auxSetCount = 0;    // pre-processor auxiliary lines (skipped)
  int materialType[52] = {};
  double materialProps[52][5] = {};

  // ---- grid --------------------------------------------------------------------
  double elementWidth = 0;
  int nx = 0;  // multiple of 10, at most input::kMaxAxisCount
  int ny = 0;
  double stressGradient = 0;

  // ---- seams (origin and thickness of seam s) --------------------------------------
  double seamX[11] = {}, seamY[11] = {}, seamZ[11] = {}, seamThickness[11] = {};

  // ---- controls: solver settings and option flags -----------------------------------
  double overRelaxation = 0;
  double stressConvergence = 0;
  int maxIterations = 0;
  int startStep = 0;
  int stepCount = 0;  // 0..200
  int surfaceEffects = 0;
  int offSeamCalc = 0;
  int topographicStress = 0;
  int safetyFactors = 0;
  int remoteStrains = 0;
  int energyValues = 0;
  int faultCalc = 0;
  int roofBending = 0;
  int localMineStiffness = 0;

  // ---- boundary edges (0 or 1 each) ----------------------------------------------------
  int bcNorth = 0, bcEast = 0, bcSouth = 0, bcWest = 0;

  // ---- off-seam grid (offSeamCalc >= 1) -------------------------------------------------
  int offSeamDisplacement = 0;
  int offSeamStress = 0;
  double offSeamOriginX = 0, offSeamOriginY = 0, offSeamOriginZ = 0;
  double offSeamBlockWidth = 0;
  double offSeamBlockHeight = 0;  // always 0 once read
  int offSeamNx = 0, offSeamNy = 0;
  int offSeamNz = 0;  // always 1 once read
  int offSeamBlockCount = 0;

  // ---- fault (faultCalc == 1): the four fields as read, and the grid lines ----------------
  int faultAlongY = 0;
  int faultField1 = 0, faultField2 = 0, faultField3 = 0, faultField4 = 0;
  int faultX1 = 0, faultX2 = 0, faultY1 = 0, faultY2 = 0;

  // ---- local mine stiffness pillars (localMineStiffness == 1) ----------------------------
  int lmsPillarCount = 0;          // 0 without the option
  int lmsX[6] = {}, lmsY[6] = {};  // element indices of pillar p = 1..5

  // ---- output units and result headers (SetUnits) ----------------------------------------
  std::string resultHeader1, resultHeader2;
  std::string lengthUnit, stressUnit, energyUnit;
  double displacementOutputFactor = 1, stressOutputFactor = 1, energyOutputFactor = 1;
};

// Sets the unit labels and output factors of input.unitSystem, and both
// header lines of the result files from the option flags. A code outside 0..3
// is shown through `messages` and ends the program (FatalExit, exit code 1).
void SetUnits(ModelInput& input, MessageSink& messages);

// Reads the header of a model file, from its title to the line of the LMS
// pillars, into `input`, leaving `file` at the start of the code block. The
// first failed check is shown through `messages` and its result code returned
// (1 for a file that ends early, 2..9 and 13 for the checks of each section,
// 14 for a number too large for a double, 15 for a line longer than
// input::kMaxLineBytes); fields read before it hold the file's values, the
// others keep theirs. On success, the warnings on the header's values
// (CheckModel) are added to `warnings`, which is then kept in line order.
[[nodiscard]] int ReadModelInput(std::FILE* file, ModelInput& input,
                                 std::vector<ModelWarning>& warnings, MessageSink& messages);

// Opens the model file at `path` for reading; when it cannot be opened, shows
// "Error in Opening Input File - RI1a\n" and then the path and the system's
// reason, and returns no file.
[[nodiscard]] UniqueFile OpenModelFile(const std::string& path, MessageSink& messages);

// What reading a model file's header from its path gives.
struct ModelRead {
  int result = 0;  // ReadModelInput's; 1 also for a file that cannot be opened
  ModelInput input;
  std::vector<ModelWarning> warnings;
};

// Opens `path` (OpenModelFile) and reads its header into a fresh ModelInput.
[[nodiscard]] ModelRead ReadModelInput(const std::string& path, MessageSink& messages);

}  // namespace kavrel
