// Conversion of dialog-unit rectangles to pixels. Each edge is scaled on its
// own and rounded to the nearest pixel (halves away from zero), so that
// neighbouring controls share their edges exactly.
#include "shell/gui/dialog_units.h"

#include <cstdlib>

namespace kavrel {

int MulDivRounded(int value, int numerator, int denominator) {
  const long long p = static_cast<long long>(value) * numerator;
  const long long d = denominator;
  const long long ap = std::llabs(p);
  const long long ad = std::llabs(d);
  const long long q = (2 * ap + ad) / (2 * ad);
  return static_cast<int>(((p < 0) != (d < 0)) ? -q : q);
}

QRect DialogRectToPixels(int x, int y, int width, int height, DialogBaseUnits base) {
  const int left = MulDivRounded(x, base.x, 4);
  const int top = MulDivRounded(y, base.y, 8);
  const int right = MulDivRounded(x + width, base.x, 4);
  const int bottom = MulDivRounded(y + height, base.y, 8);
  return QRect(left, top, right - left, bottom - top);
}

}  // namespace kavrel
