// The data behind every picture, taken from the result, off-seam and code
// files as the result reader returns them.
#include "plot/plot_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "model/material_codes.h"

namespace kavrel::plot {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// "%g" of a coordinate for titles and labels.
std::string Short(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

bool ParseDouble(std::string_view text, double& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(value);
}

// A grid laid out like `layout` (whose lengths are in the model's internal
// unit), holding column `column` of block `block`.
FieldGrid GridOf(const RunInfo& info, const results::ResultFile& file, std::size_t block,
                 int column, double originX, double originY) {
  const results::ResultLayout& layout = file.layout;
  FieldGrid grid;
  grid.nx = layout.nx;
  grid.ny = layout.ny;
  grid.width = layout.elementWidth * info.lengthFactor;
  grid.originX = originX;
  grid.originY = originY;
  grid.values = file.blocks[block].values[static_cast<std::size_t>(column)];
  return grid;
}

std::string StepText(const results::ResultBlock& block) {
  std::string text = "Step " + std::to_string(block.step);
  if (block.lmsRun > 0) text += ", LMS pillar " + std::to_string(block.lmsRun) + " out";
  return text;
}

bool IsSafetyFactor(const results::Column& column) {
  return column.unit.find("Safety Factor") != std::string::npos;
}

}  // namespace

int FieldGrid::ColumnAt(double x) const {
  const double k = std::floor((x - originX) / width);
  return k >= 0 && k < nx ? static_cast<int>(k) + 1 : 0;
}

int FieldGrid::RowAt(double y) const {
  const double k = std::floor((y - originY) / width);
  return k >= 0 && k < ny ? static_cast<int>(k) + 1 : 0;
}

ScaleKind ScaleKindOf(const results::Column& column) {
  return IsSafetyFactor(column) ? ScaleKind::Diverging : ScaleKind::Sequential;
}

ValueRange DataRange(const std::vector<double>& values, ScaleKind kind) {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (const double v : values)
    if (std::isfinite(v)) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  if (lo > hi) return {0, 1};
  if (kind == ScaleKind::Diverging) {
    lo = std::min(lo, 1.0);
    hi = std::max(hi, 1.0);
  }
  if (lo == hi) {
    const double pad = lo != 0 ? std::fabs(lo) / 2 : 1;
    lo -= pad;
    hi += pad;
  }
  return {lo, hi};
}

bool ParseRange(std::string_view text, ValueRange& range, std::string& error) {
  const std::size_t colon = text.find(':');
  double lo = 0, hi = 0;
  if (colon == std::string_view::npos || !ParseDouble(text.substr(0, colon), lo) ||
      !ParseDouble(text.substr(colon + 1), hi)) {
    error = "range '" + std::string(text) + "' is not LO:HI (two numbers)";
    return false;
  }
  if (!(lo < hi)) {
    error = "range '" + std::string(text) + "' has LO not below HI";
    return false;
  }
  range = {lo, hi};
  return true;
}

MapData SeamMap(const RunInfo& info, const results::ResultFile& file, std::size_t block,
                int column, int seam, const results::SeamCodes* codes, const ValueRange* fixed) {
  const results::Column& col = file.layout.columns[static_cast<std::size_t>(column)];
  const SeamPlacement& place = info.seams[static_cast<std::size_t>(seam - 1)];
  MapData map;
  map.quantity = col.name;
  map.unit = col.unit;
  map.lengthUnit = info.lengthUnit;
  map.kind = ScaleKindOf(col);
  map.field = GridOf(info, file, block, column, place.originX, place.originY);
  map.title = info.title + "\nSeam " + std::to_string(seam) + ", " +
              StepText(file.blocks[block]) + " - " + col.name;
  // A safety factor of 0 marks an element that has none (mined out, gob,
  // elastic coal, a pillar holding gob): drawn in the no-value colour.
  if (map.kind == ScaleKind::Diverging)
    for (double& v : map.field.values)
      if (v == 0) v = kNaN;
  if (codes && codes->nx == map.field.nx && codes->ny == map.field.ny) {
    map.minedOut.resize(codes->codes.size());
    for (std::size_t e = 0; e < codes->codes.size(); ++e)
      map.minedOut[e] = codes->codes[e] == '1' ? 1 : 0;
  }
  map.range = fixed ? *fixed : DataRange(map.field.values, map.kind);
  return map;
}

MapData OffSeamMap(const RunInfo& info, const results::ResultFile& file, std::size_t block,
                   int column, const ValueRange* fixed) {
  const results::Column& col = file.layout.columns[static_cast<std::size_t>(column)];
  MapData map;
  map.quantity = col.name;
  map.unit = col.unit;
  map.lengthUnit = info.lengthUnit;
  map.kind = ScaleKind::Sequential;
  map.field = GridOf(info, file, block, column, file.layout.originX * info.lengthFactor,
                     file.layout.originY * info.lengthFactor);
  map.title = info.title + "\nOff-seam plane at Z = " + Short(info.offSeamElevation) + " " +
              info.lengthUnit + ", " + StepText(file.blocks[block]) + " - " + col.name;
  map.range = fixed ? *fixed : DataRange(map.field.values, map.kind);
  return map;
}

bool ParseProfileLine(std::string_view text, ProfileLine& line, std::string& error) {
  const bool x = text.rfind("x=", 0) == 0 || text.rfind("X=", 0) == 0;
  const bool y = text.rfind("y=", 0) == 0 || text.rfind("Y=", 0) == 0;
  double at = 0;
  if ((!x && !y) || !ParseDouble(text.substr(2), at)) {
    error = "profile '" + std::string(text) + "' is not x=X or y=Y";
    return false;
  }
  line.alongY = x;
  line.at = at;
  return true;
}

bool SeamProfile(const RunInfo& info, const results::ResultFile& file, int seam,
                 const std::vector<int>& columns, const std::vector<int>& steps,
                 const ProfileLine& line, ProfileData& out, std::string& error) {
  out = ProfileData();
  // Seam 0 is the off-seam plane, whose file gives its own origin.
  FieldGrid geometry;
  geometry.nx = file.layout.nx;
  geometry.ny = file.layout.ny;
  geometry.width = file.layout.elementWidth * info.lengthFactor;
  if (seam > 0) {
    const SeamPlacement& place = info.seams[static_cast<std::size_t>(seam - 1)];
    geometry.originX = place.originX;
    geometry.originY = place.originY;
  } else {
    geometry.originX = file.layout.originX * info.lengthFactor;
    geometry.originY = file.layout.originY * info.lengthFactor;
  }
  const std::string where = seam > 0 ? "seam " + std::to_string(seam) : "the off-seam plane";
  const int index = line.alongY ? geometry.ColumnAt(line.at) : geometry.RowAt(line.at);
  const char* fixedAxis = line.alongY ? "x" : "y";
  if (index == 0) {
    const double lo = line.alongY ? geometry.originX : geometry.originY;
    const double hi = lo + (line.alongY ? geometry.nx : geometry.ny) * geometry.width;
    error = std::string(fixedAxis) + " = " + Short(line.at) + " " + info.lengthUnit +
            " is outside " + where + " (" + Short(lo) + " to " + Short(hi) +
            " " + info.lengthUnit + ")";
    return false;
  }
  const int count = line.alongY ? geometry.ny : geometry.nx;
  const double centre = line.alongY ? geometry.CentreX(index) : geometry.CentreY(index);
  out.title = info.title + "\n" + (seam > 0 ? "Seam " + std::to_string(seam) : "Off-seam plane") +
              ", profile along " +
              (line.alongY ? "Y at x = " : "X at y = ") + Short(centre) + " " + info.lengthUnit +
              " (" + (line.alongY ? "i = " : "j = ") + std::to_string(index) + ")";
  out.axisLabel = std::string(line.alongY ? "Y" : "X") + " (" + info.lengthUnit + ")";
  for (const int c : columns) {
    const results::Column& col = file.layout.columns[static_cast<std::size_t>(c)];
    ProfilePanel panel;
    panel.quantity = col.name;
    panel.unit = col.unit;
    for (const int step : steps) {
      const int block = file.FinalBlockOf(step);
      if (block < 0) continue;
      ProfileCurve curve;
      curve.label = "Step " + std::to_string(step);
      for (int k = 1; k <= count; ++k) {
        const int i = line.alongY ? index : k;
        const int j = line.alongY ? k : index;
        curve.position.push_back(line.alongY ? geometry.CentreY(j) : geometry.CentreX(i));
        curve.value.push_back(file.At(static_cast<std::size_t>(block), c, i, j));
      }
      panel.curves.push_back(std::move(curve));
    }
    out.panels.push_back(std::move(panel));
  }
  return true;
}

CodeMapData CodeMap(const RunInfo& info, const results::SeamCodes& codes, int seam, int step) {
  CodeMapData map;
  map.lengthUnit = info.lengthUnit;
  map.title = info.title + "\nSeam " + std::to_string(seam) + ", Step " + std::to_string(step) +
              " - material codes";
  const SeamPlacement& place = info.seams[static_cast<std::size_t>(seam - 1)];
  map.field.nx = codes.nx;
  map.field.ny = codes.ny;
  map.field.width = info.elementWidth;
  map.field.originX = place.originX;
  map.field.originY = place.originY;

  // Legend order: 'A'..'Z', 'a'..'z', then anything else, mined out last.
  const auto rank = [](char c) {
    if (const int m = MaterialOfLetter(c); m >= 0) return m;
    if (c == '1') return 1000;
    return 500 + static_cast<unsigned char>(c);
  };
  std::vector<char> used;
  for (const char c : codes.codes)
    if (std::find(used.begin(), used.end(), c) == used.end()) used.push_back(c);
  std::sort(used.begin(), used.end(), [&](char a, char b) { return rank(a) < rank(b); });
  for (const char c : used) {
    LegendEntry entry;
    entry.code = c;
    const int r = rank(c);
    if (c == '1') {
      entry.label = "1  mined out";
    } else if (r < 52 && static_cast<std::size_t>(r) < info.materialTypes.size()) {
      entry.label = std::string(1, c) + "  " + MaterialTypeName(info.materialTypes[r]);
    } else {
      entry.label = std::string(1, c) + "  no material";
    }
    map.legend.push_back(std::move(entry));
  }
  map.field.values.resize(codes.codes.size());
  for (std::size_t e = 0; e < codes.codes.size(); ++e)
    map.field.values[e] = static_cast<double>(
        std::find(used.begin(), used.end(), codes.codes[e]) - used.begin());
  return map;
}

std::vector<std::string> AllQuantityKeys() {
  static const char* const kColumns[] = {
      "Seam Convergence", "Total Vertical Stress", "Overburden Stress",
      "Surface Effect Stress", "Multiple Seam Stress", "Element Strain SF",
      "Pillar Stress SF", "Pillar Strain SF", "Remote Displacement", "X Strain", "Y Strain",
      "Stored Elastic Energy", "Dissipated Energy", "Total Input Energy",
      "Stored Energy Released", "Kinetic Energy Released", "Total Energy Released",
      "Roof X Stress", "Roof Y Stress", "Maximum Roof Compression", "Maximum Roof Tension",
      "Maximum Roof Stress"};
  std::vector<std::string> keys;
  for (const char* name : kColumns) keys.push_back(results::QuantityKey(name));
  return keys;
}

}  // namespace kavrel::plot
