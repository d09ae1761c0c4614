// Pillar identification: a single row-major labelling pass over one seam with
// 4-neighbour connectivity, merging two labels when a row joins them, and the
// helpers of the pillar stress-strain curve.
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

void CModelDat::IdentifyPillars(int s) {
  // A list left over from an earlier identification would otherwise be lost.
  ReleasePillars();
  pillarListGuard.release = [](CModelDat* m) { m->ReleasePillars(); };
  if (!pillarGrid || pillarGrid.rowHigh() < nx || pillarGrid.colHigh() < ny)
    pillarGrid.Allocate(1, nx, 0, ny);
  pillarGrid.Fill(nullptr);
  pillarListHead = nullptr;
  pillarListTail = nullptr;
  pillarCount = 0;
  inPillarRun = false;

  char** codes = fineCodes[s];
  for (int i = 1; i <= nx; ++i) {
    inPillarRun = false;
    Pillar** row = pillarGrid[i];
    Pillar** above = i > 1 ? pillarGrid[i - 1] : nullptr;
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
            u->Absorb(p, pillarGrid, pillarListTail, pillarListHead);
            --pillarCount;
          }
        }
      } else if (above && above[j]) {
        above[j]->AddElement(i, j, c);
        row[j] = above[j];
      } else {
        auto* p = new Pillar(i, j, c, pillarListTail);
        if (!pillarListHead) pillarListHead = p;
        pillarListTail = p;
        ++pillarCount;
        row[j] = p;
      }
      inPillarRun = true;
    }
  }
}

void CModelDat::ReleasePillars() {
  if (!pillarListTail) {
    pillarListHead = nullptr;
    pillarCount = 0;
    return;
  }
  Pillar* p = pillarListTail;
  while (p) {
    Pillar* before = p->previous;
    p->ClearElements();
    delete p;
    p = before;
  }
  pillarListHead = nullptr;
  pillarListTail = nullptr;
  pillarCount = 0;
  // The grid would otherwise name destroyed pillars.
  if (pillarGrid) pillarGrid.Fill(nullptr);
}

}  // namespace kavrel
