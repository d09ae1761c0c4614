// The data of every picture, in the model's coordinates and output units and
// free of any drawing library: a seam (or off-seam) map of one column of one
// block, a profile along a row or column of elements over several steps, and
// the material-code map of one seam at one step. The figures draw exactly
// these, so what a picture shows can be checked without looking at pixels.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/result_reader.h"
#include "model/run_info.h"

namespace kavrel::plot {

// A grid of element values: element (i, j), 1-based, X index i outer, has its
// centre at originX + (i - 0.5) * width, originY + (j - 0.5) * width.
struct FieldGrid {
  int nx = 0;
  int ny = 0;
  double originX = 0;  // output length unit
  double originY = 0;
  double width = 0;
  std::vector<double> values;  // values[(i - 1) * ny + (j - 1)]; NaN = no value

  double CentreX(int i) const { return originX + (i - 0.5) * width; }
  double CentreY(int j) const { return originY + (j - 0.5) * width; }
  double At(int i, int j) const { return values[Index(i, j)]; }
  std::size_t Index(int i, int j) const {
    return static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(ny) +
           static_cast<std::size_t>(j - 1);
  }
  // The X (Y) index of the element that holds coordinate `x` (`y`), or 0 when
  // it lies outside the grid. An element holds its lower edge.
  int ColumnAt(double x) const;
  int RowAt(double y) const;
};

// Safety factors are read against 1 and get a diverging scale whose neutral
// colour sits at 1; every other quantity a sequential one.
enum class ScaleKind { Sequential, Diverging };
ScaleKind ScaleKindOf(const results::Column& column);

struct ValueRange {
  double lo = 0;
  double hi = 1;
};

// The smallest and largest finite value (0 to 1 when there is none); a flat
// field is widened by half its magnitude (or 1) each way. A diverging range
// always contains 1.
ValueRange DataRange(const std::vector<double>& values, ScaleKind kind);

// Parses "LO:HI" (LO < HI, both finite); false with `error` set otherwise.
[[nodiscard]] bool ParseRange(std::string_view text, ValueRange& range, std::string& error);

struct MapData {
  std::string title;     // model title, a line end, then seam, step and quantity
  std::string quantity;  // the column name, e.g. "Seam Convergence"
  std::string unit;      // its unit label, e.g. "in"
  std::string lengthUnit;
  ScaleKind kind = ScaleKind::Sequential;
  ValueRange range;
  FieldGrid field;
  // 1 for a mined-out element, 0 otherwise (empty when the codes are not
  // known); drawn outlined. Safety factors of 0 (none defined) are NaN.
  std::vector<char> minedOut;
};

// The map of column `column` of block `block` of seam `seam`'s result file;
// `codes` are the seam's codes at that step (may be null). The range is the
// data's unless `fixed` is given.
MapData SeamMap(const RunInfo& info, const results::ResultFile& file, std::size_t block,
                int column, int seam, const results::SeamCodes* codes,
                const ValueRange* fixed = nullptr);

// The map of column `column` of block `block` of the off-seam file.
MapData OffSeamMap(const RunInfo& info, const results::ResultFile& file, std::size_t block,
                   int column, const ValueRange* fixed = nullptr);

// A line of elements through a point: "x=X" is the column of elements whose X
// range holds X, running along Y; "y=Y" the row holding Y, running along X.
struct ProfileLine {
  bool alongY = true;
  double at = 0;  // output length unit
};
[[nodiscard]] bool ParseProfileLine(std::string_view text, ProfileLine& line, std::string& error);

struct ProfileCurve {
  std::string label;  // "Step 3"
  std::vector<double> position;  // element centres along the line
  std::vector<double> value;
};

struct ProfilePanel {
  std::string quantity;
  std::string unit;
  std::vector<ProfileCurve> curves;  // one per step
};

struct ProfileData {
  std::string title;
  std::string axisLabel;  // "Y (ft)" for a line along Y
  std::vector<ProfilePanel> panels;  // one per column, drawn stacked
};

// Profile of `columns` along `line` over the final blocks of `steps`; seam 0
// is the off-seam plane (its file laid out like a seam's).
// Returns false with `error` set when the line misses the grid.
[[nodiscard]] bool SeamProfile(const RunInfo& info, const results::ResultFile& file, int seam,
                               const std::vector<int>& columns, const std::vector<int>& steps,
                               const ProfileLine& line, ProfileData& out, std::string& error);

struct LegendEntry {
  char code = 0;
  std::string label;  // "A  Strain Softening Coal", "1  mined out"
};

struct CodeMapData {
  std::string title;
  std::string lengthUnit;
  // values are legend indices 0..legend.size()-1.
  FieldGrid field;
  std::vector<LegendEntry> legend;  // the codes used, in code order, mined out last
};

CodeMapData CodeMap(const RunInfo& info, const results::SeamCodes& codes, int seam, int step);

// One value per case of a study against one of its parameters (kavrel plot
// --study): a scatter of points, one per case.
struct SweepData {
  std::string title;
  std::string parameter;  // the x axis label
  std::string column;     // the y axis label
  std::vector<double> x, y;
};

// The quantity names a user may give: QuantityKey of every column a result
// or off-seam file can hold.
std::vector<std::string> AllQuantityKeys();

}  // namespace kavrel::plot
