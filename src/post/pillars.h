// Pillars: the connected regions of unmined elements of one seam, as found by
// IdentifyPillarsOf, and the small numerical helpers of the pillar
// stress-strain curve shared by the safety factors and the pillar stiffness.
//
// A pillar keeps its elements in the order they joined it: the scan order of
// the labelling pass, with the elements of an absorbed pillar appended in
// their own order. Every sum over a pillar walks that order, so it is part of
// the results (floating-point sums are order dependent). The pillars of a seam
// form a doubly linked list in order of creation (PillarList); a grid of
// pillar pointers names the owning pillar of every element (null for
// mined-out elements). The model keeps both for the seam it last identified.
#pragma once

#include <vector>

#include "numeric/indexed_arrays.h"

namespace kavrel {

// One unmined element of a pillar: grid indices and its raw code character
// (kept so that a pillar mined out for the mine-stiffness runs can be put back).
struct Element {
  int x = 0;
  int y = 0;
  char code = '\0';
};

struct Pillar {
  // A new pillar holding the element (x, y, code); when `after` is given the
  // new pillar is linked right after it in the list.
  Pillar(int x, int y, char code, Pillar* after = nullptr);
  Pillar(const Pillar&) = delete;
  Pillar& operator=(const Pillar&) = delete;

  // Appends an element at the end of the element list.
  void AddElement(int x, int y, char code);

  // Moves every element of `other` to the end of this pillar, points their
  // grid cells at this pillar, unlinks `other` from the list given by
  // head/tail (updating them when `other` was an end) and destroys `other`.
  void Absorb(Pillar* other, Matrix<Pillar*>& grid, Pillar*& tail, Pillar*& head);

  // Drops every element (the pillar itself stays).
  void ClearElements() { elements.clear(); }

  int Count() const { return static_cast<int>(elements.size()); }

  Pillar* next = nullptr;
  Pillar* previous = nullptr;
  std::vector<Element> elements;
};

// The pillars of one seam: a doubly linked list in order of creation, which
// owns its pillars until ReleasePillarList destroys them.
struct PillarList {
  Pillar* head = nullptr;
  Pillar* tail = nullptr;
  int count = 0;
};

// Builds the pillars of the codes [1..nx][1..ny] of one seam into `list`,
// which must be empty: one row-major pass with 4-neighbour connectivity, every
// element not mined out ('1') joining a pillar. `grid` must cover at least
// [1..nx][1..ny]; it is cleared and then names every element's pillar.
void IdentifyPillarsOf(const char* const* codes, int nx, int ny, Matrix<Pillar*>& grid,
                       PillarList& list);

// Destroys every pillar of `list`, from the tail to the head, and empties it;
// a list that had pillars also clears `grid` (when allocated), which would
// otherwise name destroyed pillars.
void ReleasePillarList(PillarList& list, Matrix<Pillar*>& grid);

// Upper bound of a strain breakpoint table: 0.0 plus three breakpoints for
// each of at most 52 materials.
inline constexpr int kMaxBreakpoints = 1 + 3 * 52;

// Strain breakpoints of the stress-strain curve of a pillar holding counts[c]
// elements of material code c (0..51): 0.0, then per code present in
// ascending order the peak strain, residual strain and 1.0 of strain-softening
// coal (type 2), the peak strain and 1.0 of elastic-plastic coal (type 3) and
// nothing for other types; sorted and freed of repeats by SortBreakpoints.
// `strain` must hold kMaxBreakpoints values; returns the number of entries.
int BuildStrainBreakpoints(const int* counts, const int* materialType,
                           const double (*materialProps)[5], double* strain);

// Sorts values[1..count-1] ascending (insertion sort; values[0] stays put,
// equal values keep their order), then removes every entry equal to the one
// before it, working from the end; vacated slots at the end are set to 0.0.
// Returns the number of entries left.
int SortBreakpoints(int count, double* values);

// First index of the largest of values[0..count-1]; 0 when count < 2.
int IndexOfMaximum(int count, const double* values);

// Smallest segment slope (ys[k] - ys[k-1]) / (xs[k] - xs[k-1]), k = 1..count-1;
// a later slope replaces the minimum only when strictly smaller. A table with
// fewer than two entries has no segment: the result is NaN.
double MinimumSlope(int count, const double* ys, const double* xs);

}  // namespace kavrel
