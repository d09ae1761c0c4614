// A seam solve that goes on in row bands on borrowed threads must end exactly
// as the same solve on one thread: convergence and stresses (ghost border
// included), sweep count and largest change, every log line, contact report
// and progress call (none twice, though the last sweeps are swept again from
// a checkpoint), and at the sweep limit the same failure with the same
// arrays.
#include <gtest/gtest.h>

#include <string>

#include "core/fatal_exit.h"
#include "solver/row_bands.h"
#include "solver/solver_test_support.h"
#include "support/threads_on_hand.h"

namespace kavrel {
namespace {

using testing_support::FillMixedModel;
using testing_support::MixedCase;
using testing_support::SeamArrays;
using testing_support::SolveCase;
using testing_support::ThreadsOnHand;

struct Outcome {
  SeamSolveResult result;
  int exitCode = 0;  // of a FatalExit
  std::string log;
};

RowBands AnyBands(ThreadLender& lender, int bands, int askEvery, int checkpointEvery = 32) {
  RowBands b;
  b.lender = &lender;
  b.maxBands = bands;
  b.minRowsPerBand = 8;
  b.minElements = 0;
  b.askEvery = askEvery;
  b.checkpointEvery = checkpointEvery;
  return b;
}

// One mixed seam twice: solved on one thread and with row bands, each twice
// (the second warm, under a little more load).
struct Twins {
  SolveCase one, many;
  SeamArrays a, b;
  Twins(const MixedCase& c, unsigned seed, int maxIterations = 200000)
      : a(c.nx, c.ny), b(c.nx, c.ny) {
    FillMixedModel(one, a, c, seed);
    FillMixedModel(many, b, c, seed);
    one.settings.maxIterations = many.settings.maxIterations = maxIterations;
  }

  static Outcome SolveTwice(SolveCase& c, SeamArrays& a, bool fault, const RowBands& bands) {
    Outcome out;
    RunLog log = RunLog::InMemory();
    SorSettings settings = c.settings;
    settings.fault = fault;
    try {
      for (int solve = 0; solve < 2; ++solve) {
        out.result = SolveSeamSor(settings, c.Materials(), a.Solve(60.0),
                                  SolveReporting{c.progress, c.messages, log, 0, 1}, bands);
        for (int i = 1; i <= a.nx; ++i)
          for (int j = 1; j <= a.ny; ++j) a.overburden[i][j] *= 1.05;
      }
    } catch (const FatalExit& e) {
      out.exitCode = e.exitCode();
    }
    out.log = log.TakeText();
    return out;
  }

  // Solves both and expects the same end; returns the one-thread outcome.
  Outcome ExpectSameEnd(bool fault, const RowBands& bands) {
    const Outcome x = SolveTwice(one, a, fault, RowBands{});
    const Outcome y = SolveTwice(many, b, fault, bands);
    int convergences = 0, stresses = 0;  // elements that differ
    for (int i = 0; i <= a.nx + 1; ++i)
      for (int j = 0; j <= a.ny + 1; ++j) convergences += a.u[i][j] != b.u[i][j];
    for (int i = 1; i <= a.nx; ++i)
      for (int j = 1; j <= a.ny; ++j) stresses += a.stress[i][j] != b.stress[i][j];
    EXPECT_EQ(convergences, 0);
    EXPECT_EQ(stresses, 0);
    EXPECT_EQ(x.exitCode, y.exitCode);
    EXPECT_EQ(x.result.sweeps, y.result.sweeps);
    EXPECT_EQ(x.result.maxChange, y.result.maxChange);
    EXPECT_EQ(x.result.iMax, y.result.iMax);
    EXPECT_EQ(x.result.jMax, y.result.jMax);
    EXPECT_EQ(x.log, y.log);
    EXPECT_EQ(one.messages.diagnostics, many.messages.diagnostics);
    EXPECT_EQ(one.messages.boxes, many.messages.boxes);
    EXPECT_EQ(one.progress.iterations, many.progress.iterations);
    return x;
  }
};

// Mixed laws with a mined-out element in contact, under every edge kind and
// both fault orientations, in 2 and 3 or 4 bands of uneven sizes, with
// checkpoints at every sweep the bands allow or every seventh.
TEST(RowBands, BandedSolveEndsExactlyAsTheOneThreadSolve) {
  const MixedCase cases[] = {
      {70, 37, false, 0, 0, 0, 0, 0, 1, 1, 1, 1, true, true, true, 1.7},
      {61, 30, true, 0, 5, 50, 17, 18, 1, 0, 1, 0, true, false, false, 1.5},
      {83, 29, true, 1, 33, 34, 3, 30, 0, 1, 0, 1, false, true, true, 1.8},
  };
  unsigned seed = 7;
  for (int n = 0; n < 3; ++n)
    for (const int bands : {2, 3 + n % 2}) {
      const MixedCase& c = cases[n];
      SCOPED_TRACE(std::to_string(c.nx) + "x" + std::to_string(c.ny) + " in " +
                   std::to_string(bands));
      Twins twins(c, seed++);
      ThreadsOnHand lender(bands - 1, bands - 1);
      const Outcome x =
          twins.ExpectSameEnd(c.fault, AnyBands(lender, bands, 1 + bands % 2, bands == 2 ? 1 : 7));
      EXPECT_EQ(lender.lends_, 2);  // once per solve
      EXPECT_GT(x.result.sweeps, 100);
      EXPECT_FALSE(twins.one.messages.diagnostics.empty());
    }
}

// The sweep limit falls inside the banded part: the same SOR1 failure, log
// and arrays as after the limit's sweep on one thread, although later sweeps
// had begun.
TEST(RowBands, SweepLimitEndsTheBandedSolveAsOnOneThread) {
  const MixedCase c{64, 33, false, 0, 0, 0, 0, 0, 1, 1, 1, 1, false, true, false, 1.6};
  Twins twins(c, 3, 137);
  ThreadsOnHand lender(2, 2);
  EXPECT_EQ(twins.ExpectSameEnd(false, AnyBands(lender, 3, 1)).exitCode, 1);
  EXPECT_EQ(twins.one.messages.boxes.back(), "Maximum Number of Iterations Reached - SOR1");
}

// A lender that hands out fewer threads than it said it had: the bands that
// started give up without touching the seam, and the solve goes on alone.
TEST(RowBands, ShortLendLeavesTheSolveOnItsOwnThread) {
  const MixedCase c{48, 40, false, 0, 0, 0, 0, 0, 1, 1, 1, 1, true, false, false, 1.7};
  Twins twins(c, 11);
  ThreadsOnHand lender(3, 1);
  twins.ExpectSameEnd(false, AnyBands(lender, 4, 50));
  EXPECT_GT(lender.lends_, 2);  // asked again every 50 sweeps
}

}  // namespace
}  // namespace kavrel
