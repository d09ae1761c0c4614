// The figures, drawn with QCustomPlot. A map is a QCPColorMap without
// interpolation (one flat cell per element) over the elements' real extent,
// with a colour scale labelled in the quantity's unit and, where the codes
// are known, the outline of the mined-out elements drawn over it.
#include "plot/figures.h"

#include <QFile>
#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace kavrel::plot {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const QColor kNoValueColour(190, 190, 190);
const QColor kOutlineColour(0, 0, 0);

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The grid under the title, which holds the axis rects, colour scale and
// legend; ResetPlot makes it.
QCPLayoutGrid* Body(QCustomPlot& plot) {
  return static_cast<QCPLayoutGrid*>(plot.plotLayout()->element(1, 0));
}

// Empties the plot and lays out a title row over a body grid holding one
// axis rect, returned. The title spans the body's columns.
QCPAxisRect* ResetPlot(QCustomPlot& plot, const std::string& title) {
  plot.clearPlottables();
  plot.clearItems();
  plot.plotLayout()->clear();
  plot.legend = nullptr;
  plot.setAutoAddPlottableToLegend(false);
  plot.plotLayout()->setRowSpacing(0);
  plot.plotLayout()->addElement(0, 0, new QCPTextElement(&plot, Text(title),
                                                         QFont("Liberation Sans", 10, QFont::Bold)));
  auto* body = new QCPLayoutGrid;
  plot.plotLayout()->addElement(1, 0, body);
  plot.plotLayout()->setRowStretchFactor(0, 0.01);
  auto* rect = new QCPAxisRect(&plot);
  body->addElement(0, 0, rect);
  plot.xAxis = rect->axis(QCPAxis::atBottom);
  plot.yAxis = rect->axis(QCPAxis::atLeft);
  plot.xAxis2 = rect->axis(QCPAxis::atTop);
  plot.yAxis2 = rect->axis(QCPAxis::atRight);
  return rect;
}

// Ranges of the grid's outer edges on both axes.
void ShowWholeGrid(QCPAxisRect* rect, const FieldGrid& field) {
  rect->axis(QCPAxis::atBottom)->setRange(field.originX, field.originX + field.nx * field.width);
  rect->axis(QCPAxis::atLeft)->setRange(field.originY, field.originY + field.ny * field.width);
}

// The map's cells hold the field's values clamped to `range` (NaN stays NaN):
// an infinite safety factor takes the top colour, and no value reaches the
// gradient too large to turn into a colour index.
QCPColorMap* AddColourMap(QCPAxisRect* rect, const FieldGrid& field, const ValueRange& range,
                          const std::string& lengthUnit) {
  QCPAxis* x = rect->axis(QCPAxis::atBottom);
  QCPAxis* y = rect->axis(QCPAxis::atLeft);
  x->setLabel(Text("X (" + lengthUnit + ")"));
  y->setLabel(Text("Y (" + lengthUnit + ")"));
  auto* map = new QCPColorMap(x, y);
  map->setInterpolate(false);
  map->setTightBoundary(false);
  QCPColorMapData* data = map->data();
  data->setSize(field.nx, field.ny);
  // The data range runs between the centres of the first and last cells; a
  // grid one element wide gets a range of one element so its cell keeps its
  // width.
  const double halfX = field.nx > 1 ? 0 : field.width / 2;
  const double halfY = field.ny > 1 ? 0 : field.width / 2;
  data->setRange(QCPRange(field.CentreX(1) - halfX, field.CentreX(field.nx) + halfX),
                 QCPRange(field.CentreY(1) - halfY, field.CentreY(field.ny) + halfY));
  for (int i = 1; i <= field.nx; ++i)
    for (int j = 1; j <= field.ny; ++j) {
      const double v = field.At(i, j);
      data->setCell(i - 1, j - 1, std::isnan(v) ? v : std::fmin(std::fmax(v, range.lo), range.hi));
    }
  ShowWholeGrid(rect, field);
  return map;
}

QCPColorScale* AddColourScale(QCustomPlot& plot, QCPColorMap* map, const std::string& label) {
  auto* scale = new QCPColorScale(&plot);
  Body(plot)->addElement(0, 1, scale);
  scale->setType(QCPAxis::atRight);
  scale->axis()->setLabel(Text(label));
  map->setColorScale(scale);
  // Scale and map share one margin group so that they line up vertically.
  auto* group = new QCPMarginGroup(&plot);
  map->keyAxis()->axisRect()->setMarginGroup(QCP::msBottom | QCP::msTop, group);
  scale->setMarginGroup(QCP::msBottom | QCP::msTop, group);
  return scale;
}

// Makes `plot.legend` and places it at the top of a column of its own beside
// the body's first column, where it hides nothing that is drawn.
void AddSideLegend(QCustomPlot& plot) {
  plot.legend = new QCPLegend;
  auto* column = new QCPLayoutGrid;
  Body(plot)->addElement(0, 1, column);
  Body(plot)->setColumnStretchFactor(1, 0.01);
  column->addElement(0, 0, plot.legend);
  column->addElement(1, 0, new QCPLayoutElement(&plot));
  column->setRowStretchFactor(0, 0.01);
  plot.legend->setLayer("legend");
}

// Appends the segment (x1, y1)-(x2, y2) to a curve of separate segments.
void AddSegment(QVector<double>& t, QVector<double>& xs, QVector<double>& ys, double x1, double y1,
                double x2, double y2) {
  xs << x1 << x2 << kNaN;
  ys << y1 << y2 << kNaN;
  t << t.size() << t.size() + 1 << t.size() + 2;
}

// The edges between mined-out elements and the rest (or the grid's border),
// merged into straight runs, drawn as one curve of separate segments.
void AddMinedOutline(QCPAxisRect* rect, const FieldGrid& field, const std::vector<char>& mined) {
  if (mined.empty()) return;
  const auto isMined = [&](int i, int j) {
    return i >= 1 && i <= field.nx && j >= 1 && j <= field.ny && mined[field.Index(i, j)] != 0;
  };
  QVector<double> t, xs, ys;
  const double w = field.width;
  // Horizontal edges: the line y = originY + j * w, between rows j and j + 1.
  for (int j = 0; j <= field.ny; ++j) {
    int start = 0;
    for (int i = 1; i <= field.nx + 1; ++i) {
      const bool edge = i <= field.nx && isMined(i, j) != isMined(i, j + 1);
      if (edge && start == 0) start = i;
      if (!edge && start != 0) {
        const double y = field.originY + j * w;
        AddSegment(t, xs, ys, field.originX + (start - 1) * w, y, field.originX + (i - 1) * w, y);
        start = 0;
      }
    }
  }
  // Vertical edges: the line x = originX + i * w, between columns i and i + 1.
  for (int i = 0; i <= field.nx; ++i) {
    int start = 0;
    for (int j = 1; j <= field.ny + 1; ++j) {
      const bool edge = j <= field.ny && isMined(i, j) != isMined(i + 1, j);
      if (edge && start == 0) start = j;
      if (!edge && start != 0) {
        const double x = field.originX + i * w;
        AddSegment(t, xs, ys, x, field.originY + (start - 1) * w, x, field.originY + (j - 1) * w);
        start = 0;
      }
    }
  }
  if (xs.isEmpty()) return;
  auto* curve = new QCPCurve(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
  curve->setPen(QPen(kOutlineColour, 1.2));
  curve->setName("mined out");
  curve->setData(t, xs, ys, true);
}

QColor CodeColour(std::size_t index, char code) {
  if (code == '1') return QColor(255, 255, 255);
  // A qualitative palette; beyond it, hues spread around the wheel.
  static const QColor kPalette[] = {
      QColor(55, 55, 55),    QColor(166, 118, 29), QColor(117, 112, 179), QColor(27, 158, 119),
      QColor(231, 41, 138),  QColor(102, 166, 30), QColor(217, 95, 2),    QColor(230, 171, 2),
      QColor(31, 120, 180),  QColor(178, 223, 138), QColor(251, 154, 153), QColor(202, 178, 214)};
  const std::size_t n = sizeof kPalette / sizeof kPalette[0];
  if (index < n) return kPalette[index];
  return QColor::fromHsv(static_cast<int>((index * 47) % 360), 180, 200);
}

}  // namespace

QCPColorGradient SequentialGradient() {
  QCPColorGradient g;
  g.clearColorStops();
  g.setColorStopAt(0.0, QColor(68, 1, 84));
  g.setColorStopAt(0.25, QColor(59, 82, 139));
  g.setColorStopAt(0.5, QColor(33, 145, 140));
  g.setColorStopAt(0.75, QColor(94, 201, 98));
  g.setColorStopAt(1.0, QColor(253, 231, 37));
  g.setLevelCount(256);
  g.setNanHandling(QCPColorGradient::nhNanColor);
  g.setNanColor(kNoValueColour);
  return g;
}

QCPColorGradient DivergingGradient(const ValueRange& range) {
  const QColor red(178, 24, 43), lightRed(239, 138, 98), white(247, 247, 247),
      lightBlue(103, 169, 207), blue(33, 102, 172);
  double p = (1.0 - range.lo) / (range.hi - range.lo);
  p = std::fmin(std::fmax(p, 0.0), 1.0);
  QCPColorGradient g;
  g.clearColorStops();
  if (p > 0) {
    g.setColorStopAt(0.0, red);
    g.setColorStopAt(p / 2, lightRed);
  }
  g.setColorStopAt(p, white);
  if (p < 1) {
    g.setColorStopAt(p + (1 - p) / 2, lightBlue);
    g.setColorStopAt(1.0, blue);
  }
  g.setLevelCount(256);
  g.setNanHandling(QCPColorGradient::nhNanColor);
  g.setNanColor(kNoValueColour);
  return g;
}

void SizeForPicture(QCustomPlot& plot, int width, int height) {
  plot.resize(width, height);
  plot.setViewport(QRect(0, 0, width, height));
}

void KeepEqualAxes(QCustomPlot& plot) {
  if (!plot.xAxis || !plot.yAxis) return;
  plot.replot(QCustomPlot::rpImmediateRefresh);
  // Widen whichever axis would otherwise stretch the grid, keeping its centre.
  const double xPerPixel = plot.xAxis->range().size() / std::max(1, plot.xAxis->axisRect()->width());
  const double yPerPixel =
      plot.yAxis->range().size() / std::max(1, plot.yAxis->axisRect()->height());
  if (xPerPixel > yPerPixel)
    plot.yAxis->setScaleRatio(plot.xAxis, 1.0);
  else
    plot.xAxis->setScaleRatio(plot.yAxis, 1.0);
}

QCPColorMap* DrawMap(QCustomPlot& plot, const MapData& data) {
  QCPAxisRect* rect = ResetPlot(plot, data.title);
  QCPColorMap* map = AddColourMap(rect, data.field, data.range, data.lengthUnit);
  std::string label = data.quantity;
  if (!data.unit.empty() && data.unit != data.quantity) label += " (" + data.unit + ")";
  AddColourScale(plot, map, label);
  map->setGradient(data.kind == ScaleKind::Diverging ? DivergingGradient(data.range)
                                                     : SequentialGradient());
  map->setDataRange(QCPRange(data.range.lo, data.range.hi));
  AddMinedOutline(rect, data.field, data.minedOut);
  KeepEqualAxes(plot);
  return map;
}

void DrawProfile(QCustomPlot& plot, const ProfileData& data) {
  QCPAxisRect* first = ResetPlot(plot, data.title);
  auto* group = new QCPMarginGroup(&plot);
  // One legend for every panel: their curves are the same steps.
  AddSideLegend(plot);
  plot.legend->setFont(QFont("Liberation Sans", 8));
  for (std::size_t p = 0; p < data.panels.size(); ++p) {
    const ProfilePanel& panel = data.panels[p];
    QCPAxisRect* rect = first;
    if (p > 0) {
      rect = new QCPAxisRect(&plot);
      Body(plot)->addElement(static_cast<int>(p), 0, rect);
    }
    rect->setMarginGroup(QCP::msLeft | QCP::msRight, group);
    QCPAxis* x = rect->axis(QCPAxis::atBottom);
    QCPAxis* y = rect->axis(QCPAxis::atLeft);
    x->setLabel(Text(data.axisLabel));
    std::string label = panel.quantity;
    if (!panel.unit.empty() && panel.unit != panel.quantity) label += " (" + panel.unit + ")";
    y->setLabel(Text(label));
    for (std::size_t c = 0; c < panel.curves.size(); ++c) {
      const ProfileCurve& curve = panel.curves[c];
      QCPGraph* graph = plot.addGraph(x, y);
      graph->setName(Text(curve.label));
      const double share = panel.curves.size() > 1
                               ? static_cast<double>(c) / static_cast<double>(panel.curves.size() - 1)
                               : 1.0;
      graph->setPen(
          QPen(QColor::fromRgb(SequentialGradient().color(share * 0.85, QCPRange(0, 1))), 1.6));
      graph->setData(QVector<double>(curve.position.begin(), curve.position.end()),
                     QVector<double>(curve.value.begin(), curve.value.end()), true);
      graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 3));
      if (p == 0) plot.legend->addItem(new QCPPlottableLegendItem(plot.legend, graph));
    }
    x->rescale();
    y->rescale();
    // A little room above and below the curves.
    const QCPRange r = y->range();
    const double pad = r.size() > 0 ? r.size() * 0.05 : (r.lower != 0 ? std::fabs(r.lower) * 0.05 : 1);
    y->setRange(r.lower - pad, r.upper + pad);
  }
}

QCPColorMap* DrawCodeMap(QCustomPlot& plot, const CodeMapData& data) {
  QCPAxisRect* rect = ResetPlot(plot, data.title);
  const std::size_t n = data.legend.size();
  const ValueRange indices{0, std::max<double>(1, static_cast<double>(n) - 1)};
  QCPColorMap* map = AddColourMap(rect, data.field, indices, data.lengthUnit);
  QCPColorGradient g;
  g.clearColorStops();
  g.setLevelCount(std::max<int>(2, static_cast<int>(n)));
  for (std::size_t k = 0; k < n; ++k)
    g.setColorStopAt(n > 1 ? static_cast<double>(k) / static_cast<double>(n - 1) : 0.0,
                     CodeColour(k, data.legend[k].code));
  if (n == 1) g.setColorStopAt(1.0, CodeColour(0, data.legend[0].code));
  map->setGradient(g);
  map->setDataRange(QCPRange(0, std::max<double>(1, static_cast<double>(n - 1))));
  // One legend entry per code: an empty graph with a filled square symbol.
  AddSideLegend(plot);
  for (std::size_t k = 0; k < n; ++k) {
    QCPGraph* entry = plot.addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
    entry->setName(Text(data.legend[k].label));
    entry->setLineStyle(QCPGraph::lsNone);
    entry->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, QPen(Qt::black),
                                           QBrush(CodeColour(k, data.legend[k].code)), 10));
    plot.legend->addItem(new QCPPlottableLegendItem(plot.legend, entry));
  }
  KeepEqualAxes(plot);
  return map;
}

bool SavePicture(QCustomPlot& plot, const std::string& path, PictureFormat format, int width,
                 int height, std::string& error) {
  const QString name = Text(path);
  const bool ok = format == PictureFormat::Png ? plot.savePng(name, width, height)
                                               : plot.savePdf(name, width, height);
  if (!ok) {
    QFile probe(name);
    error = probe.open(QIODevice::WriteOnly) ? "cannot be written"
                                             : "cannot be written: " + probe.errorString().toStdString();
    return false;
  }
  return true;
}

// Dots only, no line: cases that share a parameter value (other parameters
// or draws differing) stand as a column of dots.
void DrawSweep(QCustomPlot& plot, const SweepData& data) {
  QCPAxisRect* rect = ResetPlot(plot, data.title);
  QCPAxis* x = rect->axis(QCPAxis::atBottom);
  QCPAxis* y = rect->axis(QCPAxis::atLeft);
  x->setLabel(Text(data.parameter));
  y->setLabel(Text(data.column));
  QCPGraph* graph = plot.addGraph(x, y);
  graph->setLineStyle(QCPGraph::lsNone);
  graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc,
                                         QColor::fromRgb(SequentialGradient().color(0.2, QCPRange(0, 1))), 7));
  graph->setData(QVector<double>(data.x.begin(), data.x.end()),
                 QVector<double>(data.y.begin(), data.y.end()));
  for (QCPAxis* axis : {x, y}) {
    axis->rescale();
    const QCPRange r = axis->range();
    const double pad = r.size() > 0 ? r.size() * 0.05 : (r.lower != 0 ? std::fabs(r.lower) * 0.05 : 1);
    axis->setRange(r.lower - pad, r.upper + pad);
  }
}

}  // namespace kavrel::plot
