// Pillar identification: a single row-major labelling pass over one seam with
// 4-neighbour connectivity, merging two labels when a row joins them, and the
// helpers of the pillar stress-strain curve. The model's operations at the end
// keep the list of the seam last identified in the model.
#include "post/pillars.h"

#include <limits>

#include "model/model_dat.h"
#include "solver/material_laws.h"

namespace kavrel {

Pillar::Pillar(int x, int y, char code, Pillar* after) {
  elements.push_back({x, y, code});
  if (after) {
    next = after->next;
    if (next) next->previous = this;
    after->next = this;
    previous = after;
  }
}

void Pillar::AddElement(int x, int y, char code) { elements.push_back({x, y, code}); }

void Pillar::Absorb(Pillar* other, Matrix<Pillar*>& grid, Pillar*& tail, Pillar*& head) {
  elements.reserve(elements.size() + other->elements.size());
  for (const Element& e : other->elements) {
    elements.push_back(e);
    grid[e.x][e.y] = this;
  }
  if (other == head) {
    head = other->next;
    if (head) head->previous = nullptr;
  }
  if (other == tail) {
    tail = other->previous;
    if (tail) tail->next = nullptr;
  }
  if (other->previous && other->previous->next == other) other->previous->next = other->next;
  if (other->next && other->next->previous == other) other->next->previous = other->previous;
  delete other;
}

int BuildStrainBreakpoints(const int* counts, const int* materialType,
                           const double (*materialProps)[5], double* strain) {
  int count = 0;
  strain[count++] = 0.0;
  for (int code = 0; code < kRefusedCode; ++code) {
    if (counts[code] <= 0) continue;
    const double* props = materialProps[code];
    if (materialType[code] == kStrainSofteningCoal) {
      strain[count++] = props[1];
      strain[count++] = props[3];
      strain[count++] = 1.0;
    } else if (materialType[code] == kElasticPlasticCoal) {
      strain[count++] = props[1];
      strain[count++] = 1.0;
    }
  }
  return SortBreakpoints(count, strain);
}

int SortBreakpoints(int count, double* values) {
  for (int k = 2; k < count; ++k) {
    const double v = values[k];
    int m = k - 1;
    while (m >= 1 && values[m] > v) {
      values[m + 1] = values[m];
      --m;
    }
    values[m + 1] = v;
  }
  for (int k = count - 2; k >= 0; --k) {
    if (values[k + 1] == values[k]) {
      for (int m = k + 1; m < count - 1; ++m) values[m] = values[m + 1];
      values[count - 1] = 0.0;
      --count;
    }
  }
  return count;
}

int IndexOfMaximum(int count, const double* values) {
  int best = 0;
  for (int k = 1; k < count; ++k)
    if (values[k] > values[best]) best = k;
  return best;
}

double MinimumSlope(int count, const double* ys, const double* xs) {
  double minimum = std::numeric_limits<double>::quiet_NaN();
  for (int k = 1; k < count; ++k) {
    const double slope = (ys[k] - ys[k - 1]) / (xs[k] - xs[k - 1]);
    if (k == 1 || slope < minimum) minimum = slope;
  }
  return minimum;
}

namespace {

void ScanPillars(const char* const* codes, int nx, int ny, Matrix<Pillar*>& grid,
                 PillarList& list) {
  for (int i = 1; i <= nx; ++i) {
    bool inPillarRun = false;  // the element before in this row is in a pillar
    Pillar** row = grid[i];
    Pillar** above = i > 1 ? grid[i - 1] : nullptr;
    for (int j = 1; j <= ny; ++j) {
      const char c = codes[i][j];
      if (c == '1') {  // mined out
        inPillarRun = false;
        continue;
      }
      if (inPillarRun) {
        Pillar* p = row[j - 1];
        p->AddElement(i, j, c);
        row[j] = p;
        if (above) {
          Pillar* u = above[j];
          if (u && u != p) {
            u->Absorb(p, grid, list.tail, list.head);
            --list.count;
          }
        }
      } else if (above && above[j]) {
        above[j]->AddElement(i, j, c);
        row[j] = above[j];
      } else {
        auto* p = new Pillar(i, j, c, list.tail);
        if (!list.head) list.head = p;
        list.tail = p;
        ++list.count;
        row[j] = p;
      }
      inPillarRun = true;
    }
  }
}

}  // namespace

void IdentifyPillarsOf(const char* const* codes, int nx, int ny, Matrix<Pillar*>& grid,
                       PillarList& list) {
  grid.Fill(nullptr);
  try {
    ScanPillars(codes, nx, ny, grid, list);
  } catch (...) {
    ReleasePillarList(list, grid);
    throw;
  }
}

void ReleasePillarList(PillarList& list, Matrix<Pillar*>& grid) {
  if (!list.tail) {
    list = PillarList{};
    return;
  }
  Pillar* p = list.tail;
  while (p) {
    Pillar* before = p->previous;
    p->ClearElements();
    delete p;
    p = before;
  }
  list = PillarList{};
  if (grid) grid.Fill(nullptr);
}

// ---- the model's operations ------------------------------------------------------

void CModelDat::IdentifyPillars(int s) {
  // A list left over from an earlier identification would otherwise be lost.
  ReleasePillars();
  pillarListGuard.release = [](CModelDat* m) { m->ReleasePillars(); };
  if (!pillarGrid || pillarGrid.rowHigh() < nx || pillarGrid.colHigh() < ny)
    pillarGrid.Allocate(1, nx, 0, ny);
  PillarList list;
  IdentifyPillarsOf(fineCodes[s], nx, ny, pillarGrid, list);
  pillarListHead = list.head;
  pillarListTail = list.tail;
  pillarCount = list.count;
}

void CModelDat::ReleasePillars() {
  PillarList list{pillarListHead, pillarListTail, pillarCount};
  ReleasePillarList(list, pillarGrid);
  pillarListHead = list.head;
  pillarListTail = list.tail;
  pillarCount = list.count;
}

}  // namespace kavrel
