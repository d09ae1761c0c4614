// Checks of the index-ranged arrays: caller-chosen bounds, empty tables, the
// fatal messages of impossible bounds, and ownership by the RAII wrappers.
#include "numeric/indexed_arrays.h"

#include <gtest/gtest.h>

#include "core/fatal_exit.h"

namespace kavrel {
namespace {

TEST(IndexedArrays, GhostBorderedMatrixIsAddressedAtBothEnds) {
  double** m = dmatrix(0, 11, 0, 21);
  for (int i = 0; i <= 11; ++i)
    for (int j = 0; j <= 21; ++j) m[i][j] = 100.0 * i + j;
  EXPECT_EQ(m[0][0], 0.0);
  EXPECT_EQ(m[11][21], 1121.0);
  EXPECT_EQ(m[5][0], 500.0);
  release_dmatrix(m, 0, 11, 0, 21);
}

TEST(IndexedArrays, CubeFromOneHoldsDistinctPlanesRowsAndColumns) {
  char*** c = ccubix(1, 3, 1, 10, 1, 20);
  for (int s = 1; s <= 3; ++s)
    for (int i = 1; i <= 10; ++i)
      for (int j = 1; j <= 20; ++j) c[s][i][j] = static_cast<char>('A' + (s + i + j) % 26);
  EXPECT_EQ(c[1][1][1], 'D');
  EXPECT_EQ(c[3][10][20], static_cast<char>('A' + 33 % 26));
  release_ccubix(c, 1, 3, 1, 10, 1, 20);

  double*** d = dcubix(1, 2, 0, 4, 0, 6);
  d[1][0][0] = 1.5;
  d[2][4][6] = -2.5;
  EXPECT_EQ(d[1][0][0], 1.5);
  EXPECT_EQ(d[2][4][6], -2.5);
  release_dcubix(d, 1, 2, 0, 4, 0, 6);
}

TEST(IndexedArrays, UpperBoundOneBelowLowerGivesEmptyTable) {
  double** m = dmatrix(1, 0, 1, 10);
  ASSERT_NE(m, nullptr);
  release_dmatrix(m, 1, 0, 1, 10);
  char*** c = ccubix(1, 0, 1, 10, 1, 10);
  ASSERT_NE(c, nullptr);
  release_ccubix(c, 1, 0, 1, 10, 1, 10);
}

void ExpectFatal(void (*f)(), const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "no fatal error for " << message;
  } catch (const FatalExit& e) {
    EXPECT_EQ(e.exitCode(), 1);
    EXPECT_EQ(e.consoleText(), message + "\n...now exiting to the system...\n");
  }
}

TEST(IndexedArrays, ImpossibleBoundsEndWithTheMessageOfTheirKind) {
  ExpectFatal([] { dmatrix(1, -1, 1, 10); }, "allocation failure 1 in dmatrix()");
  ExpectFatal([] { cmatrix(5, 2, 1, 10); }, "allocation failure 1 in cmatrix()");
  ExpectFatal([] { dcubix(1, -5, 1, 10, 1, 10); }, "allocation failure 1 in dcubix()");
  ExpectFatal([] { ccubix(1, -1, 1, 10, 1, 10); }, "allocation failure 1 in ccubix()");
  ExpectFatal([] { dmatrix(1, 3, 1, -1); }, "allocation failure 2 in dmatrix()");
  // A bad row inside a cube fails in the matrix routine, with its message.
  ExpectFatal([] { ccubix(1, 2, -10, -20, 1, 10); }, "allocation failure 1 in cmatrix()");
  ExpectFatal([] { dcubix(1, 2, 1, 10, 1, -3); }, "allocation failure 2 in dmatrix()");
}

TEST(IndexedArrays, OwningWrappersKeepTheirBoundsAndMove) {
  DCube cube(1, 2, 0, 3, 0, 4);
  cube.Fill(7.0);
  EXPECT_EQ(cube[2][3][4], 7.0);
  EXPECT_EQ(cube.rowHigh(), 3);
  DCube moved = std::move(cube);
  EXPECT_FALSE(static_cast<bool>(cube));
  EXPECT_EQ(moved[1][0][0], 7.0);
  double** plane = moved[1];
  EXPECT_EQ(plane[3][4], 7.0);

  CMatrix codes(1, 10, 1, 10);
  codes.Fill('1');
  EXPECT_EQ(codes[10][10], '1');
  codes.Allocate(1, 20, 1, 30);  // reallocation frees the old table
  codes[20][30] = 'A';
  EXPECT_EQ(codes[20][30], 'A');
}

}  // namespace
}  // namespace kavrel
