// One analysis run as a sequence of stages over the model record: the
// preliminary stress fields, then per step the first solves, the level
// schedule of every LMS run (coupling recomputations and SOR passes), the
// post-processing and the step's files. Each stage is a member of
// AnalysisRun, which owns the state that lives only as long as the run: the
// log, the pass state (detail level L and pass measure M) and the SOR tallies
// of the step summary. The order of every progress report, log line and file
// write is the order in which these stages call them.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/run_log.h"
#include "model/model_dat.h"
#include "post/remote_displacement.h"
#include "solver/sor_solver.h"
#include "run/phase_timer.h"
#include "run/worker_pool.h"

namespace kavrel {

// Phase texts are formatted into the 80-character buffer the window expects.
__attribute__((format(printf, 1, 2))) std::string PhaseText(const char* format, ...);

class AnalysisRun {
 public:
  // The model's arrays must be allocated and its log open in `log`.
  AnalysisRun(CModelDat& model, RunLog& log);
  ~AnalysisRun();

  void TopographicStresses();
  void StaticStresses();
  void Step(int step);
  void Finish();

  // What one piece of work done on a worker leaves for the run's thread
  // (run_threads.cpp).
  struct PieceRecord;

 private:
  // The SOR work on one seam since the tally was last cleared.
  struct SolveTally {
    int sweeps = 0;
    int solves = 0;
    int largest = 0;
  };

  // ---- solve (run_passes.cpp) ----
  void LmsRun(int step, int p);
  void LevelSchedule(int step, int p);
  // The source seam's convergence averaged to a pass's detail level: its
  // element counts and width (coarseConvergence holds the values).
  struct LevelGrid {
    int nx = 0, ny = 0;
    double elementWidth = 0;
  };
  void CouplingRecomputation(int step, int p);
  void InterseamStresses(int step, int p, int source, const LevelGrid& level);
  void MirrorImageStresses(int step, int p, int source, const LevelGrid& level);
  // The first solves of a step (`first`) or one SOR pass.
  void SolveSeams(bool first, int step, int p);
  void SaveOldConvergence(int l);
  // The same with the seams solved on the workers (run_threads.cpp).
  void CouplingConcurrent(int step, int p);
  void SolveSeamsConcurrent(bool first, int step, int p);
  // Waits on the workers: keeps the elapsed time shown (and so sees a Ctrl-C
  // or a closed window).
  std::vector<std::exception_ptr> OnWorkers(int count, const std::function<void(int)>& piece,
                                            bool callerTakesFirst = false);
  // The lines and reports around one coupling pair (source j on target k;
  // `image`: from the mirror image of j), as the one-thread stage gives them.
  void BeforeCouplingPair(int step, int p, int j, int k, bool image);
  void AfterCouplingPair(int step, int j, int k, bool image, long long seconds);
  // A pair computed on a worker, given in its place.
  void GiveCouplingPair(int step, int p, int j, int k, bool image, const PieceRecord& record);
  SeamSolveArrays ArraysOf(int s) const;  // seam s's arrays for its solve
  RowBands Bands() const;                 // the threads a solve may borrow
  // The lines and reports around seam l's solve, as the one-thread stage
  // gives them (run_passes.cpp).
  void BeforeSolve(bool first, int step, int p, int l);
  void AfterSolve(bool first, int step, int l, const SeamSolveResult& r, long long seconds);
  void Book(int s, int level, const SeamSolveResult& r, long long seconds);
  void AverageOscillatingSeam(int step, int s);
  [[noreturn]] void LevelDidNotSettle(int step, int p);

  // ---- post-processing (run_post.cpp) ----
  void PostProcess(int step);
  void SafetyFactors();
  void Energy(int step);
  void RemoteDisplacements(int step);
  void RemoteDisplacementsConcurrent(int step);  // run_threads.cpp
  void AddRemotePair(int g, int h, bool image, const RemoteReports& reports);
  void BeforeRemotePair(int step, int g, int h, bool image);
  void AfterRemotePair(int step, int g, int h, bool image, long long seconds);
  void RoofStresses();
  void OffSeamGrids(int step);
  // Adds the summary rows of every seam for the block just solved (and,
  // when `postProcessed`, post-processed); the tallies start again.
  void Summarise(int step, int p, bool postProcessed);

  // Shows the run's elapsed time and returns the seconds `work` took.
  template <class Work>
  long long Timed(Work&& work);

  CModelDat& m_;
  RunLog& log_;
  ProgressSink& progress_;
  const bool lms_;
  // Pass state: detail level index L and pass measure M (the largest SOR
  // sweep count of the last pass). M carries over from step to step.
  int M_ = 1001;
  int L_ = 3;
  // "LMS Pillar <p>, " in the lines of an LMS run, empty otherwise.
  std::string pillarText_;
  std::vector<SolveTally> tally_;
  const SorSettings solverSettings_;
  // Workers, when the run may use more than one thread; null otherwise, and
  // every stage then runs on the calling thread exactly as written.
  std::unique_ptr<WorkerPool> pool_;
  int threads_ = 1;
  std::vector<DMatrix> coarse_;  // every seam averaged to the pass's level
};

template <class Work>
long long AnalysisRun::Timed(Work&& work) {
  return TimedPhase(progress_, m_.runClock, std::forward<Work>(work));
}

}  // namespace kavrel
