// Closed-form curves over the profiles of figures.cpp (see reference_curves.h).
#include "plot/reference_curves.h"

#include <qcustomplot.h>

#include <algorithm>

namespace kavrel::plot {

void DrawReferenceCurves(QCustomPlot& plot, const std::vector<ReferenceCurve>& curves) {
  const QList<QCPAxisRect*> rects = plot.axisRects();
  for (const ReferenceCurve& curve : curves) {
    if (curve.panel >= static_cast<std::size_t>(rects.size())) continue;
    QCPAxisRect* rect = rects[static_cast<int>(curve.panel)];
    QCPAxis* x = rect->axis(QCPAxis::atBottom);
    QCPAxis* y = rect->axis(QCPAxis::atLeft);
    QCPGraph* graph = plot.addGraph(x, y);
    graph->setName(QString::fromStdString(curve.label));
    graph->setPen(QPen(QColor(170, 20, 20), 1.8, Qt::DashLine));
    graph->setData(QVector<double>(curve.position.begin(), curve.position.end()),
                   QVector<double>(curve.value.begin(), curve.value.end()), true);
    // One legend entry per label, whichever panel shows it first.
    bool known = false;
    for (int k = 0; k < plot.legend->itemCount(); ++k) {
      auto* item = qobject_cast<QCPPlottableLegendItem*>(plot.legend->item(k));
      if (item && item->plottable()->name() == graph->name()) known = true;
    }
    if (!known) plot.legend->addItem(new QCPPlottableLegendItem(plot.legend, graph));
    bool found = false;
    const QCPRange r = graph->getValueRange(found);
    if (found) {
      QCPRange range = y->range();
      const double pad = std::max(range.size(), r.size()) * 0.05;
      range.lower = std::min(range.lower, r.lower - pad);
      range.upper = std::max(range.upper, r.upper + pad);
      y->setRange(range);
    }
  }
}

}  // namespace kavrel::plot
