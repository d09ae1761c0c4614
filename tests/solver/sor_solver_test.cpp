// SOR seam solve: closed-form solutions of the seam equation, load balance,
// the fault links, the iteration limits, and bit-for-bit agreement of the
// fused sweep with the literal algorithm (stress pass, boundary copy, sweep).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "core/fatal_exit.h"
#include "solver/solver_test_support.h"
#include "solver/sor_reference.h"
#include "support/fatal_exits.h"

namespace kavrel {
namespace {

using testing_support::FillMixedModel;
using testing_support::MixedCase;
using testing_support::ExitCodeOf;
using testing_support::LiteralSolveSeam;
using testing_support::RecordingMessages;
using testing_support::RecordingProgress;
using testing_support::SeamArrays;
using testing_support::SolveCase;
using testing_support::Solve;

// ---- closed-form checks --------------------------------------------------------

TEST(SorSolver, UniformSeamUnderSymmetricEdgesConvergesToSigmaTOverE) {
  SolveCase m(400000.0);
  SeamArrays a(20, 30);
  a.overburden.Fill(1000.0);
  const double thickness = 72.0;
  const int sweeps = Solve(m, a, thickness).sweeps;
  EXPECT_GT(sweeps, 1);
  const double expected = 1000.0 * thickness / 400000.0;  // 0.18
  for (int i = 1; i <= 20; ++i)
    for (int j = 1; j <= 30; ++j) {
      EXPECT_NEAR(a.u[i][j], expected, 1e-7) << i << "," << j;
      EXPECT_NEAR(a.stress[i][j], 1000.0, 1e-3);
    }
}

TEST(SorSolver, FixedEdgesConvergeLessTowardTheEdges) {
  SolveCase m(400000.0);
  m.settings.edges = SeamEdges{};
  SeamArrays a(20, 20);
  a.overburden.Fill(1000.0);
  Solve(m, a, 72.0);
  const double free = 1000.0 * 72.0 / 400000.0;
  // Along the middle row, from the west edge to the centre and on to the east.
  for (int i = 1; i < 10; ++i) EXPECT_LT(a.u[i][10], a.u[i + 1][10]) << i;
  for (int i = 11; i < 20; ++i) EXPECT_GT(a.u[i][10], a.u[i + 1][10]) << i;
  for (int i = 1; i <= 20; ++i)
    for (int j = 1; j <= 20; ++j) {
      EXPECT_LT(a.u[i][j], free);
      EXPECT_GT(a.u[i][j], 0.0);
    }
  EXPECT_LT(a.u[1][1], a.u[1][10]);  // a corner has two fixed edges
  // The ghost border stays at zero convergence.
  for (int i = 0; i <= 21; ++i) EXPECT_EQ(a.u[i][0], 0.0);
}

// A panel, long in Y, mined out over |x| < a and flanked by elastic coal out to
// x = L, with symmetry at x = 0 and x = L. The continuous seam equation
//   u'' = (2 / (lambda E)) (stress(u) - sigma)
// gives, with k^2 = 2 Ec / (lambda E t), u0 = sigma t / Ec, g = 2 sigma / (lambda E):
//   panel: u = u0 + (g a / k) coth(k (L - a)) + g (a^2 - x^2) / 2.
TEST(SorSolver, LongPanelApproachesTheContinuousSolution) {
  const double E = 3.0e6, lambda = 30.0, Ec = 4.0e5, t = 72.0, sigma = 1000.0;
  const double a = 200.0, L = 1000.0;
  const double k = std::sqrt(2.0 * Ec / (lambda * E * t));
  const double u0 = sigma * t / Ec, g = 2.0 * sigma / (lambda * E);
  auto closedForm = [&](double x) {
    return u0 + g * a / k / std::tanh(k * (L - a)) + g * (a * a - x * x) / 2.0;
  };
  double previousError = 1e30;
  for (double d : {40.0, 20.0, 10.0}) {
    const int nx = static_cast<int>(L / d), panel = static_cast<int>(a / d);
    SolveCase m(Ec);
    m.settings.elasticModulus = E;
    m.settings.plateFactor = lambda;
    m.settings.elementWidth = d;
    m.settings.overRelaxation = 1.9;
    m.settings.stressConvergence = 1e-11;
    SeamArrays s(nx, 2);
    s.overburden.Fill(sigma);
    for (int i = 1; i <= panel; ++i) s.codes[i][1] = s.codes[i][2] = '1';
    Solve(m, s, t);
    double error = 0;
    for (int i = 1; i <= panel; ++i)
      error = std::max(error, std::fabs(s.u[i][1] - closedForm((i - 0.5) * d)));
    // Second order in the element width: halving it quarters the error.
    EXPECT_LT(error, 0.3 * previousError) << "d = " << d;
    previousError = error;
  }
  EXPECT_LT(previousError, 0.002 * closedForm(0.0));
}

// Room and pillar under four symmetry edges: the seam as a whole carries the
// whole overburden load, so the mean stress over all elements is the
// overburden stress, and the pillars carry it on their tributary area.
TEST(SorSolver, RoomAndPillarCarriesTheWholeOverburden) {
  SolveCase m(400000.0);
  m.settings.stressConvergence = 1e-10;
  SeamArrays s(40, 40, '1');
  int pillarElements = 0;
  for (int i = 1; i <= 40; ++i)
    for (int j = 1; j <= 40; ++j)
      if ((i - 1) % 10 < 6 && (j - 1) % 10 < 6) {
        s.codes[i][j] = 'A';
        ++pillarElements;
      }
  const double sigma = 1100.0;
  s.overburden.Fill(sigma);
  Solve(m, s, 72.0);
  double total = 0, pillarTotal = 0;
  for (int i = 1; i <= 40; ++i)
    for (int j = 1; j <= 40; ++j) {
      total += s.stress[i][j];
      if (s.codes[i][j] == 'A') pillarTotal += s.stress[i][j];
      else EXPECT_EQ(s.stress[i][j], 0.0);  // rooms stay open
    }
  EXPECT_NEAR(total / 1600.0, sigma, 1e-3 * sigma);
  EXPECT_NEAR(pillarTotal / pillarElements, sigma * 1600.0 / pillarElements, 1e-3 * sigma);
}

// ---- iteration limits and bookkeeping --------------------------------------------

TEST(SorSolver, ZeroIterationsRunsNoSweepButComputesStresses) {
  SolveCase m;
  RecordingProgress& progress = m.progress;
  m.settings.maxIterations = 0;
  m.settings.stressConvergence = 0.001;
  SeamArrays s(10, 10);
  s.overburden.Fill(1000.0);
  s.u.Fill(0.01);
  const auto result = Solve(m, s, 72.0);
  EXPECT_EQ(result.sweeps, 0);
  EXPECT_EQ(result.maxChange, 1.001);
  EXPECT_EQ(s.u[5][5], 0.01);
  EXPECT_DOUBLE_EQ(s.stress[5][5], 400000.0 * 0.01 / 72.0);
  ASSERT_EQ(progress.iterations.size(), 1u);
  EXPECT_EQ(progress.iterations[0].first, 1);
  EXPECT_EQ(progress.solverOpened, 1);
  EXPECT_EQ(progress.solverClosed, 1);
}

TEST(SorSolver, OneIterationStopsTheRunEvenWhenConverged) {
  SolveCase m;
  RecordingMessages& messages = m.messages;
  m.settings.maxIterations = 1;
  m.settings.stressConvergence = 1.0;  // the single sweep meets it
  SeamArrays s(10, 10);
  s.overburden.Fill(1000.0);
  EXPECT_EQ(ExitCodeOf([&] { Solve(m, s, 72.0); }), 1);
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0], "Maximum Number of Iterations Reached - SOR1");
}

TEST(SorSolver, ReturnsTheSweepCountAndShowsOneMore) {
  SolveCase m;
  RecordingProgress& progress = m.progress;
  m.settings.stressConvergence = 1e-6;
  SeamArrays s(10, 10);
  s.overburden.Fill(1000.0);
  const auto result = Solve(m, s, 72.0);
  const int sweeps = result.sweeps;
  ASSERT_FALSE(progress.iterations.empty());
  EXPECT_EQ(progress.iterations.back().first, sweeps + 1);
  EXPECT_LE(std::fabs(result.maxChange), 1e-6);
  // Every 100th sweep is shown on the way.
  int shown = 0;
  for (const auto& [n, change] : progress.iterations)
    if (n % 100 == 0) ++shown;
  EXPECT_EQ(shown, sweeps / 100);
}

TEST(SorSolver, ReboundingSeamKeepsTheSignOfItsLargestChange) {
  SolveCase m;
  SeamArrays s(10, 10);
  s.overburden.Fill(1000.0);
  s.u.Fill(0.5);  // far more closed than the load supports
  const auto result = Solve(m, s, 72.0);
  EXPECT_LE(result.maxChange, 0.0);
  EXPECT_GT(result.sweeps, 1);
  // The largest change of the last sweep sits where it was found.
  EXPECT_GE(result.iMax, 1);
  EXPECT_GE(result.jMax, 1);
}

// ---- fault links -------------------------------------------------------------------

// The loaded half of a seam cut by a fault along its whole length, compared
// with the same half alone under a symmetry edge where the fault runs.
TEST(SorSolver, FaultCutsTheLinksItNamesAndNoOthers) {
  const double sigma = 1000.0, t = 72.0;
  for (int alongY = 0; alongY <= 1; ++alongY) {
    SolveCase m;
    m.settings.edges = SeamEdges{};
    m.settings.faultAlongY = alongY;
    if (alongY == 0) {
      m.settings.faultX1 = 1; m.settings.faultX2 = 12; m.settings.faultY1 = 6; m.settings.faultY2 = 7;
    } else {
      m.settings.faultX1 = 6; m.settings.faultX2 = 7; m.settings.faultY1 = 1; m.settings.faultY2 = 12;
    }
    SeamArrays cut(12, 12);
    for (int i = 1; i <= 12; ++i)
      for (int j = 1; j <= 12; ++j)
        cut.overburden[i][j] = ((alongY == 0 ? j : i) <= 6) ? sigma : 0.0;
    Solve(m, cut, t, nullptr, true);

    SolveCase half;
    half.settings.edges = SeamEdges{};
    (alongY == 0 ? half.settings.edges.north : half.settings.edges.east) = 1;
    SeamArrays alone(alongY == 0 ? 12 : 6, alongY == 0 ? 6 : 12);
    alone.overburden.Fill(sigma);
    Solve(half, alone, t);

    for (int i = 1; i <= 12; ++i)
      for (int j = 1; j <= 12; ++j) {
        const bool loaded = (alongY == 0 ? j : i) <= 6;
        if (loaded) EXPECT_NEAR(cut.u[i][j], alone.u[i][j], 1e-8) << alongY << ":" << i << "," << j;
        else EXPECT_EQ(cut.u[i][j], 0.0) << alongY << ":" << i << "," << j;
      }
  }
}

TEST(SorSolver, FaultOfPartialExtentLeavesTheOtherLinksOpen) {
  SolveCase m;
  m.settings.edges = SeamEdges{};
  m.settings.faultAlongY = 0;
  m.settings.faultX1 = 4; m.settings.faultX2 = 9; m.settings.faultY1 = 6; m.settings.faultY2 = 7;
  SeamArrays s(12, 12);
  for (int i = 1; i <= 12; ++i)
    for (int j = 1; j <= 12; ++j) s.overburden[i][j] = j <= 6 ? 1000.0 : 0.0;
  Solve(m, s, 72.0, nullptr, true);
  // Load crosses the fault line only around the fault's ends.
  for (int i = 1; i <= 12; ++i) {
    if (i >= 4 && i <= 9) EXPECT_LT(s.u[i][7], s.u[3][7]) << i;
    else EXPECT_GT(s.u[i][7], 0.0) << i;
  }
  EXPECT_GT(s.u[3][7], s.u[6][7]);
  EXPECT_GT(s.u[6][7], 0.0);  // reached around the ends of the fault
}

// ---- fast sweep against the literal algorithm ----------------------------------------

std::string ReadAll(std::FILE* f) {
  std::string text;
  std::rewind(f);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  return text;
}

TEST(SorSolver, FusedSweepMatchesTheLiteralAlgorithmBitForBit) {
  const MixedCase cases[] = {
      {30, 40, false, 0, 0, 0, 0, 0, 1, 1, 1, 1, false, false, false, 1.7},
      {30, 40, true, 0, 5, 22, 17, 18, 1, 0, 1, 0, true, false, false, 1.5},
      {40, 30, true, 1, 12, 13, 3, 30, 0, 1, 0, 1, false, true, true, 1.8},
      {24, 24, true, 0, 3, 20, 8, 14, 1, 1, 0, 0, true, true, false, 1.0},  // wide window
      {24, 24, true, 1, 6, 11, 0, 30, 0, 0, 1, 1, false, false, true, 1.6},  // window past the grid
  };
  unsigned seed = 17;
  for (const MixedCase& c : cases) {
    SolveCase fast, literal;
    SeamArrays f(c.nx, c.ny), l(c.nx, c.ny);
    FillMixedModel(fast, f, c, seed);
    FillMixedModel(literal, l, c, seed);
    ++seed;
    RunLog fastLog(UniqueFile(std::tmpfile()));
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> literalLog(std::tmpfile(), std::fclose);
    ASSERT_TRUE(fastLog && literalLog);

    // Two solves in a row: the second starts warm from the first.
    for (int solve = 0; solve < 2; ++solve) {
      const SeamSolveResult fastSolve = Solve(fast, f, 60.0, &fastLog, c.fault);
      const SeamSolveResult literalSolve = LiteralSolveSeam(literal, c.fault, l, 60.0,
                                                            literalLog.get());
      EXPECT_EQ(fastSolve.sweeps, literalSolve.sweeps);
      if (solve == 0) {
        EXPECT_GT(fastSolve.sweeps, 100);
      }
      for (int i = 0; i <= c.nx + 1; ++i)
        for (int j = 0; j <= c.ny + 1; ++j) ASSERT_EQ(f.u[i][j], l.u[i][j]) << i << "," << j;
      for (int i = 1; i <= c.nx; ++i)
        for (int j = 1; j <= c.ny; ++j) ASSERT_EQ(f.stress[i][j], l.stress[i][j]) << i << "," << j;
      EXPECT_EQ(fastSolve.maxChange, literalSolve.maxChange);
      EXPECT_EQ(fastSolve.iMax, literalSolve.iMax);
      EXPECT_EQ(fastSolve.jMax, literalSolve.jMax);
      // Change the load a little for the warm second solve.
      for (int i = 1; i <= c.nx; ++i)
        for (int j = 1; j <= c.ny; ++j) {
          f.overburden[i][j] *= 1.05;
          l.overburden[i][j] *= 1.05;
        }
    }
    // Same log lines (largest change and its location every 100 sweeps), same
    // diagnostics and progress.
    const std::string fastText = ReadAll(fastLog.stream());
    EXPECT_EQ(fastText, ReadAll(literalLog.get()));
    EXPECT_NE(fastText.find("iteration number = 100, maximum displacement = "), std::string::npos);
    EXPECT_EQ(fast.messages.diagnostics, literal.messages.diagnostics);
    EXPECT_FALSE(fast.messages.diagnostics.empty());
    EXPECT_EQ(fast.progress.iterations, literal.progress.iterations);
  }
}

// The wavefront sweep against the one-row sweep, sweep after sweep, on grids
// whose row counts leave partial groups, seams one row or one column wide,
// both fault orientations and mined-out elements in contact.
TEST(SorSolver, WavefrontSweepMatchesTheOneRowSweepBitForBit) {
  const MixedCase cases[] = {
      {37, 29, false, 0, 0, 0, 0, 0, 1, 1, 1, 1, true, true, true, 1.7},
      {16, 5, false, 0, 0, 0, 0, 0, 0, 1, 0, 1, false, false, false, 1.9},  // ny < rows in flight
      {1, 40, false, 0, 0, 0, 0, 0, 1, 1, 1, 1, false, true, false, 1.5},
      {40, 1, false, 0, 0, 0, 0, 0, 1, 0, 1, 0, true, false, false, 1.5},
      {30, 40, true, 0, 5, 22, 17, 18, 1, 0, 1, 0, true, false, false, 1.5},
      {41, 30, true, 1, 12, 13, 3, 30, 0, 1, 0, 1, false, true, true, 1.8},
  };
  unsigned seed = 101;
  for (const MixedCase& c : cases)
    for (const bool blocks : {false, true}) {
      SolveCase wave, oneRow;
      SeamArrays w(c.nx, c.ny), o(c.nx, c.ny);
      FillMixedModel(wave, w, c, seed);
      FillMixedModel(oneRow, o, c, seed);
      ++seed;
      if (blocks) {  // rows of long stretches of one law, taken stretch by stretch
        const char table[9] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', '1', 'A'};
        for (int i = 1; i <= c.nx; ++i)
          for (int j = 1; j <= c.ny; ++j)
            w.codes[i][j] = o.codes[i][j] = table[((i - 1) / 5 + (j - 1) / 10) % 9];
        w.codes[std::max(1, c.nx / 2)][std::max(1, c.ny / 2)] = '1';  // the element in contact
        o.codes[std::max(1, c.nx / 2)][std::max(1, c.ny / 2)] = '1';
      }
      SorSettings settings = wave.settings;
      settings.fault = c.fault;
      SeamSweepPlan wavePlan = PlanSeamSweep(settings, w.Solve(60.0));
      SeamSweepPlan rowPlan = PlanSeamSweep(settings, o.Solve(60.0));
      PrepareSeamSweep(wave.Materials(), w.Solve(60.0), wavePlan);
      PrepareSeamSweep(oneRow.Materials(), o.Solve(60.0), rowPlan);
      ASSERT_TRUE(wavePlan.lawsResolved);
      SweepOutcome waveOutcome, rowOutcome;
      for (int sweep = 0; sweep < 40; ++sweep) {
        waveOutcome.maxChange = rowOutcome.maxChange = 0;
        ApplySeamEdges(settings.edges, c.nx, c.ny, w.u);
        ApplySeamEdges(settings.edges, c.nx, c.ny, o.u);
        SorSweep(wavePlan, w.u, w.stress, waveOutcome, wave.messages);
        SorSweepOneRow(rowPlan, o.u, o.stress, rowOutcome, oneRow.messages);
        ASSERT_EQ(waveOutcome.maxChange, rowOutcome.maxChange)
            << c.nx << "x" << c.ny << " " << sweep;
        ASSERT_EQ(waveOutcome.iMax, rowOutcome.iMax);
        ASSERT_EQ(waveOutcome.jMax, rowOutcome.jMax);
        for (int i = 0; i <= c.nx + 1; ++i)
          for (int j = 0; j <= c.ny + 1; ++j) ASSERT_EQ(w.u[i][j], o.u[i][j]) << i << "," << j;
        for (int i = 1; i <= c.nx; ++i)
          for (int j = 1; j <= c.ny; ++j) ASSERT_EQ(w.stress[i][j], o.stress[i][j]);
      }
      EXPECT_FALSE(wave.messages.diagnostics.empty());  // the contact is reported ...
      EXPECT_EQ(wave.messages.diagnostics, oneRow.messages.diagnostics);  // ... in the same order
    }
}

// Equal largest changes in two rows of one group: the first in X-outer,
// Y-inner order keeps its place, although the wavefront reaches (5, 3)
// before (2, 9). Two equal point loads on an unloaded seam at rest give equal
// changes at their elements, whose neighbours have not moved yet.
TEST(SorSolver, WavefrontSweepKeepsTheFirstOfEqualLargestChanges) {
  SolveCase c;
  c.settings.overRelaxation = 1.0;
  SeamArrays a(16, 12);
  a.overburden[5][3] = a.overburden[2][9] = 1000.0;
  SeamSweepPlan plan = PlanSeamSweep(c.settings, a.Solve(72.0));
  PrepareSeamSweep(c.Materials(), a.Solve(72.0), plan);
  SweepOutcome outcome;
  SorSweep(plan, a.u, a.stress, outcome, c.messages);
  EXPECT_EQ(a.u[5][3], a.u[2][9]);
  EXPECT_EQ(outcome.iMax, 2);
  EXPECT_EQ(outcome.jMax, 9);
}

TEST(SorSolver, RefusedCodeStopsTheSolveLikeTheStressPass) {
  SolveCase m;
  RecordingMessages& messages = m.messages;
  SeamArrays s(10, 10);
  s.codes[4][7] = '0';
  EXPECT_EQ(ExitCodeOf([&] { Solve(m, s, 72.0); }), 1);
  ASSERT_EQ(messages.diagnostics.size(), 2u);
  EXPECT_EQ(messages.diagnostics[1], "i = 4, j = 7, integer code = 52\n");
}

TEST(SorSolver, NonFiniteLoadStopsTheSolveInsteadOfPassingForConverged) {
  // A NaN applied stress makes every change NaN, which never exceeds the
  // criterion: the solve must refuse the result rather than return it.
  SolveCase m;
  RecordingMessages& messages = m.messages;
  SeamArrays s(10, 10);
  s.overburden.Fill(1000.0);
  s.overburden[3][6] = std::nan("");
  EXPECT_EQ(ExitCodeOf([&] { Solve(m, s, 72.0); }), 1);
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0], "Seam Convergence is not a Finite Number - SOR2\n");
  ASSERT_EQ(messages.diagnostics.size(), 2u);
  // By then the NaN has spread through the whole seam: the first element in
  // scan order is reported.
  EXPECT_EQ(messages.diagnostics[1], "Seam 1, i = 1, j = 1\n");
}

TEST(SorSolver, BoundaryCopyFillsSymmetryGhostsOnly) {
  DMatrix u(0, 4, 0, 5);
  u.Fill(0.0);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 4; ++j) u[i][j] = 10 * i + j;
  ApplySeamEdges(SeamEdges{1, 0, 1, 2}, 3, 4, u);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(u[i][5], u[i][4]);  // north: high Y
    EXPECT_EQ(u[i][0], u[i][1]);  // south
  }
  for (int j = 0; j <= 5; ++j) {
    EXPECT_EQ(u[4][j], 0.0);  // east fixed
    EXPECT_EQ(u[0][j], 0.0);  // west flag 2 is not a symmetry edge
  }
}

}  // namespace
}  // namespace kavrel
