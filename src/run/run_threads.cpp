// The solve stages of a pass with the work spread over the workers: the
// coupling stresses one target seam per piece, the SOR solves one seam per
// piece. Each piece writes only its own seam's arrays and records its
// reports and log lines; the run's thread then gives them out seam after
// seam, with the lines the driver writes around them, exactly as the one-
// thread stages in run_passes.cpp write them. The sums are formed in the
// one-thread order: a target seam's coupling stress adds its sources 1..S.
#include <cmath>
#include <exception>

#include "core/fatal_exit.h"
#include "run/analysis_run.h"
#include "run/deferred_reports.h"
#include "solver/detail_levels.h"
#include "solver/influence_kernel.h"
#include "solver/sor_solver.h"

namespace kavrel {

std::vector<std::exception_ptr> AnalysisRun::OnWorkers(int count,
                                                        const std::function<void(int)>& piece,
                                                        bool callerTakesFirst) {
  return pool_->Run(
      count, piece, [this] { progress_.ShowElapsed(CalendarSeconds() - m_.runClock); },
      callerTakesFirst);
}

// What one piece of work leaves for the run's thread.
struct AnalysisRun::PieceRecord {
  PieceRecord(const std::atomic<bool>& cancel, long long runStart) : reports(cancel, runStart) {}
  DeferredReports reports;
  RunLog log;  // in memory for a seam solve on a worker; closed otherwise
  long long seconds = 0;
};

namespace {

// The records of every (source j, target k, image) pair of a batch, for the
// coupling and remote-displacement pieces (one piece per target seam).
class PairRecords {
 public:
  PairRecords(int seams, const std::atomic<bool>& cancel, long long runStart)
      : seams_(seams), records_(static_cast<std::size_t>((seams + 1) * (seams + 1) * 2)) {
    for (auto& r : records_) r = std::make_unique<AnalysisRun::PieceRecord>(cancel, runStart);
  }
  AnalysisRun::PieceRecord& operator()(int source, int target, bool image) {
    return *records_[static_cast<std::size_t>((source * (seams_ + 1) + target) * 2 + image)];
  }

 private:
  int seams_;
  std::vector<std::unique_ptr<AnalysisRun::PieceRecord>> records_;
};

}  // namespace

void AnalysisRun::CouplingConcurrent(int step, int p) {
  const int S = m_.seamCount;
  const int f = kLevelFactor[L_];
  const int levelNx = m_.nx / f, levelNy = m_.ny / f;
  const double levelWidth = f * m_.elementWidth;
  m_.surfaceEffectStress.Fill(0.0);
  m_.interseamStress.Fill(0.0);
  if (coarse_.size() != static_cast<std::size_t>(S) + 1) {
    coarse_.clear();
    coarse_.resize(static_cast<std::size_t>(S) + 1);
    for (int j = 1; j <= S; ++j) coarse_[static_cast<std::size_t>(j)].Allocate(1, m_.nx, 1, m_.ny);
  }
  for (int j = 1; j <= S; ++j)
    AverageToLevel(m_.convergence[j], m_.nx, m_.ny, coarse_[static_cast<std::size_t>(j)], levelNx,
                   levelNy, f);

  // Piece k - 1 computes target seam k: its interseam stress from every other
  // seam, then its mirror-image stress from every seam, sources in order.
  const bool mirror = m_.surfaceEffects == 1;
  PairRecords pair(S, pool_->Cancel(), progress_.RunStartTime());
  const std::vector<std::exception_ptr> failed = OnWorkers(S, [&](int piece) {
    const int k = piece + 1;
    const InfluenceGrid to{m_.interseamStress[k], m_.nx, m_.ny, m_.elementWidth, m_.seamX[k],
                           m_.seamY[k]};
    const InfluenceGrid image{m_.surfaceEffectStress[k], m_.nx, m_.ny, m_.elementWidth,
                              m_.seamX[k], m_.seamY[k]};
    for (int m = 0; m <= (mirror ? 1 : 0); ++m) {
      for (int j = 1; j <= S; ++j) {
        if (m == 0 && j == k) continue;
        PieceRecord& r = pair(j, k, m == 1);
        const InfluenceGrid from{coarse_[static_cast<std::size_t>(j)], levelNx, levelNy,
                                 levelWidth, m_.seamX[j], m_.seamY[j]};
        const long long start = CalendarSeconds();
        AddInfluenceSeparable(from, m == 0 ? m_.seamZ[j] - m_.seamZ[k] : m_.seamZ[j] + m_.seamZ[k],
                              m, m_.elasticModulus, m_.layerPlateFactor, m == 0 ? to : image,
                              &r.reports, m_.runClock, pool_.get());
        r.seconds = CalendarSeconds() - start;
      }
    }
  });
  for (const std::exception_ptr& e : failed)
    if (e) std::rethrow_exception(e);

  // The reports and lines in the one-thread order: source seam j outer.
  for (int j = 1; j <= S; ++j) {
    progress_.SetPrimarySeam(j);
    for (int k = 1; k <= S; ++k)
      if (k != j) GiveCouplingPair(step, p, j, k, false, pair(j, k, false));
    if (!mirror) continue;
    progress_.SetPhase("Calculating Surface Effect Stresses");
    for (int k = 1; k <= S; ++k) GiveCouplingPair(step, p, j, k, true, pair(j, k, true));
  }
}

void AnalysisRun::GiveCouplingPair(int step, int p, int j, int k, bool image,
                                   const PieceRecord& record) {
  BeforeCouplingPair(step, p, j, k, image);
  record.reports.Replay(progress_, *m_.messages);
  progress_.ShowElapsed(CalendarSeconds() - m_.runClock);
  AfterCouplingPair(step, j, k, image, record.seconds);
}

// One piece per target seam h: the displacements from every other seam, then
// from every seam's mirror image, sources in order; given afterwards in the
// one-thread order (source g outer).
void AnalysisRun::RemoteDisplacementsConcurrent(int step) {
  const int S = m_.seamCount;
  const bool mirror = m_.surfaceEffects == 1;
  PairRecords pair(S, pool_->Cancel(), progress_.RunStartTime());
  const std::vector<std::exception_ptr> failed = OnWorkers(S, [&](int piece) {
    const int h = piece + 1;
    for (int m = 0; m <= (mirror ? 1 : 0); ++m)
      for (int g = 1; g <= S; ++g) {
        if (m == 0 && g == h) continue;
        PieceRecord& r = pair(g, h, m == 1);
        const long long start = CalendarSeconds();
        AddRemotePair(g, h, m == 1, RemoteReports{r.reports, r.reports, m_.runClock});
        r.seconds = CalendarSeconds() - start;
      }
  });
  auto give = [&](int g, int h, int m) {
    BeforeRemotePair(step, g, h, m == 1);
    pair(g, h, m == 1).reports.Replay(progress_, *m_.messages);
    progress_.ShowElapsed(CalendarSeconds() - m_.runClock);
    AfterRemotePair(step, g, h, m == 1, pair(g, h, m == 1).seconds);
  };
  for (const std::exception_ptr& e : failed)
    if (e) std::rethrow_exception(e);
  for (int g = 1; g <= S; ++g) {
    progress_.SetPrimarySeam(g);
    for (int h = 1; h <= S; ++h)
      if (h != g) give(g, h, 0);
  }
  if (mirror)
    for (int g = 1; g <= S; ++g)
      for (int h = 1; h <= S; ++h) give(g, h, 1);
}

// The first solves of a step (`first`: no old convergences kept, no
// averaging, the level-3 lines of FirstSolves) or one SOR pass. Seam 1 is
// solved on the run's thread with its reports given as they come, so that
// its log lines and progress are live as on one thread; seams 2.. are solved
// on the workers meanwhile and given afterwards, in order.
void AnalysisRun::SolveSeamsConcurrent(bool first, int step, int p) {
  const int S = m_.seamCount;
  std::vector<std::unique_ptr<PieceRecord>> record(static_cast<std::size_t>(S) + 1);
  for (auto& r : record) r = std::make_unique<PieceRecord>(pool_->Cancel(), progress_.RunStartTime());
  std::vector<SeamSolveResult> result(static_cast<std::size_t>(S) + 1);
  BeforeSolve(first, step, p, 1);
  const std::vector<std::exception_ptr> failed = OnWorkers(
      S,
      [&](int piece) {
        const int l = piece + 1;
        PieceRecord& r = *record[static_cast<std::size_t>(l)];
        if (!first) SaveOldConvergence(l);
        if (l > 1) r.log = RunLog::InMemory();
        const SolveReporting live{progress_, *m_.messages, log_, m_.runClock, l};
        const SolveReporting held{r.reports, r.reports, r.log, m_.runClock, l};
        const long long start = CalendarSeconds();
        result[static_cast<std::size_t>(l)] =
            SolveSeamSor(solverSettings_, m_.Materials(), ArraysOf(l), l == 1 ? live : held,
                         Bands());
        r.seconds = CalendarSeconds() - start;
      },
      true);

  // The seams in order, each as the one-thread stage gives it; a seam that
  // failed ends the run after its own reports, and nothing of later seams
  // is given.
  for (int l = 1; l <= S; ++l) {
    PieceRecord& r = *record[static_cast<std::size_t>(l)];
    if (l > 1) {
      BeforeSolve(first, step, p, l);
      r.reports.Replay(progress_, *m_.messages);
      log_.Write(r.log.TakeText());
    }
    if (const std::exception_ptr& e = failed[static_cast<std::size_t>(l - 1)])
      std::rethrow_exception(e);
    progress_.ShowElapsed(CalendarSeconds() - m_.runClock);
    AfterSolve(first, step, l, result[static_cast<std::size_t>(l)], r.seconds);
  }
}

}  // namespace kavrel
