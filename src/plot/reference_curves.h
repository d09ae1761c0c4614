// A closed-form or otherwise independent answer drawn over a profile, so that
// a picture shows at a glance how far the program's curve lies from it. Used
// by the verification manual (verify/); the profiles themselves are drawn by
// DrawProfile (figures.h).
#pragma once

#include <string>
#include <vector>

class QCustomPlot;

namespace kavrel::plot {

struct ReferenceCurve {
  std::size_t panel = 0;  // the profile panel (from 0, top first) it belongs to
  std::string label;      // legend text, e.g. "closed form"
  std::vector<double> position;
  std::vector<double> value;
};

// Adds each curve as a dashed dark red line to its panel of a plot that
// DrawProfile has just drawn, with a legend entry, and widens the panel's
// value axis to hold it. Curves naming a panel the plot lacks are skipped.
void DrawReferenceCurves(QCustomPlot& plot, const std::vector<ReferenceCurve>& curves);

}  // namespace kavrel::plot
