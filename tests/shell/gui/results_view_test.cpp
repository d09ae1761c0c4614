// Checks of the window's results view on the offscreen platform, against the
// files the runs wrote, read here with parsers of their own: the code map
// after Open, the result maps after a run and for any seam, step and
// quantity chosen, the readout under an element, profiles through a clicked
// element, problems reported in the readout, and Export Picture.
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <qcustomplot.h>
#include <vector>

#include "shell/gui/gui_test_support.h"
#include "shell/gui/kav_app.h"
#include "shell/gui/results_view.h"
#include "support/kavrel_runs.h"

using kavrel::ResultsView;
using kavrel::gui_testing::Window;
using Picture = kavrel::ResultsView::Picture;

namespace {

QString FreshDir(const QString& name) {
  return kavrel::gui_testing::FreshDir(QStringLiteral("gui_results"), name);
}

// Copies the example into `dir`; with `run` set the console program runs it
// there first.
QString Example(const QString& dir, const char* name, bool run) {
  const auto copy = kavrel::testing_support::CopyExample(dir.toStdString(), name);
  if (run && kavrel::testing_support::RunQuiet(copy) != 0) return {};
  return QString::fromStdString(copy.string());
}

QList<QByteArray> Lines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QList<QByteArray> lines = file.readAll().split('\n');
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  return lines;
}

QList<QByteArray> Fields(const QByteArray& line) {
  QList<QByteArray> fields = line.split(',');
  for (QByteArray& f : fields) f = f.trimmed();
  return fields;
}

// A result file as written: three header lines, then one line per element,
// block after block, X index outer.
struct ResultTable {
  int blocks = 0, nx = 0, ny = 0;
  double width = 0, originX = 0, originY = 0;
  QStringList names;
  std::vector<std::vector<double>> rows;

  double At(int block, int column, int i, int j) const {
    return rows[static_cast<std::size_t>(block * nx * ny + (i - 1) * ny + (j - 1))]
               [static_cast<std::size_t>(column)];
  }
  double CentreX(int i) const { return originX + (i - 0.5) * width; }
  double CentreY(int j) const { return originY + (j - 0.5) * width; }
  int Column(const QString& name) const { return static_cast<int>(names.indexOf(name)); }
  // The element with the largest value of `column` in `block`.
  QPoint ArgMax(int block, int column) const {
    QPoint best(1, 1);
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j)
        if (At(block, column, i, j) > At(block, column, best.x(), best.y())) best = QPoint(i, j);
    return best;
  }
  std::pair<double, double> MinMax(int block, int column) const {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (int i = 1; i <= nx; ++i)
      for (int j = 1; j <= ny; ++j) {
        lo = std::min(lo, At(block, column, i, j));
        hi = std::max(hi, At(block, column, i, j));
      }
    return {lo, hi};
  }
};

ResultTable ReadTable(const QString& path) {
  ResultTable t;
  const QList<QByteArray> lines = Lines(path);
  if (lines.size() < 3) return t;
  const QList<QByteArray> head = Fields(lines[0]);
  t.blocks = head[0].toInt();
  t.width = head[2].toDouble();
  t.nx = head[3].toInt();
  t.ny = head[4].toInt();
  t.originX = head[5].toDouble();
  t.originY = head[6].toDouble();
  const QList<QByteArray> names = Fields(lines[1]);
  for (qsizetype n = 1; n < names.size(); ++n) t.names << QString::fromLatin1(names[n]);
  for (qsizetype n = 3; n < lines.size(); ++n) {
    std::vector<double> row;
    for (const QByteArray& f : Fields(lines[n])) row.push_back(f.toDouble());
    t.rows.push_back(row);
  }
  return t;
}

// A step code file: per seam ny rows, the first of them y = ny, each the nx
// codes of x = 1..nx.
char CodeAt(const QList<QByteArray>& lines, int seam, int ny, int i, int j) {
  return lines[(seam - 1) * ny + (ny - j)].at(i - 1);
}

struct Readout {
  bool ok = false;
  double value = 0;
  int i = 0, j = 0;
  double x = 0, y = 0;
};

// "<what> = <value> <unit>   element (i, j)   centre (x, y) <unit>"
Readout Parse(const QString& text) {
  static const QRegularExpression pattern(QStringLiteral(
      R"(^(?:.*?= (\S+))?.*?element \((\d+), (\d+)\)\s+centre \((\S+), (\S+)\))"));
  Readout r;
  const QRegularExpressionMatch m = pattern.match(text);
  if (!m.hasMatch()) return r;
  r.ok = true;
  r.value = m.captured(1).toDouble();
  r.i = m.captured(2).toInt();
  r.j = m.captured(3).toInt();
  r.x = m.captured(4).toDouble();
  r.y = m.captured(5).toDouble();
  return r;
}

bool Near(double got, double expected, double relative) {
  return std::fabs(got - expected) <= relative * std::max(1.0, std::fabs(expected));
}

// The readout under the centre of element (i, j) names that element, its
// centre and (for result maps) its value, to the six digits shown.
void ExpectReadout(ResultsView& view, const ResultTable& t, int i, int j, double value) {
  const QString text = view.ReadoutAt(t.CentreX(i), t.CentreY(j));
  const Readout r = Parse(text);
  QVERIFY2(r.ok, qPrintable(text));
  QCOMPARE(r.i, i);
  QCOMPARE(r.j, j);
  QVERIFY2(Near(r.x, t.CentreX(i), 1e-9) && Near(r.y, t.CentreY(j), 1e-9), qPrintable(text));
  QVERIFY2(Near(r.value, value, 1e-5), qPrintable(text));
}

void ExpectRange(ResultsView& view, std::pair<double, double> expected) {
  const QCPRange range = view.MapDataRange();
  QVERIFY2(Near(range.lower, expected.first, 1e-9) && Near(range.upper, expected.second, 1e-9),
           qPrintable(QStringLiteral("range %1..%2, expected %3..%4")
                          .arg(range.lower)
                          .arg(range.upper)
                          .arg(expected.first)
                          .arg(expected.second)));
}

QString MaterialOf(char code) {
  // panel.inp: A strain-softening coal, B strain-hardening gob, 1 mined out.
  switch (code) {
    case 'A': return QStringLiteral("Strain Softening Coal");
    case 'B': return QStringLiteral("Strain Hardening Gob");
    case '1': return QStringLiteral("mined out");
    default: return QStringLiteral("?");
  }
}

}  // namespace

class ResultsViewTest : public QObject {
  Q_OBJECT

 private slots:
  void viewSitsBelowTheProgressFields() {
    Window w;
    w.dlg.adjustSize();
    QWidget* client = w.dlg.findChild<QWidget*>(QStringLiteral("client"));
    ResultsView* view = w.dlg.Results();
    QVERIFY(view);
    QCOMPARE(client->size(), QSize(746, 288));
    QVERIFY(view->geometry().top() > client->geometry().bottom());
    QCOMPARE(view->width(), client->width());
    QCOMPARE(w.dlg.width(), client->width());
    QCOMPARE(view->Shown(), Picture::None);
    QVERIFY(!view->ReadoutText().isEmpty());
  }

  // A map drawn while the window is hidden is laid out again when it shows:
  // the whole grid in view, one length unit as long across as up.
  void shownMapHoldsTheWholeGridAtEqualScales_data() {
    QTest::addColumn<QString>("example");
    QTest::addColumn<QRectF>("grid");  // seam 1's outer edges, from the model file
    // panel.inp: 60 x 40 elements of 120 in from the origin.
    QTest::newRow("panel") << QStringLiteral("panel.inp") << QRectF(0, 0, 60 * 120, 40 * 120);
    // two_seam.inp: 40 x 40 elements of 5 m, seam 1 from x = 10 m.
    QTest::newRow("two_seam") << QStringLiteral("two_seam.inp") << QRectF(10, 0, 40 * 5, 40 * 5);
  }

  void shownMapHoldsTheWholeGridAtEqualScales() {
    QFETCH(QString, example);
    QFETCH(QRectF, grid);
    const QString dir = FreshDir(QStringLiteral("shown_") + example);
    const QString model = Example(dir, example.toLatin1().constData(), false);
    Window w;
    QVERIFY(w.dlg.OpenInputFile(model));
    w.dlg.show();
    // A view of its own, drawn before it was ever laid out.
    ResultsView alone;
    alone.ShowOpenedModel(model);
    alone.resize(900, 700);
    alone.show();
    for (int pass = 0; pass < 3; ++pass) {
      ResultsView& view = pass < 2 ? *w.dlg.Results() : alone;
      // Second pass: a picture drawn while the window is already shown.
      if (pass == 1) QVERIFY(view.SelectStep(2));
      QCustomPlot* plot = view.Plot();
      auto* map = qobject_cast<QCPColorMap*>(plot->plottable(0));
      QVERIFY(map);
      const QCPRange x = map->keyAxis()->range();
      const QCPRange y = map->valueAxis()->range();
      const double slack = 1e-9 * grid.width();
      QVERIFY2(x.lower <= grid.left() + slack && x.upper >= grid.right() - slack &&
                   y.lower <= grid.top() + slack && y.upper >= grid.bottom() - slack,
               qPrintable(QStringLiteral("pass %1: x %2..%3, y %4..%5")
                              .arg(pass)
                              .arg(x.lower)
                              .arg(x.upper)
                              .arg(y.lower)
                              .arg(y.upper)));
      const double xPerPixel = x.size() / map->keyAxis()->axisRect()->width();
      const double yPerPixel = y.size() / map->valueAxis()->axisRect()->height();
      QVERIFY2(Near(xPerPixel / yPerPixel, 1.0, 0.01), qPrintable(QString::number(xPerPixel / yPerPixel)));
    }
    w.dlg.hide();
  }

  // ---- after Open: the code map --------------------------------------------
  void openShowsTheCodeMapOfSeam1Step1() {
    const QString dir = FreshDir(QStringLiteral("open"));
    const QString model = Example(dir, "panel.inp", false);
    Window w;
    QVERIFY(w.dlg.OpenInputFile(model));
    ResultsView& view = *w.dlg.Results();
    QCOMPARE(view.Shown(), Picture::CodeMap);
    QCOMPARE(view.Seam(), 1);
    QCOMPARE(view.Step(), 1);
    QCOMPARE(view.Quantity(), ResultsView::MaterialCodes());
    // Nothing has run yet: the codes are all there is to show.
    QCOMPARE(view.Quantities(), QStringList{ResultsView::MaterialCodes()});

    // panel.inp: 60 x 40 elements of 120 in from the origin, in inches.
    ResultTable grid;
    grid.nx = 60;
    grid.ny = 40;
    grid.width = 120;
    const QList<QByteArray> step1 = Lines(dir + "/panel_Step1.chr");
    const QList<QByteArray> step3 = Lines(dir + "/panel_Step3.chr");
    QCOMPARE(step1.size(), 40);
    // Every element whose code the retreat changed reads as its code at the
    // step selected; the first found of each kind is enough.
    QPoint changed, mined;
    for (int i = 1; i <= 60; ++i)
      for (int j = 1; j <= 40; ++j) {
        if (changed.isNull() && CodeAt(step1, 1, 40, i, j) != CodeAt(step3, 1, 40, i, j)) changed = {i, j};
        if (mined.isNull() && CodeAt(step1, 1, 40, i, j) == '1' && j < 20) mined = {i, j};
      }
    QVERIFY(!changed.isNull() && !mined.isNull());
    for (const QPoint e : {changed, mined, QPoint(1, 1), QPoint(60, 40)}) {
      const QString text = view.ReadoutAt(grid.CentreX(e.x()), grid.CentreY(e.y()));
      QVERIFY2(text.contains(MaterialOf(CodeAt(step1, 1, 40, e.x(), e.y()))), qPrintable(text));
      const Readout r = Parse(text);
      QVERIFY2(r.ok && r.i == e.x() && r.j == e.y(), qPrintable(text));
    }
    QVERIFY(view.SelectStep(3));
    QCOMPARE(view.Shown(), Picture::CodeMap);
    const QString text = view.ReadoutAt(grid.CentreX(changed.x()), grid.CentreY(changed.y()));
    QVERIFY2(text.contains(MaterialOf(CodeAt(step3, 1, 40, changed.x(), changed.y()))), qPrintable(text));
    // Outside the grid the readout says what is shown instead of an element.
    QVERIFY(!Parse(view.ReadoutAt(-5, 100)).ok);
    QVERIFY(!Parse(view.ReadoutAt(100, 40 * 120 + 1)).ok);
  }

  // ---- after a run: the seam map --------------------------------------------
  void runShowsConvergenceOfSeam1AtTheLastStep() {
    const QString dir = FreshDir(QStringLiteral("run"));
    const QString model = Example(dir, "panel.inp", false);
    Window w;
    QVERIFY(w.dlg.OpenInputFile(model));
    w.dlg.OnRun();
    QVERIFY(w.endStatuses.isEmpty());
    ResultsView& view = *w.dlg.Results();
    QVERIFY(view.isEnabled());
    const ResultTable t = ReadTable(dir + "/panel.f1");
    QCOMPARE(t.blocks, 3);
    QCOMPARE(view.Shown(), Picture::ResultMap);
    QCOMPARE(view.Seam(), 1);
    QCOMPARE(view.Step(), 3);
    QCOMPARE(view.Quantity(), QStringLiteral("Seam Convergence"));
    QCOMPARE(view.Quantities(), t.names + QStringList{ResultsView::MaterialCodes()});
    const int convergence = t.Column(QStringLiteral("Seam Convergence"));
    ExpectRange(view, t.MinMax(2, convergence));
    const QPoint peak = t.ArgMax(2, convergence);
    ExpectReadout(view, t, peak.x(), peak.y(), t.At(2, convergence, peak.x(), peak.y()));
    ExpectReadout(view, t, 1, 1, t.At(2, convergence, 1, 1));

    // An earlier step and another quantity of the same file.
    QVERIFY(view.SelectStep(2));
    QVERIFY(view.SelectQuantity(QStringLiteral("Total Vertical Stress")));
    QCOMPARE(view.Shown(), Picture::ResultMap);
    const int stress = t.Column(QStringLiteral("Total Vertical Stress"));
    ExpectRange(view, t.MinMax(1, stress));
    const QPoint hot = t.ArgMax(1, stress);
    ExpectReadout(view, t, hot.x(), hot.y(), t.At(1, stress, hot.x(), hot.y()));
    QVERIFY(view.ReadoutAt(t.CentreX(hot.x()), t.CentreY(hot.y())).contains(QStringLiteral("psi")));

    // The codes stay one choice away.
    QVERIFY(view.SelectQuantity(ResultsView::MaterialCodes()));
    QCOMPARE(view.Shown(), Picture::CodeMap);
  }

  void anySeamStepAndQuantityOfAConsoleRun() {
    const QString dir = FreshDir(QStringLiteral("two_seam"));
    const QString model = Example(dir, "two_seam.inp", true);
    QVERIFY(!model.isEmpty());
    Window w;
    QVERIFY(w.dlg.OpenInputFile(model));
    ResultsView& view = *w.dlg.Results();
    const ResultTable upper = ReadTable(dir + "/two_seam.f1");
    const ResultTable lower = ReadTable(dir + "/two_seam.f2");
    QVERIFY(upper.originX != lower.originX);  // the seams' grids are offset

    QVERIFY(view.SelectSeam(2));
    QVERIFY(view.SelectStep(2));
    // The name a user types selects the column as well as its header name.
    QVERIFY(view.SelectQuantity(QStringLiteral("totalverticalstress")));
    QCOMPARE(view.Quantity(), QStringLiteral("Total Vertical Stress"));
    QCOMPARE(view.Shown(), Picture::ResultMap);
    const int stress = lower.Column(QStringLiteral("Total Vertical Stress"));
    ExpectRange(view, lower.MinMax(1, stress));
    QPoint e = lower.ArgMax(1, stress);
    ExpectReadout(view, lower, e.x(), e.y(), lower.At(1, stress, e.x(), e.y()));

    // Another seam keeps the quantity and reads its own file and grid.
    QVERIFY(view.SelectSeam(1));
    QCOMPARE(view.Quantity(), QStringLiteral("Total Vertical Stress"));
    ExpectRange(view, upper.MinMax(1, stress));
    e = upper.ArgMax(1, stress);
    ExpectReadout(view, upper, e.x(), e.y(), upper.At(1, stress, e.x(), e.y()));
    ExpectReadout(view, upper, upper.nx, 3, upper.At(1, stress, upper.nx, 3));

    // Values that are not offered change nothing.
    QVERIFY(!view.SelectSeam(3));
    QVERIFY(!view.SelectStep(0));
    QVERIFY(!view.SelectStep(4));
    QVERIFY(!view.SelectQuantity(QStringLiteral("no such column")));
    QCOMPARE(view.Seam(), 1);
    QCOMPARE(view.Step(), 2);
    QCOMPARE(view.Quantity(), QStringLiteral("Total Vertical Stress"));
  }

  void profileRunsThroughTheClickedElement() {
    const QString dir = FreshDir(QStringLiteral("profile"));
    const QString model = Example(dir, "two_seam.inp", true);
    QVERIFY(!model.isEmpty());
    Window w;
    QVERIFY(w.dlg.OpenInputFile(model));
    ResultsView& view = *w.dlg.Results();
    const ResultTable t = ReadTable(dir + "/two_seam.f2");
    QVERIFY(view.SelectSeam(2));
    QVERIFY(view.SelectQuantity(QStringLiteral("Seam Convergence")));
    const int column = t.Column(QStringLiteral("Seam Convergence"));

    // No point clicked yet: the readout says so and the map stays.
    QVERIFY(!view.ShowProfile(true));
    QCOMPARE(view.Shown(), Picture::ResultMap);
    QVERIFY(!view.ReadoutText().isEmpty());

    const int i0 = 17, j0 = 9;
    view.ClickAt(t.CentreX(i0), t.CentreY(j0));
    QCOMPARE(Parse(view.ReadoutText()).i, i0);

    // Along Y: the column of elements i0, every step.
    QVERIFY(view.ShowProfile(true));
    QCOMPARE(view.Shown(), Picture::Profile);
    const kavrel::plot::ProfileData* profile = view.Profile();
    QVERIFY(profile);
    QCOMPARE(profile->panels.size(), std::size_t{1});
    const auto& curves = profile->panels[0].curves;
    QCOMPARE(curves.size(), std::size_t{3});
    for (int step = 1; step <= 3; ++step) {
      const auto& curve = curves[static_cast<std::size_t>(step - 1)];
      QCOMPARE(curve.value.size(), static_cast<std::size_t>(t.ny));
      for (int j = 1; j <= t.ny; ++j) {
        QVERIFY(Near(curve.position[static_cast<std::size_t>(j - 1)], t.CentreY(j), 1e-9));
        QVERIFY(Near(curve.value[static_cast<std::size_t>(j - 1)], t.At(step - 1, column, i0, j), 1e-9));
      }
    }

    // Back to the map, then along X: the row j0.
    view.ShowMap();
    QCOMPARE(view.Shown(), Picture::ResultMap);
    QVERIFY(view.ShowProfile(false));
    const auto& last = view.Profile()->panels[0].curves.back();
    QCOMPARE(last.value.size(), static_cast<std::size_t>(t.nx));
    for (int i = 1; i <= t.nx; ++i) {
      QVERIFY(Near(last.position[static_cast<std::size_t>(i - 1)], t.CentreX(i), 1e-9));
      QVERIFY(Near(last.value[static_cast<std::size_t>(i - 1)], t.At(2, column, i, j0), 1e-9));
    }

    // A point off the grid has no profile; the picture shown stays.
    view.ShowMap();
    view.ClickAt(t.CentreX(1) - 2 * t.width, t.CentreY(j0));
    QVERIFY(!view.ShowProfile(true));
    QCOMPARE(view.Shown(), Picture::ResultMap);
    // The codes have no profile.
    QVERIFY(view.SelectQuantity(ResultsView::MaterialCodes()));
    QVERIFY(!view.ShowProfile(true));
  }

  void clickingThePlotPinsTheElementUnderTheMouse() {
    const QString dir = FreshDir(QStringLiteral("click"));
    const QString model = Example(dir, "two_seam.inp", true);
    QVERIFY(!model.isEmpty());
    Window w;
    QVERIFY(w.dlg.OpenInputFile(model));
    w.dlg.show();
    ResultsView& view = *w.dlg.Results();
    QVERIFY(view.SelectQuantity(QStringLiteral("Seam Convergence")));
    QVERIFY(view.SelectStep(3));
    const ResultTable t = ReadTable(dir + "/two_seam.f1");
    QCustomPlot* plot = view.Plot();
    plot->replot();
    auto* map = qobject_cast<QCPColorMap*>(plot->plottable(0));
    QVERIFY(map);
    const int i0 = 12, j0 = 30;
    const QPoint at(qRound(map->keyAxis()->coordToPixel(t.CentreX(i0))),
                    qRound(map->valueAxis()->coordToPixel(t.CentreY(j0))));
    QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, at);
    const Readout r = Parse(view.ReadoutText());
    QVERIFY2(r.ok, qPrintable(view.ReadoutText()));
    QCOMPARE(r.i, i0);
    QCOMPARE(r.j, j0);
    QVERIFY(Near(r.value, t.At(2, t.Column(QStringLiteral("Seam Convergence")), i0, j0), 1e-5));
    // The profile goes through the element clicked.
    QVERIFY(view.ShowProfile(true));
    QVERIFY(Near(view.Profile()->panels[0].curves[0].position[0], t.CentreY(1), 1e-9));
    w.dlg.hide();
  }

  // ---- problems go to the readout --------------------------------------------
  void problemsWithTheFilesAreReportedInTheReadout() {
    const QString dir = FreshDir(QStringLiteral("problems"));
    const QString model = Example(dir, "panel.inp", true);
    QVERIFY(!model.isEmpty());
    // Cut the result file in the middle of step 2's block.
    const QList<QByteArray> lines = Lines(dir + "/panel.f1");
    const qsizetype keep = 3 + 2400 + 1000;
    QVERIFY(lines.size() > keep);
    {
      QFile file(dir + "/panel.f1");
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(lines.mid(0, keep).join('\n') + '\n');
    }
    Window w;
    QVERIFY(w.dlg.OpenInputFile(model));
    ResultsView& view = *w.dlg.Results();
    QVERIFY(view.SelectQuantity(QStringLiteral("Seam Convergence")));
    // Step 1 is complete and shows; the readout notes the file is not.
    QCOMPARE(view.Shown(), Picture::ResultMap);
    QVERIFY(view.ReadoutText().contains(QStringLiteral("incomplete")));
    QVERIFY(view.SelectStep(2));
    QCOMPARE(view.Shown(), Picture::None);
    QVERIFY2(view.ReadoutText().startsWith(QStringLiteral("panel.f1: ")), qPrintable(view.ReadoutText()));
    QVERIFY(view.ReadoutText().contains(QStringLiteral("step 2")));
    // The readout over the empty plot keeps saying why.
    QCOMPARE(view.ReadoutAt(600, 600), view.ReadoutText());

    // No result file at all.
    QVERIFY(QFile::remove(dir + "/panel.f1"));
    QVERIFY(w.dlg.OpenInputFile(model));
    QCOMPARE(view.Quantities(), QStringList{ResultsView::MaterialCodes()});
    view.ShowRunResults();
    QCOMPARE(view.Shown(), Picture::None);
    QVERIFY2(view.ReadoutText().startsWith(QStringLiteral("panel.f1: ")), qPrintable(view.ReadoutText()));

    // A step code file gone: its code map cannot be drawn.
    QVERIFY(w.dlg.OpenInputFile(model));
    QVERIFY(QFile::remove(dir + "/panel_Step2.chr"));
    QVERIFY(view.SelectStep(2));
    QCOMPARE(view.Shown(), Picture::None);
    QVERIFY2(view.ReadoutText().startsWith(QStringLiteral("panel_Step2.chr: ")),
             qPrintable(view.ReadoutText()));

    // A model that does not read leaves the view empty, with its reason.
    QFile::remove(dir + "/bad.inp");
    QVERIFY(QFile::copy(model, dir + "/bad.inp"));
    {
      QFile file(dir + "/bad.inp");
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write("title only\n");
    }
    view.ShowOpenedModel(dir + "/bad.inp");
    QCOMPARE(view.Shown(), Picture::None);
    QCOMPARE(view.Seam(), 0);
    QVERIFY(view.ReadoutText().startsWith(QStringLiteral("bad.inp: ")));

    // None of it is a message box (those are Open's own announcements).
    for (const QString& message : w.messages)
      QVERIFY2(!message.contains(QStringLiteral("panel.f1")) && !message.contains(QStringLiteral(".chr:")),
               qPrintable(message));
  }

  // ---- Export Picture ---------------------------------------------------------
  void exportPictureWritesTheChosenFileAtTheChosenSize() {
    const QString dir = FreshDir(QStringLiteral("export"));
    const QString model = Example(dir, "panel.inp", false);
    Window w;
    ResultsView& view = *w.dlg.Results();
    QString suggested;
    kavrel::PictureChoice answer;
    bool cancel = false;
    int asked = 0;
    view.choosePicture = [&](QWidget*, kavrel::PictureChoice& choice) {
      ++asked;
      suggested = choice.path;
      if (cancel) return false;
      choice = answer;
      return true;
    };
    auto* button = view.findChild<QPushButton*>(QStringLiteral("exportPicture"));
    QVERIFY(button);

    // Nothing shown: nothing to export, nobody asked.
    view.OnExportPicture();
    QCOMPARE(asked, 0);

    QVERIFY(w.dlg.OpenInputFile(model));
    QVERIFY(button->isEnabled());
    answer = {dir + "/codes.png", 640, 480};
    button->click();
    QCOMPARE(asked, 1);
    QCOMPARE(QFileInfo(suggested).absolutePath(), QFileInfo(model).absolutePath());
    QVERIFY(suggested.endsWith(QStringLiteral(".png")));
    const QImage png(dir + "/codes.png");
    QVERIFY(!png.isNull());
    QCOMPARE(png.size(), QSize(640, 480));
    QVERIFY(view.ReadoutText().contains(QStringLiteral("codes.png")));

    // File > Export Picture asks the same question.
    QAction* menuItem = w.dlg.findChild<QAction*>(QStringLiteral("exportPicture"));
    QVERIFY(menuItem);
    answer = {dir + "/menu.png", 320, 240};
    menuItem->trigger();
    QCOMPARE(asked, 2);
    QCOMPARE(QImage(dir + "/menu.png").size(), QSize(320, 240));

    answer = {dir + "/codes.PDF", 500, 400};
    button->click();
    QFile pdf(dir + "/codes.PDF");
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QCOMPARE(pdf.read(5), QByteArray("%PDF-"));

    // A name of another kind is refused in the readout, and nothing written.
    answer = {dir + "/codes.jpg", 640, 480};
    button->click();
    QVERIFY(!QFileInfo::exists(dir + "/codes.jpg"));
    QVERIFY(view.ReadoutText().contains(QStringLiteral("codes.jpg")));
    QString error;
    QVERIFY(!view.ExportPicture(dir + "/zero.png", 0, 480, error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFileInfo::exists(dir + "/zero.png"));
    QVERIFY(!view.ExportPicture(dir + "/no/such/folder/x.png", 100, 100, error));
    QVERIFY(error.startsWith(QStringLiteral("x.png: ")));

    // Cancelled: nothing written.
    cancel = true;
    answer = {dir + "/cancelled.png", 640, 480};
    button->click();
    QVERIFY(!QFileInfo::exists(dir + "/cancelled.png"));
    for (const QString& message : w.messages)
      QVERIFY2(!message.contains(QStringLiteral("codes.")), qPrintable(message));
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  kavrel::CKavApp app(argc, argv);
  ResultsViewTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "results_view_test.moc"
