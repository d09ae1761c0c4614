// The pipelined row bands of one seam's solve (see row_bands.h).
//
// Who writes what: band b alone writes its rows of u and totalStress (and the
// ghost row at a seam edge it holds), its saves, its slot of each sweep and
// its two progress counters. The last band judges each sweep from the slots
// of all bands and publishes the verdict. Band 0 runs on the solve's own
// thread and is the only one that reports: it gives each judged sweep's
// contact reports and log lines in order, then, once the solve stops, waits
// for the other bands, puts back the last checkpoint, sweeps again from there
// up to the last sweep and returns.
#include "solver/row_bands.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/message_sink.h"
#include "solver/sor_solver.h"

namespace kavrel {

namespace {

// Mined-out contact reports of one band in one sweep, held until the sweep
// is judged.
class HeldReports : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { held_.emplace_back(true, text); }
  void WriteDiagnostic(const std::string& text) override { held_.emplace_back(false, text); }
  void Clear() { held_.clear(); }
  void GiveTo(MessageSink& sink) const {
    for (const auto& [box, text] : held_) {
      if (box) sink.ShowMessage(text);
      else sink.WriteDiagnostic(text);
    }
  }

 private:
  std::vector<std::pair<bool, std::string>> held_;
};

struct alignas(64) Counter {
  std::atomic<int> value{0};
};

// One band's part of one sweep.
struct BandSlot {
  SweepOutcome outcome;
  HeldReports reports;
};

struct Band {
  int lo = 0, hi = 0;          // rows swept
  int saveLo = 0, saveHi = 0;  // rows of u saved, with a seam-edge ghost row
  std::vector<double> wave;
  // The last two checkpoints (convergence with its ghost cells, stress).
  std::unique_ptr<double[]> savedU, savedStress;
  std::vector<BandSlot> slots;
  Counter done;       // last sweep the band finished
  Counter firstRows;  // last sweep whose first group of rows is new
  int begun = 0;      // last sweep the band began (its own thread only)
};

class BandedSolve {
 public:
  BandedSolve(const SeamSweepPlan& plan, const SorSettings& settings, const SeamSolveArrays& a,
              int bands, int checkpointEvery, int firstSweep, const SweepOutcome& before);

  int Bands() const { return static_cast<int>(bands_.size()); }
  // The loop of band b >= 1 on a lent thread.
  void Helper(int b);
  // The loop of band 0 on the solve's own thread, which reports; returns the
  // sweep judged last, 0 when a helper failed.
  [[nodiscard]] int Lead(const SolveReporting& report);
  void HelpersLent(int count) { helpers_.fetch_add(count, std::memory_order_acq_rel); }
  // Stops the helpers and waits until all have returned.
  void Halt();
  // Puts back the last checkpoint at or before sweep `last` and returns its
  // sweep.
  [[nodiscard]] int PutBack(int last);
  // Sweeps `from` + 1 .. `last` again on this thread, reporting nothing (the
  // bands gave those sweeps' reports).
  void SweepAgain(int from, int last);
  const SweepOutcome& Judged(int s) const { return judged_[Slot(s)]; }
  std::exception_ptr HelperError() const { return helperError_; }

 private:
  // A band may run one sweep ahead of the band below it, so the first band
  // runs at most as many sweeps ahead of the last verdict as there are bands:
  // the sweeps in flight, each with its slot.
  int Depth() const { return Bands(); }
  std::size_t Slot(int s) const { return static_cast<std::size_t>(s % Depth()); }
  // The checkpoint taken at the end of sweep c (every checkpointEvery_ from
  // the sweep before the bands began) and its save, of two.
  bool IsCheckpoint(int c) const { return (c - base_) % checkpointEvery_ == 0; }
  int CheckpointAtOrBefore(int s) const {
    return base_ + (s - base_) / checkpointEvery_ * checkpointEvery_;
  }
  std::size_t Save(int c) const {
    return static_cast<std::size_t>((c - base_) / checkpointEvery_ % 2);
  }
  bool Sweep(int b, int s, const SolveReporting* report);
  void Judge(int s);
  void Give(int s, const SolveReporting& report);
  void SaveRows(Band& band, int c);
  void Signal(std::atomic<int>& c, int v);
  // Waits until `ready` holds; false when the sweep on hand is to be dropped
  // (a verdict to stop came, or the solve halts).
  template <class Ready>
  bool WaitFor(Ready ready);

  const SeamSweepPlan& plan_;
  const SorSettings& settings_;
  const SeamSolveArrays& a_;
  // At least Depth(), so that a checkpoint is never overwritten while the
  // verdict to stop could still send the solve back to it.
  const int checkpointEvery_;
  const int base_;  // the sweep before the bands began: checkpoint 0
  const int rowWidth_;
  std::vector<std::unique_ptr<Band>> bands_;
  Counter goOn_;                  // last sweep judged to go on
  Counter stopAt_;                // the sweep judged last, 0 before
  std::atomic<bool> halt_{false};
  Counter epoch_;                 // raised at every signal; waiters sleep on it
  std::atomic<int> helpers_{0};   // helpers that have not returned
  std::vector<SweepOutcome> judged_;
  SweepOutcome carried_;          // the judge's running largest change
  std::atomic<bool> failed_{false};
  std::exception_ptr helperError_;  // the first helper's failure
  int given_;                     // last sweep band 0 has given
};

BandedSolve::BandedSolve(const SeamSweepPlan& plan, const SorSettings& settings,
                         const SeamSolveArrays& a, int bands, int checkpointEvery,
                         int firstSweep, const SweepOutcome& before)
    : plan_(plan),
      settings_(settings),
      a_(a),
      checkpointEvery_(std::max(checkpointEvery, bands)),
      base_(firstSweep - 1),
      rowWidth_(a.ny + 2),
      judged_(static_cast<std::size_t>(bands)),
      carried_(before),
      given_(firstSweep - 1) {
  goOn_.value.store(firstSweep - 1);
  // Bands of whole groups of rows in flight, as even as that allows.
  const int nx = a.nx;
  const int groups = (nx + kRowsInFlight - 1) / kRowsInFlight;
  int lo = 1;
  for (int b = 0; b < bands; ++b) {
    auto band = std::make_unique<Band>();
    const int take = (groups * (b + 1)) / bands - (groups * b) / bands;
    band->lo = lo;
    band->hi = b == bands - 1 ? nx : std::min(nx, lo + take * kRowsInFlight - 1);
    lo = band->hi + 1;
    band->saveLo = b == 0 ? 0 : band->lo;
    band->saveHi = b == bands - 1 ? nx + 1 : band->hi;
    band->wave.assign(kWaveRows * static_cast<std::size_t>(rowWidth_), 0.0);
    const std::size_t rows = static_cast<std::size_t>(band->saveHi - band->saveLo + 1);
    // Left uninitialised: every save is written before it is read.
    band->savedU.reset(new double[2 * rows * rowWidth_]);
    band->savedStress.reset(new double[2 * rows * rowWidth_]);
    band->slots.resize(static_cast<std::size_t>(bands));
    band->done.value.store(firstSweep - 1);
    band->firstRows.value.store(firstSweep - 1);
    band->begun = firstSweep - 1;
    bands_.push_back(std::move(band));
  }
}

void BandedSolve::Signal(std::atomic<int>& c, int v) {
  c.store(v, std::memory_order_release);
  epoch_.value.fetch_add(1, std::memory_order_acq_rel);
  epoch_.value.notify_all();
}

template <class Ready>
bool BandedSolve::WaitFor(Ready ready) {
  for (int spin = 0;; ++spin) {
    const int epoch = epoch_.value.load(std::memory_order_acquire);
    if (halt_.load(std::memory_order_acquire) || stopAt_.value.load(std::memory_order_acquire))
      return false;
    if (ready()) return true;
    // A band waits for its neighbour for a fraction of a sweep: spin first,
    // then give the core away (the neighbour may be waiting for it), and
    // sleep only when the wait is long.
    if (spin < 4000) {
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
      continue;
    }
    if (spin < 4400) {
      std::this_thread::yield();
      continue;
    }
    epoch_.value.wait(epoch, std::memory_order_acquire);
  }
}

void BandedSolve::Halt() {
  halt_.store(true, std::memory_order_release);
  epoch_.value.fetch_add(1, std::memory_order_acq_rel);
  epoch_.value.notify_all();
  for (;;) {
    const int epoch = epoch_.value.load(std::memory_order_acquire);
    if (helpers_.load(std::memory_order_acquire) == 0) return;
    epoch_.value.wait(epoch, std::memory_order_acquire);
  }
}

// The band's rows as they stand at the end of sweep c, its checkpoint.
void BandedSolve::SaveRows(Band& band, int c) {
  const std::size_t rows = static_cast<std::size_t>(band.saveHi - band.saveLo + 1);
  const std::size_t width = static_cast<std::size_t>(rowWidth_);
  double* su = band.savedU.get() + Save(c) * rows * width;
  double* ss = band.savedStress.get() + Save(c) * rows * width;
  for (int i = band.saveLo; i <= band.saveHi; ++i, su += width, ss += width) {
    std::memcpy(su, a_.convergence[i], width * sizeof(double));
    if (i >= 1 && i <= a_.nx) std::memcpy(ss + 1, a_.totalStress[i] + 1, (width - 2) * sizeof(double));
  }
}

// Every band that began a sweep after the checkpoint saved its rows for it
// as it began; the others are still at the end of sweep `last`.
int BandedSolve::PutBack(int last) {
  const int c = CheckpointAtOrBefore(last);
  const std::size_t width = static_cast<std::size_t>(rowWidth_);
  for (const auto& band : bands_) {
    if (band->begun <= c) continue;
    const std::size_t rows = static_cast<std::size_t>(band->saveHi - band->saveLo + 1);
    const double* su = band->savedU.get() + Save(c) * rows * width;
    const double* ss = band->savedStress.get() + Save(c) * rows * width;
    for (int i = band->saveLo; i <= band->saveHi; ++i, su += width, ss += width) {
      std::memcpy(a_.convergence[i], su, width * sizeof(double));
      if (i >= 1 && i <= a_.nx)
        std::memcpy(a_.totalStress[i] + 1, ss + 1, (width - 2) * sizeof(double));
    }
  }
  return c;
}

void BandedSolve::SweepAgain(int from, int last) {
  NullMessageSink quiet;
  for (int s = from + 1; s <= last; ++s) {
    SweepOutcome outcome;
    ApplySeamEdges(settings_.edges, a_.nx, a_.ny, a_.convergence);
    SorSweep(plan_, a_.convergence, a_.totalStress, outcome, quiet);
  }
}

// Band b's part of sweep s; false when the sweep is dropped or not begun.
// Band 0 passes `report`: it gives the sweeps judged so far before it
// reuses their slots.
bool BandedSolve::Sweep(int b, int s, const SolveReporting* report) {
  Band& band = *bands_[static_cast<std::size_t>(b)];
  const bool first = b == 0, last = b == Bands() - 1;
  if (s > settings_.maxIterations) return false;
  // A sweep may reuse the slot of sweep s - depth only once that one was
  // judged to go on.
  if (!WaitFor([&] { return goOn_.value.load(std::memory_order_acquire) >= s - Depth(); }))
    return false;
  if (!first) {
    const Band& above = *bands_[static_cast<std::size_t>(b - 1)];
    if (!WaitFor([&] { return above.done.value.load(std::memory_order_acquire) >= s; }))
      return false;
  }
  if (report) {
    const int judged = goOn_.value.load(std::memory_order_acquire);
    while (given_ < judged) Give(given_ + 1, *report);
  }
  band.begun = s;
  if (IsCheckpoint(s - 1)) SaveRows(band, s - 1);
  ApplySeamEdgesToRows(settings_.edges, a_.nx, a_.ny, band.saveLo, band.saveHi, a_.convergence);
  BandSlot& slot = band.slots[Slot(s)];
  slot.reports.Clear();
  slot.outcome = SweepOutcome{};

  struct Hooks {
    BandedSolve* solve;
    Band* band;
    Band* below;
    int s;
  } hooks{this, &band, last ? nullptr : bands_[static_cast<std::size_t>(b + 1)].get(), s};
  SweepRows rows;
  rows.iFirst = band.lo;
  rows.iLast = band.hi;
  rows.wave = band.wave.data();
  rows.context = &hooks;
  if (!first)
    rows.firstRowsDone = [](void* c) {
      auto* h = static_cast<Hooks*>(c);
      h->solve->Signal(h->band->firstRows.value, h->s);
    };
  // The last rows overwrite the row that the band below reads for its first
  // rows of the sweep before.
  if (!last)
    rows.beforeLastRows = [](void* c) {
      auto* h = static_cast<Hooks*>(c);
      return h->solve->WaitFor(
          [h] { return h->below->firstRows.value.load(std::memory_order_acquire) >= h->s - 1; });
    };
  if (!SorSweepRows(plan_, a_.convergence, a_.totalStress, slot.outcome, slot.reports, rows))
    return false;
  Signal(band.done.value, s);
  if (last) Judge(s);
  return true;
}

// The largest change of sweep s over the bands in order (strictly larger
// wins, so a tie keeps the first element in X-outer order; a sweep where no
// element changes keeps the location of the sweep before), and the verdict.
void BandedSolve::Judge(int s) {
  SweepOutcome sweep = carried_;
  sweep.maxChange = 0;
  double largest = 0;
  for (const auto& band : bands_) {
    const SweepOutcome& o = band->slots[Slot(s)].outcome;
    if (o.iMax != 0 && std::fabs(o.maxChange) > largest) {
      sweep = o;
      largest = std::fabs(o.maxChange);
    }
  }
  carried_ = sweep;
  judged_[Slot(s)] = sweep;
  if (s == settings_.maxIterations || !(std::fabs(sweep.maxChange) > settings_.stressConvergence))
    Signal(stopAt_.value, s);
  else
    Signal(goOn_.value, s);
}

void BandedSolve::Helper(int b) {
  try {
    for (int s = bands_[static_cast<std::size_t>(b)]->begun + 1; Sweep(b, s, nullptr); ++s) {
    }
  } catch (...) {
    if (!failed_.exchange(true)) helperError_ = std::current_exception();
    halt_.store(true, std::memory_order_release);
  }
  helpers_.fetch_sub(1, std::memory_order_acq_rel);
  epoch_.value.fetch_add(1, std::memory_order_acq_rel);
  epoch_.value.notify_all();
}

void BandedSolve::Give(int s, const SolveReporting& report) {
  for (const auto& band : bands_) band->slots[Slot(s)].reports.GiveTo(report.messages);
  ReportSweep(s, judged_[Slot(s)], settings_, report);
  given_ = s;
}

int BandedSolve::Lead(const SolveReporting& report) {
  for (int s = given_ + 1; Sweep(0, s, &report); ++s) {
  }
  // The verdict that ends the solve, or a helper's failure.
  for (;;) {
    const int epoch = epoch_.value.load(std::memory_order_acquire);
    if (halt_.load(std::memory_order_acquire) || stopAt_.value.load(std::memory_order_acquire))
      break;
    epoch_.value.wait(epoch, std::memory_order_acquire);
  }
  Halt();
  if (helperError_) return 0;
  const int last = stopAt_.value.load(std::memory_order_acquire);
  while (given_ < last - 1) Give(given_ + 1, report);
  SweepAgain(PutBack(last), last);
  Give(last, report);  // the sweep limit ends the run here (SOR1)
  return last;
}

// Guarantees that no helper outlives the solve, whatever ends it.
struct HaltOnExit {
  BandedSolve& solve;
  ~HaltOnExit() { solve.Halt(); }
};

}  // namespace

bool ContinueInBands(const SeamSweepPlan& plan, const SorSettings& settings,
                     const SeamSolveArrays& a, const SolveReporting& report,
                     const RowBands& policy, int& n, SweepOutcome& outcome) {
  if (!policy.lender || !plan.lawsResolved || policy.maxBands < 2) return false;
  if (static_cast<long long>(a.nx) * a.ny < policy.minElements) return false;
  const int rows = std::max(policy.minRowsPerBand, kRowsInFlight);
  const int bands = std::min({policy.maxBands, a.nx / rows, 1 + policy.lender->Spare()});
  if (bands < 2) return false;
  PrepareWavefront(plan);
  // Shared with the helpers: a helper's last touch (waking the waiters after
  // it has counted itself out) may come after the solve has gone on.
  const auto shared =
      std::make_shared<BandedSolve>(plan, settings, a, bands, policy.checkpointEvery, n, outcome);
  BandedSolve& solve = *shared;
  const int lent = policy.lender->Lend(bands - 1, [shared](int b) { shared->Helper(b); });
  solve.HelpersLent(lent);
  if (lent < bands - 1) {
    // Another solve took a thread meanwhile: the helpers that did start see
    // the halt before their first sweep and return, having changed nothing.
    solve.Halt();
    return false;
  }
  int last = 0;
  {
    HaltOnExit guard{solve};
    last = solve.Lead(report);
  }
  if (solve.HelperError()) std::rethrow_exception(solve.HelperError());
  n = last + 1;
  outcome = solve.Judged(last);
  return true;
}

}  // namespace kavrel
