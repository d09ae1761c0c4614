// The pillars of a test seam, found by IdentifyPillarsOf and destroyed with
// the holder, for tests of the routines that walk a pillar list.
#pragma once

#include <vector>

#include "post/pillars.h"

namespace kavrel::testing_support {

struct SeamPillars {
  Matrix<Pillar*> grid;
  PillarList list;

  // codes [1..nx][1..ny] of one seam.
  SeamPillars(const char* const* codes, int nx, int ny) : grid(1, nx, 0, ny) {
    IdentifyPillarsOf(codes, nx, ny, grid, list);
  }
  ~SeamPillars() { ReleasePillarList(list, grid); }
  SeamPillars(const SeamPillars&) = delete;
  SeamPillars& operator=(const SeamPillars&) = delete;

  std::vector<Pillar*> Pillars() const {
    std::vector<Pillar*> all;
    for (Pillar* p = list.head; p; p = p->next) all.push_back(p);
    return all;
  }
};

}  // namespace kavrel::testing_support
