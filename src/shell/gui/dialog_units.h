// Dialog units: the window layouts are given in the coordinates of a dialog
// template, where one horizontal unit is a quarter of the dialog font's
// average character width and one vertical unit an eighth of its height (the
// "base units"). The window fixes its base units instead of measuring the
// fonts a machine happens to have, so the layout is the same everywhere.
#pragma once

#include <QRect>

namespace kavrel {

struct DialogBaseUnits {
  int x;  // average character width, pixels
  int y;  // character height, pixels
};

// Base units of the main window's 10-point face and of the About box's 8-point face.
inline constexpr DialogBaseUnits kMainDialogUnits{8, 16};
inline constexpr DialogBaseUnits kAboutDialogUnits{6, 13};

// value * numerator / denominator rounded half away from zero (denominator != 0).
int MulDivRounded(int value, int numerator, int denominator);

// A rectangle of dialog units in pixels. Each edge is converted on its own
// (left, top, right, bottom), so adjacent controls stay adjacent.
QRect DialogRectToPixels(int x, int y, int width, int height, DialogBaseUnits base);

}  // namespace kavrel
