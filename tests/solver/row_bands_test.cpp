// A seam solve that goes on in row bands on borrowed threads must end exactly
// as the same solve on one thread: convergence and stresses (ghost border
// included), sweep count and largest change, every log line, contact report
// and progress call (none twice, though the last sweeps are swept again from
// a checkpoint), and at the sweep limit the same failure with the same
// arrays.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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

Outcome SolveTwice(SolveCase& c, SeamArrays& a, bool fault, const RowBands& bands) {
  Outcome out;
  RunLog log(UniqueFile(std::tmpfile()));
  SorSettings settings = c.settings;
  settings.fault = fault;
  try {
    for (int solve = 0; solve < 2; ++solve) {
      out.result = SolveSeamSor(settings, c.Materials(), a.Solve(60.0),
                                SolveReporting{c.progress, c.messages, log, 0, 1}, bands);
      for (int i = 1; i <= a.nx; ++i)  // a warm second solve under a little more load
        for (int j = 1; j <= a.ny; ++j) a.overburden[i][j] *= 1.05;
    }
  } catch (const FatalExit& e) {
    out.exitCode = e.exitCode();
  }
  std::FILE* f = log.stream();
  std::rewind(f);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) out.log.append(buffer, n);
  return out;
}

void ExpectSameEnd(const SeamArrays& a, const SeamArrays& b, const Outcome& x, const Outcome& y,
                   const SolveCase& cx, const SolveCase& cy) {
  for (int i = 0; i <= a.nx + 1; ++i)
    for (int j = 0; j <= a.ny + 1; ++j) ASSERT_EQ(a.u[i][j], b.u[i][j]) << i << "," << j;
  for (int i = 1; i <= a.nx; ++i)
    for (int j = 1; j <= a.ny; ++j) ASSERT_EQ(a.stress[i][j], b.stress[i][j]) << i << "," << j;
  EXPECT_EQ(x.exitCode, y.exitCode);
  EXPECT_EQ(x.result.sweeps, y.result.sweeps);
  EXPECT_EQ(x.result.maxChange, y.result.maxChange);
  EXPECT_EQ(x.result.iMax, y.result.iMax);
  EXPECT_EQ(x.result.jMax, y.result.jMax);
  EXPECT_EQ(x.log, y.log);
  EXPECT_EQ(cx.messages.diagnostics, cy.messages.diagnostics);
  EXPECT_EQ(cx.messages.boxes, cy.messages.boxes);
  EXPECT_EQ(cx.progress.iterations, cy.progress.iterations);
}

RowBands AnyBands(ThreadLender& lender, int bands, int askEvery, int checkpointEvery = 32) {
  RowBands b;
  b.checkpointEvery = checkpointEvery;
  b.lender = &lender;
  b.maxBands = bands;
  b.minRowsPerBand = 8;
  b.minElements = 0;
  b.askEvery = askEvery;
  return b;
}

// Mixed laws with a mined-out element in contact, under every edge kind and
// both fault orientations, in 2 and 3 or 4 bands of uneven sizes.
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
      SolveCase one, many;
      SeamArrays a(c.nx, c.ny), b(c.nx, c.ny);
      FillMixedModel(one, a, c, seed);
      FillMixedModel(many, b, c, seed);
      ++seed;
      ThreadsOnHand lender(bands - 1, bands - 1);
      const Outcome x = SolveTwice(one, a, c.fault, RowBands{});
      // Checkpoints at every sweep the bands allow, or every seventh.
      const Outcome y = SolveTwice(many, b, c.fault, AnyBands(lender, bands, 1 + bands % 2,
                                                               bands == 2 ? 1 : 7));
      SCOPED_TRACE(std::to_string(c.nx) + "x" + std::to_string(c.ny) + " in " +
                   std::to_string(bands));
      EXPECT_EQ(lender.lends_, 2);  // once per solve
      EXPECT_GT(x.result.sweeps, 100);
      EXPECT_FALSE(one.messages.diagnostics.empty());
      ExpectSameEnd(a, b, x, y, one, many);
    }
}

// The sweep limit falls inside the banded part: the same SOR1 failure, log
// and arrays as after the limit's sweep on one thread, although later sweeps
// had begun.
TEST(RowBands, SweepLimitEndsTheBandedSolveAsOnOneThread) {
  const MixedCase c{64, 33, false, 0, 0, 0, 0, 0, 1, 1, 1, 1, false, true, false, 1.6};
  SolveCase one, many;
  SeamArrays a(c.nx, c.ny), b(c.nx, c.ny);
  FillMixedModel(one, a, c, 3);
  FillMixedModel(many, b, c, 3);
  one.settings.maxIterations = many.settings.maxIterations = 137;
  ThreadsOnHand lender(2, 2);
  const Outcome x = SolveTwice(one, a, false, RowBands{});
  const Outcome y = SolveTwice(many, b, false, AnyBands(lender, 3, 1));
  EXPECT_EQ(x.exitCode, 1);
  EXPECT_EQ(one.messages.boxes.back(), "Maximum Number of Iterations Reached - SOR1");
  ExpectSameEnd(a, b, x, y, one, many);
}

// A lender that hands out fewer threads than it said it had: the bands that
// started give up without touching the seam, and the solve goes on alone.
TEST(RowBands, ShortLendLeavesTheSolveOnItsOwnThread) {
  const MixedCase c{48, 40, false, 0, 0, 0, 0, 0, 1, 1, 1, 1, true, false, false, 1.7};
  SolveCase one, many;
  SeamArrays a(c.nx, c.ny), b(c.nx, c.ny);
  FillMixedModel(one, a, c, 11);
  FillMixedModel(many, b, c, 11);
  ThreadsOnHand lender(3, 1);
  const Outcome x = SolveTwice(one, a, false, RowBands{});
  const Outcome y = SolveTwice(many, b, false, AnyBands(lender, 4, 50));
  EXPECT_GT(lender.lends_, 2);  // asked again every 50 sweeps
  ExpectSameEnd(a, b, x, y, one, many);
}

}  // namespace
}  // namespace kavrel
