// Drawing the pictures of plot_data.h onto a QCustomPlot: colour maps with a
// labelled colour scale and equal axes in the length unit, stacked profile
// panels, and the code map with its legend. The two gradients are defined
// once here. Every Draw function clears the plot first and leaves it ready to
// be shown or saved; the caller replots.
#pragma once

#include <string>

#include "plot/plot_data.h"

class QCustomPlot;
class QCPColorGradient;
class QCPColorMap;

namespace kavrel::plot {

// A sequential gradient (dark blue, low, through green to yellow, high) and a
// diverging one (red below 1, white at 1, blue above) for `range`.
QCPColorGradient SequentialGradient();
QCPColorGradient DivergingGradient(const ValueRange& range);

// The map of `data`; returns its colour map (owned by `plot`).
QCPColorMap* DrawMap(QCustomPlot& plot, const MapData& data);
void DrawProfile(QCustomPlot& plot, const ProfileData& data);
QCPColorMap* DrawCodeMap(QCustomPlot& plot, const CodeMapData& data);
void DrawSweep(QCustomPlot& plot, const SweepData& data);

// Keeps one data unit as long on the Y axis as on the X axis (call after the
// plot has its final size; DrawMap and DrawCodeMap call it once).
void KeepEqualAxes(QCustomPlot& plot);

enum class PictureFormat { Png, Pdf };

// Gives a plot that is not on the screen the size of the picture it is to
// become; call before drawing, so that the axes are laid out for that size.
void SizeForPicture(QCustomPlot& plot, int width, int height);

// Writes the plot to `path` at `width` x `height` pixels (points for a PDF,
// one page); the plot should have been drawn at that size (SizeForPicture). False with `error` set (the system's reason) when it cannot.
[[nodiscard]] bool SavePicture(QCustomPlot& plot, const std::string& path, PictureFormat format,
                               int width, int height, std::string& error);

}  // namespace kavrel::plot
