// Checks of the pillar labelling of a seam (connectivity, merging order, list
// upkeep) and of the breakpoint-table helpers of the pillar curve.
#include "post/pillars.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/model_dat.h"
#include "support/seam_grids.h"
#include "support/seam_pillars.h"

namespace kavrel {
namespace {

using testing_support::SeamGrids;
using testing_support::SeamPillars;

// One seam whose codes are given as rows (rows[i-1][j-1] is element (i, j))
// and its pillars.
struct OneSeam {
  SeamGrids seam;
  SeamPillars pillars;
  explicit OneSeam(const std::vector<std::string>& rows)
      : seam(rows, 60, 10), pillars(seam.codes, seam.nx, seam.ny) {}
  std::vector<Pillar*> List() const { return pillars.Pillars(); }
};

using Cells = std::vector<std::pair<int, int>>;

Cells ElementsOf(const Pillar* p) {
  Cells cells;
  for (const Element& e : p->elements) cells.emplace_back(e.x, e.y);
  return cells;
}

// The list must be consistent in both directions and with the grid.
void ExpectSoundList(const char* const* codes, int nx, int ny, const Matrix<Pillar*>& grid,
                     const PillarList& pillars) {
  std::vector<Pillar*> list;
  for (Pillar* p = pillars.head; p; p = p->next) list.push_back(p);
  ASSERT_EQ(static_cast<int>(list.size()), pillars.count);
  if (list.empty()) {
    EXPECT_EQ(pillars.tail, nullptr);
    return;
  }
  EXPECT_EQ(list.front()->previous, nullptr);
  EXPECT_EQ(list.back(), pillars.tail);
  for (size_t k = 1; k < list.size(); ++k) EXPECT_EQ(list[k]->previous, list[k - 1]);
  int elements = 0;
  for (Pillar* p : list) {
    EXPECT_GE(p->Count(), 1);
    elements += p->Count();
    for (const Element& e : p->elements) {
      EXPECT_EQ(grid[e.x][e.y], p);
      EXPECT_EQ(e.code, codes[e.x][e.y]);
    }
  }
  int unmined = 0;
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) {
      if (codes[i][j] == '1')
        EXPECT_EQ(grid[i][j], nullptr);
      else
        ++unmined;
    }
  EXPECT_EQ(elements, unmined);
}
void ExpectSoundList(const OneSeam& s) {
  ExpectSoundList(s.seam.codes, s.seam.nx, s.seam.ny, s.pillars.grid, s.pillars.list);
}

TEST(IdentifyPillars, UShapeFromTwoStripsCreatedTogetherMergesIntoTheRightStrip) {
  // The left strip (1,1) is created before the right strip (1,5). On row 4
  // the run starts under the left strip; at (4,5) the right strip lies above,
  // so the right strip absorbs the run's pillar: the surviving pillar is the
  // one created second, and the absorbed one was the list head.
  OneSeam seam({"A111A",
                "A111A",
                "A111A",
                "AAAAA"});
  ExpectSoundList(seam);
  const auto list = seam.List();
  ASSERT_EQ(list.size(), 1u);
  const Cells expected = {{1, 5}, {2, 5}, {3, 5}, {1, 1}, {2, 1}, {3, 1},
                          {4, 1}, {4, 2}, {4, 3}, {4, 4}, {4, 5}};
  EXPECT_EQ(ElementsOf(list[0]), expected);
  EXPECT_EQ(seam.pillars.list.head, seam.pillars.list.tail);
}

TEST(IdentifyPillars, UShapeWhoseRightStripCameFirstKeepsTheFirstPillar) {
  // The right strip starts a row earlier, so it is created first; the left
  // strip (created second, the list tail) is absorbed into it on row 4.
  OneSeam seam({"1111A",
                "A111A",
                "A111A",
                "AAAAA"});
  ExpectSoundList(seam);
  const auto list = seam.List();
  ASSERT_EQ(list.size(), 1u);
  const Cells expected = {{1, 5}, {2, 5}, {3, 5}, {2, 1}, {3, 1}, {4, 1},
                          {4, 2}, {4, 3}, {4, 4}, {4, 5}};
  EXPECT_EQ(ElementsOf(list[0]), expected);
}

TEST(IdentifyPillars, MergingAMiddlePillarRelinksItsNeighbours) {
  // Pillars are created in the order (1,1), (1,3), (1,5), (1,7); the strips
  // under columns 3 and 5 join on row 3, where the third pillar absorbs the
  // second, which is unlinked from the middle of the list.
  OneSeam seam({"A1A1A1A",
                "11A1A11",
                "11AAA11"});
  ExpectSoundList(seam);
  const auto list = seam.List();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(ElementsOf(list[0]), (Cells{{1, 1}}));
  EXPECT_EQ(ElementsOf(list[1]), (Cells{{1, 5}, {2, 5}, {1, 3}, {2, 3}, {3, 3}, {3, 4}, {3, 5}}));
  EXPECT_EQ(ElementsOf(list[2]), (Cells{{1, 7}}));
}

TEST(IdentifyPillars, ElementsTouchingOnlyAtACornerAreSeparatePillars) {
  OneSeam seam({"A1A",
                "1A1",
                "A1A"});
  ExpectSoundList(seam);
  const auto list = seam.List();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(ElementsOf(list[0]), (Cells{{1, 1}}));
  EXPECT_EQ(ElementsOf(list[2]), (Cells{{2, 2}}));
  EXPECT_EQ(ElementsOf(list[4]), (Cells{{3, 3}}));
}

TEST(IdentifyPillars, GobAndEveryCoalJoinTheSamePillar) {
  OneSeam seam({"ABC",
                "1D1"});
  ExpectSoundList(seam);
  const auto list = seam.List();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(ElementsOf(list[0]), (Cells{{1, 1}, {1, 2}, {1, 3}, {2, 2}}));
  EXPECT_EQ(list[0]->elements[3].code, 'D');
}

TEST(IdentifyPillars, AllMinedSeamHasNoPillarsAndReleaseDoesNothing) {
  OneSeam seam({"111", "111"});
  EXPECT_EQ(seam.pillars.list.head, nullptr);
  EXPECT_EQ(seam.pillars.list.tail, nullptr);
  EXPECT_EQ(seam.pillars.list.count, 0);
  ExpectSoundList(seam);
  ReleasePillarList(seam.pillars.list, seam.pillars.grid);
  EXPECT_EQ(seam.pillars.list.head, nullptr);
}

TEST(IdentifyPillars, ModelReidentifyingReplacesTheEarlierListAndReleaseEmptiesTheGrid) {
  CModelDat m;
  m.seamCount = 1;
  m.nx = 2;
  m.ny = 3;
  m.fineCodes.Allocate(1, 1, 1, 2, 1, 3);
  const char* rows[2] = {"AA1", "1AA"};
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j) m.fineCodes[1][i][j] = rows[i - 1][j - 1];
  m.IdentifyPillars(1);
  ASSERT_EQ(m.pillarCount, 1);
  m.fineCodes[1][2][2] = '1';
  m.IdentifyPillars(1);  // the first list must not leak (checked under ASan)
  ExpectSoundList(m.fineCodes[1], 2, 3, m.pillarGrid,
                  PillarList{m.pillarListHead, m.pillarListTail, m.pillarCount});
  EXPECT_EQ(m.pillarCount, 2);
  m.ReleasePillars();
  EXPECT_EQ(m.pillarListHead, nullptr);
  EXPECT_EQ(m.pillarListTail, nullptr);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(m.pillarGrid[i][j], nullptr);
}

TEST(IdentifyPillars, ReleaseEmptiesTheListAndTheGrid) {
  OneSeam seam({"AA1", "1AA"});
  ASSERT_EQ(seam.List().size(), 1u);
  ReleasePillarList(seam.pillars.list, seam.pillars.grid);
  EXPECT_EQ(seam.pillars.list.head, nullptr);
  EXPECT_EQ(seam.pillars.list.tail, nullptr);
  EXPECT_EQ(seam.pillars.list.count, 0);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(seam.pillars.grid[i][j], nullptr);
}

TEST(IdentifyPillars, ModelGoingAwayFreesAListLeftBehind) {
  // A fatal error between identification and release leaves the list in the
  // model; destroying the model, with no ReleasePillars call, must free it
  // (a leak fails the test under ASan).
  auto m = std::make_unique<CModelDat>();
  m->seamCount = 1;
  m->nx = 2;
  m->ny = 3;
  m->fineCodes.Allocate(1, 1, 1, 2, 1, 3);
  const char* rows[2] = {"A1A", "AAA"};
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j) m->fineCodes[1][i][j] = rows[i - 1][j - 1];
  m->IdentifyPillars(1);  // allocates the grid itself
  ASSERT_EQ(m->pillarCount, 1);
  ASSERT_NE(m->pillarListHead, nullptr);
  EXPECT_EQ(m->pillarListHead->Count(), 5);
  EXPECT_EQ(m->pillarGrid[2][2], m->pillarListHead);
  EXPECT_TRUE(static_cast<bool>(m->pillarListGuard.release));
  m.reset();
}

TEST(Breakpoints, SortKeepsEntryZeroAndRemovesRepeatsFromTheEnd) {
  double v[8] = {0.0, 1.0, 0.02, 0.0, 1.0, 0.02, 0.05, 9.0};
  const int n = SortBreakpoints(7, v);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(v[0], 0.0);
  EXPECT_EQ(v[1], 0.02);
  EXPECT_EQ(v[2], 0.05);
  EXPECT_EQ(v[3], 1.0);
  // vacated slots are cleared; the slot past the table is untouched
  for (int k = 4; k < 7; ++k) EXPECT_EQ(v[k], 0.0);
  EXPECT_EQ(v[7], 9.0);
}

TEST(Breakpoints, NegativeStrainStaysBehindEntryZero) {
  double v[3] = {0.0, 1.0, -0.5};
  ASSERT_EQ(SortBreakpoints(3, v), 3);
  EXPECT_EQ(v[1], -0.5);
  EXPECT_EQ(v[2], 1.0);
}

TEST(Breakpoints, TwoMaterialsWithTheSamePeakStrainGiveOneBreakpoint) {
  int type[52] = {};
  double props[52][5] = {};
  type[0] = 3;  // elastic-plastic, peak strain 0.01
  props[0][0] = 1000; props[0][1] = 0.01; props[0][2] = 0;
  type[3] = 3;  // another elastic-plastic with the same peak strain
  props[3][0] = 1500; props[3][1] = 0.01; props[3][2] = 200;
  type[4] = 2;  // strain-softening, peak 0.02, residual 0.05 (absent from the pillar)
  props[4][1] = 0.02; props[4][3] = 0.05;
  int counts[52] = {};
  counts[0] = 2;
  counts[3] = 5;
  double strain[kMaxBreakpoints];
  ASSERT_EQ(BuildStrainBreakpoints(counts, type, props, strain), 3);
  EXPECT_EQ(strain[0], 0.0);
  EXPECT_EQ(strain[1], 0.01);
  EXPECT_EQ(strain[2], 1.0);

  counts[4] = 1;  // now the softening material is present too
  ASSERT_EQ(BuildStrainBreakpoints(counts, type, props, strain), 5);
  EXPECT_EQ(strain[2], 0.02);
  EXPECT_EQ(strain[3], 0.05);
}

TEST(Breakpoints, LinearElasticAndGobMaterialsAddNoBreakpoint) {
  int type[52] = {};
  double props[52][5] = {};
  int counts[52] = {};
  for (int code = 0; code < 4; ++code) {
    type[code] = code == 0 ? 1 : code + 3;
    props[code][1] = 0.3;
    counts[code] = 1;
  }
  double strain[kMaxBreakpoints];
  EXPECT_EQ(BuildStrainBreakpoints(counts, type, props, strain), 1);
}

TEST(Breakpoints, FullTableOfFiftyTwoSofteningMaterialsFits) {
  int type[52];
  double props[52][5] = {};
  int counts[52];
  for (int code = 0; code < 52; ++code) {
    type[code] = 2;
    props[code][1] = 0.001 * (code + 1);
    props[code][3] = 0.5 + 0.001 * code;
    counts[code] = 1;
  }
  double strain[kMaxBreakpoints];
  // 52 peaks, 52 residuals, one 1.0 after removing 51 repeats, and 0.0
  ASSERT_EQ(BuildStrainBreakpoints(counts, type, props, strain), 1 + 52 + 52 + 1);
  for (int k = 1; k < 106; ++k) EXPECT_LT(strain[k - 1], strain[k]);
}

TEST(CurveHelpers, IndexOfMaximumTakesTheFirstOfEqualMaxima) {
  const double flat[4] = {0.0, 500.0, 500.0, 500.0};
  EXPECT_EQ(IndexOfMaximum(4, flat), 1);
  const double rising[3] = {0.0, 500.0, 700.0};
  EXPECT_EQ(IndexOfMaximum(3, rising), 2);
  const double negative[3] = {0.0, -1.0, -2.0};
  EXPECT_EQ(IndexOfMaximum(3, negative), 0);
  EXPECT_EQ(IndexOfMaximum(1, rising), 0);
  EXPECT_EQ(IndexOfMaximum(0, rising), 0);
}

TEST(CurveHelpers, MinimumSlopeFindsThePostPeakFall) {
  // softening curve: rise 1000/0.01, fall (200-1000)/(0.05-0.01), flat
  const double xs[4] = {0.0, 0.01, 0.05, 1.0};
  const double ys[4] = {0.0, 1000.0, 200.0, 200.0};
  EXPECT_NEAR(MinimumSlope(4, ys, xs), -20000.0, 1e-9);
  const double ys2[3] = {0.0, 1000.0, 1100.0};
  const double xs2[3] = {0.0, 0.01, 1.0};
  EXPECT_NEAR(MinimumSlope(3, ys2, xs2), 100.0 / 0.99, 1e-9);
  EXPECT_TRUE(std::isnan(MinimumSlope(1, ys2, xs2)));
}

}  // namespace
}  // namespace kavrel
