// CModelDat is the one model record: the input (its base, model_input.h), the
// file names derived from the input file, the per-seam and per-step grids, the
// results and the run's timing records. ReadInputFile fills the input, the run
// allocates its grids, and most computations are its operations. Each
// operation lives in the source file of its concern (reader, echo, result
// files, SOR, kernel, pillars, ...); numerical routines that need no model
// state are free functions in their subsystem, which these operations call.
//
// Grid conventions: seam s = 1..seamCount, X index i = 1..nx selects the row,
// Y index j = 1..ny the column; loops run X outer, Y inner. `convergence` and
// `oldConvergence` carry a ghost border 0..nx+1 by 0..ny+1. Values are held in
// internal units (inches and psi for unit codes 0 and 1, metres and pascals
// for 2 and 3); convergence is positive for closure, stress positive in
// compression.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/message_sink.h"
#include "core/progress_sink.h"
#include "core/run_log.h"
#include "model/file_names.h"
#include "model/model_checks.h"
#include "model/model_input.h"
#include "model/seam_view.h"
#include "model/step_summary.h"
#include "numeric/indexed_arrays.h"

namespace kavrel {

struct Pillar;

// Timing records of one seam (records 1..10) or of the whole run (record 0).
// Slot L of the four-slot counters is detail level L (3 = coarsest).
struct SeamProfile {
  long long topoSeconds = 0;
  long long staticSeconds = 0;
  long long offSeamSeconds = 0;
  int solutionLoops[4] = {0, 0, 0, 0};
  int sorIterations[4] = {0, 0, 0, 0};
  long long sorSeconds[4] = {0, 0, 0, 0};
  long long surfaceSeconds[4] = {0, 0, 0, 0};
  long long interseamSeconds[4] = {0, 0, 0, 0};
};

// Local mine stiffness results of one LMS pillar.
struct LmsResult {
  double initialStress = 0;
  double initialConvergence = 0;
  double finalStress = 0;
  double finalConvergence = 0;
  double mineStiffness = 0;
  double pillarStiffness = 0;
};

class ThreadLender;

class CModelDat : public ModelInput {
 public:
  CModelDat();
  ~CModelDat();
  CModelDat(const CModelDat&) = delete;
  CModelDat& operator=(const CModelDat&) = delete;

  // ---- file names -------------------------------------------------------
  std::string inputPathName;   // full path of the .inp file
  std::string inputFolder;     // folder of the input, ending with '/'
  std::string inputFileName;   // file name with extension
  std::string inputFileTitle;  // file name without extension
  std::string outFileName;     // run log, inputFolder + inputFileTitle + ".out"
  std::string topoInputFileName;
  std::string topoStressFileName;
  std::string resultFileName;
  std::string offSeamFileName;
  std::string staticStressFileName;

  ProgressSink* progress;  // never null; a null sink until a front end sets one

  // ---- derived from the input by the run -------------------------------------
  double layerPlateFactor = 0;   // AllocateArrays, from the host rock
  double overburdenScratch = 0;  // AllocateArrays: the last seam's overburden
  int staticStress = 0;          // 1: the run reads pre-computed static stresses

  // ---- grid-file headers, filled by the grid-file readers during a run --------
  double topoOriginX = 0, topoOriginY = 0;
  double topoDatumZ = 0;
  double topoBlockWidth = 0;
  int topoBlockCount = 0;
  int topoNx = 0, topoNy = 0;
  std::string topoHeader1, topoHeader2;
  std::string staticHeader1, staticHeader2;

  LmsResult lmsResults[6];  // pillar p = 1..5; record 0 not used

  // ---- grids ---------------------------------------------------------------
  CCube fineCodes;      // [1..S][1..nx][1..ny], codes of the current step
  CCube previousCodes;  // same bounds, codes of the preceding step (energy)
  DCube convergence;    // [1..S][0..nx+1][0..ny+1]
  DMatrix coarseConvergence;  // [1..nx][1..ny]
  DCube totalStress;
  DCube overburdenStress;
  DCube surfaceEffectStress;
  DCube preCalculatedStress;
  DCube remoteDisplacement, remoteXSlope, remoteYSlope, remoteXStrain, remoteYStrain;
  DCube interseamStress;
  DMatrix topoDisplacement;  // [0..topoNx+1][0..topoNy+1]
  DMatrix topoLoad;          // [1..topoNx][1..topoNy]
  DCube offSeamDisp[5];      // displacement, X slope, Y slope, X strain, Y strain
  DCube offSeamStressGrid;   // [1..offSeamNz][1..offSeamNx][1..offSeamNy]
  int pillarCount = 0;
  Matrix<Pillar*> pillarGrid;  // [1..nx][1..ny], owning pillar or null
  Pillar* pillarListHead = nullptr;
  Pillar* pillarListTail = nullptr;
  // Frees, when the model goes, a pillar list that a fatal error left behind;
  // IdentifyPillars (post/pillars.cpp) sets `release`.
  struct PillarListGuard {
    CModelDat* model;
    void (*release)(CModelDat*) = nullptr;
    ~PillarListGuard() {
      if (release) release(model);
    }
  } pillarListGuard{this};
  DCube elementStrainSF, pillarStrainSF, pillarStressSF;
  DCube totalInputEnergy, storedElasticEnergy, dissipatedEnergy, storedEnergyReleased,
      kineticEnergyReleased, totalEnergyReleased;
  DCube previousStoredEnergy, previousDissipatedEnergy, previousConvergence, previousStress;
  DCube roofStressX, roofStressY, maxRoofTension, maxRoofCompression, maxRoofStress;
  int arraysAllocated = 0;
  double maxDisplacement[11][2] = {};
  DCube oldConvergence;  // [1..S][0..nx+1][0..ny+1]
  SeamProfile profile[11];

  // ---- implementation state (not part of the input) ------------------------
  MessageSink* messages;  // never null; message boxes and standard output lines
  long long runClock = 0;  // calendar seconds taken by RunAnalysis at its start
  // Idle threads the influence sums may borrow during a run (the run's
  // worker pool); null on one thread.
  ThreadLender* lender = nullptr;
  // False: ReadInputFile checks the code block but writes no step code files,
  // for readers of a finished run (the plots) that must leave its files alone.
  bool writeStepCodeFiles = true;
  // What the last ReadInputFile found questionable but read (model_checks.h),
  // in the order of the file.
  std::vector<ModelWarning> warnings;
  // The memory in bytes the reader compares the run's estimate with; 0 takes
  // the machine's physical memory (memory_estimate.h).
  std::uint64_t machineMemory = 0;

  // ---- setters used by File > Open -------------------------------------------
  void SetProgress(ProgressSink* sink);
  void SetMessages(MessageSink* sink);
  void SetInputPathName(const std::string& s) { inputPathName = s; }
  void SetInputFolder(const std::string& s) { inputFolder = s; }
  void SetInputFileName(const std::string& s) { inputFileName = s; }
  void SetInputFileTitle(const std::string& s) { inputFileTitle = s; }

  // ---- reporting helpers -----------------------------------------------------
  void ShowMessage(const std::string& text) { messages->ShowMessage(text); }
  void WriteDiagnostic(const std::string& text) { messages->WriteDiagnostic(text); }
  // After the message of a file that could not be opened or written: its
  // path and the system's reason (errno as it stood, taken by the caller).
  void ShowFileProblem(const std::string& path, int systemError) {
    messages->ShowFileProblem(path, systemError);
  }
  // The names every file of the run is derived from (model/file_names.h).
  InputNames Names() const {
    return InputNames{inputPathName, inputFolder, inputFileName, inputFileTitle};
  }
  // Calendar seconds since runClock.
  long long ElapsedSinceRunStart() const;

  // ---- views for the free numerical routines (model_dat.cpp) -------------------
  MaterialTable Materials() const;
  SeamView Seam(int s) const;  // seam s = 1..seamCount of the current step

  // ---- arrays (model_dat.cpp) -------------------------------------------------
  void AllocateArrays();
  void ReleaseArrays();

  // ---- input file (input_reader.cpp; the header through ReadModelInput) ---------
  [[nodiscard]] int ReadInputFile();

  // ---- code files (code_files.cpp) --------------------------------------------
  std::string StepCodeFileName(int step) const;
  [[nodiscard]] int WriteStepCodeFiles(std::FILE* input);
  void ReadStepCodes(CCube& previous, CCube& current, int step, RunLog& log);
  int CodeToInteger(char code);

  // ---- echo (input_echo.cpp) ---------------------------------------------------
  [[nodiscard]] int WriteInputEcho();
  // The echo's code grids, read back from the step code files (result 4 when
  // one is missing or short).
  [[nodiscard]] int EchoCodeGrids(RunLog& log);
  void WriteTopoGridDetails(RunLog& log);
  void WriteStaticGridDetails(RunLog& log, int gridNumber, int blockCount, double width, int blocksX,
                             int blocksY, double originX, double originY, double originZ,
                             int gridCount);

  // ---- result files (result_files.cpp; SetUnits in model_input.h) ---------------
  void SetUnits() { kavrel::SetUnits(*this, *messages); }
  [[nodiscard]] int WriteResults(int mode);

  // ---- stress grid files (stress_grid_files.cpp) --------------------------------
  [[nodiscard]] int TopoInputReader();
  [[nodiscard]] int TopoStressWriter();
  [[nodiscard]] int TopoStressReader();
  [[nodiscard]] int OffSeamStressWriter(int step);
  [[nodiscard]] int StaticStressReader(RunLog& log);

  // ---- step summary (model/step_summary.cpp) -----------------------------------------
  // Every summary row of the run so far, in the order computed; the run
  // appends each step's rows to MODEL.summary.csv (`summaryFileName`).
  std::vector<StepSummaryRow> summaryRows;
  std::string summaryFileName;
  SummaryUnits SummaryUnitsOf() const;
  // Writes the rows of `step` (creating the file at step 1). A file that
  // cannot be written ends the run (exit code 1).
  void WriteSummaryFile(int step);

  // ---- run driver (run/run_driver.cpp) ---------------------------------------
  [[nodiscard]] int RunAnalysis();
  // Passes allowed at one detail level of a step before the run ends as
  // unsettled (message M2, exit code 1).
  int maxPassesPerLevel = 1000;
  // Threads the run may use (kavrel run --threads); 0 takes every core. The
  // results, the log and every report are the same for any count.
  int threadCount = 0;

  // ---- material laws (solver/element_stress.cpp) ---------------------------------
  void ElementStress(double** u, double** stress, char** codes, double thickness);
  double SofteningCoalStress(int code, double strain) const;
  double PlasticCoalStress(int code, double strain) const;
  double BilinearGobStress(int code, double strain) const;
  double HardeningGobStress(int code, double strain) const;

  // ---- SOR (solver/sor_solver.cpp) -------------------------------------------------
  // One seam's solve (solver/sor_solver.h, SolveSeamSor) with the model's
  // settings; books the last two largest changes in maxDisplacement[s].
  [[nodiscard]] int SolveSeam(double** u, char** codes, int s, int seamNx, int seamNy, double d,
                double thickness, double** stress, double** overburden, double** surface,
                double** interseam, double** precalculated, RunLog& log);
  [[nodiscard]] int SolveSeamWithFault(double** u, char** codes, int s, int seamNx, int seamNy, double d,
                         double thickness, double** stress, double** overburden, double** surface,
                         double** interseam, double** precalculated, RunLog& log);
  void ApplyBoundaryConditions(double** u);

  // ---- influence kernel (solver/influence_kernel.cpp) --------------------------------
  void AddInfluence(double** source, int nxS, int nyS, double wS, double xS, double yS,
                    double** target, int nxT, int nyT, double wT, double xT, double yT, double h,
                    int mirror);

  // ---- topographic stresses (solver/topographic.cpp) ----------------------------------
  void TopographicStresses(RunLog& log);
  int TopographicSor(double** displacement, int gridNx, int gridNy, double blockWidth,
                     double** load, RunLog& log);

  // ---- timing profile (run/timing_profile.cpp, forwarders of timing_profile.h) -----------
  void PrintStepProfile(int step, RunLog& log);
  void PrintRunProfile(RunLog& log);

  // ---- pillars and safety factors (post/pillars.cpp, post/safety_factors.cpp) -----------
  void IdentifyPillars(int s);
  void ReleasePillars();
  void ElementSafetyFactors(DCube& convergence, CCube& fineCodes, double* seamThickness,
                            DCube& elementStrainSF, int s);
  void PillarSafetyFactors(DCube& pillarStressSF, DCube& pillarStrainSF, int s, RunLog& log);
  void PillarStiffness(int s, Pillar* pillar, double& averageStress, double& averageConvergence,
                       double& stiffness);

  // ---- energy (post/energy.cpp) ----------------------------------------------------------
  void CalculateEnergy(int step, int s);
  void LinearElasticCoalEnergy(int code, double strain, int s, double& total, double& stored,
                               double& dissipated);
  void StrainSofteningCoalEnergy(int code, double strain, int s, double& total, double& stored,
                                 double& dissipated);
  void ElasticPlasticCoalEnergy(int code, double strain, int s, double& total, double& stored,
                                double& dissipated);
  void BilinearGobEnergy(int code, double strain, int s, double& total, double& stored,
                         double& dissipated);
  void StrainHardeningGobEnergy(int code, double strain, int s, double& total, double& stored,
                                double& dissipated);
  void LinearElasticGobEnergy(int code, double strain, int s, double& total, double& stored,
                              double& dissipated);

  // ---- local mine stiffness (post/local_mine_stiffness.cpp) ------------------------------
  void StartLmsPillar(int p, RunLog& log, int& M, int& L);
  void FinishLmsPillar(int step, int p, RunLog& log);
  void PillarAverages(int seam, Pillar* pillar, double& averageStress, double& averageConvergence);
  void WriteLmsTable(int step, RunLog& log);

  // ---- remote displacements and strains (post/remote_displacement.cpp) --------------------
  void RemoteDisplacement(double** source, int sourceNx, int sourceNy, double sourceWidth,
                          double sourceX0, double sourceY0, double** target, int targetNx,
                          int targetNy, double targetWidth, double targetX0, double targetY0,
                          double dz, int negate);
  void RemoteStrains(int nx, int ny, double** displacement, double width, double** xSlope,
                     double** ySlope, double** xStrain, double** yStrain);

  // ---- roof bending (post/roof_stresses.cpp) ----------------------------------------------
  void RoofStresses(int s);

  // ---- off-seam grids (post/off_seam.cpp) ---------------------------------------------------
  [[nodiscard]] int OffSeamDisplacements(int step);
  [[nodiscard]] int OffSeamStresses(int step);

 private:
  NullProgressSink nullProgress_;
  NullMessageSink nullMessages_;
};

}  // namespace kavrel
