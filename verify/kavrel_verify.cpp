// The verification manual: writes small models whose answers are known in
// closed form (or from an independent integration), runs the kavrel program on
// each, compares, draws each comparison with the plotting module and writes
// docs/verification.md. It is also a test: the exit status is 1 when any
// quantity leaves its stated tolerance, 2 when a model cannot be run or read.
//
//   kavrel_verify KAVREL_BINARY WORK_DIR DOCS_DIR
//
// Every model is in unit system 3 (metres and pascals in the file; results in
// metres and MPa). The closed forms are derived in the manual's text from the
// seam equation of the laminated overburden,
//   laplacian(u) = 2 (sigma(u) - sigma_0) / (lambda E),
//   lambda = t / sqrt(12 (1 - nu^2)),
// and from the influence functions of the overburden, which are integrated
// here exactly over each element's square (not at its centre, as the program
// does), so that the two are computed independently.
#include <QApplication>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "model/result_reader.h"
#include "plot/figures.h"
#include "plot/plot_data.h"
#include "plot/reference_curves.h"

namespace fs = std::filesystem;
using kavrel::results::ResultFile;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---- the common ground of every case ---------------------------------------------

// Rock mass, seam and coal shared by the cases (SI units).
constexpr double kRockE = 10e9;     // Pa
constexpr double kNu = 0.25;
constexpr double kLamination = 10;  // m
constexpr double kGradient = 25000;  // Pa/m
constexpr double kCoalE = 2e9;      // Pa
constexpr double kSeamH = 2;        // m

// The program keeps lambda at single precision; so does the closed form.
double Lambda() {
  return static_cast<double>(
      static_cast<float>(std::sqrt(kLamination * kLamination / (12 * (1 - kNu * kNu)))));
}

// ---- model files -------------------------------------------------------------------

struct Seam {
  double x = 0, y = 0, z = -400, h = kSeamH;
};

struct Model {
  std::string name;   // file stem
  std::string title;
  std::vector<std::string> materials{"1,2e9,0,0,0,0"};  // type and five properties
  double width = 2;
  int nx = 10, ny = 10;
  std::vector<Seam> seams{Seam{}};
  int steps = 1;
  double omega = 1.5, criterion = 1e-9;
  int maxIterations = 200000;
  // surface, off-seam, topography, safety factors, remote, energy, fault, roof, LMS
  int flags[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  int bc[4] = {0, 0, 0, 0};  // north, east, south, west; 1 = symmetry
  std::vector<std::string> extraLines;
  int lmsPillars = 0;  // the count on the LMS line among extraLines, when flags[8] is 1
  // Code of element (i, j) of seam s (from 1) at step t (from 1).
  std::function<char(int t, int s, int i, int j)> code = [](int, int, int, int) { return 'A'; };
};

std::string ModelText(const Model& m) {
  std::ostringstream out;
  out.precision(12);
  out << m.title << "\n"
      << kNu << "," << kRockE << "," << kLamination << "," << m.seams.size() << ",3,0\n"
      << m.materials.size() << ",0,0\n";
  for (const std::string& line : m.materials) out << line << "\n";
  out << m.width << "," << m.nx << "," << m.ny << "," << kGradient << "\n";
  for (const Seam& s : m.seams) out << s.x << "," << s.y << "," << s.z << "," << s.h << "\n";
  out << m.omega << "," << m.criterion << "," << m.maxIterations << ",1," << m.steps;
  for (int f : m.flags) out << "," << f;
  out << "\n" << m.bc[0] << "," << m.bc[1] << "," << m.bc[2] << "," << m.bc[3] << "\n";
  for (const std::string& line : m.extraLines) out << line << "\n";
  for (int t = 1; t <= m.steps; ++t)
    for (int s = 1; s <= static_cast<int>(m.seams.size()); ++s)
      for (int j = m.ny; j >= 1; --j) {
        for (int i = 1; i <= m.nx; ++i) out << m.code(t, s, i, j);
        out << "\n";
      }
  return out.str();
}

struct Run {
  std::vector<ResultFile> seams;  // seams[s - 1]
  fs::path log;                    // MODEL.out
  int column(const std::string& key) const { return seams[0].layout.FindColumn(key); }
  // Value of column `key` of seam s at element (i, j) in result block `block`
  // (from 0; by default the last block: the last step, its last LMS run).
  double at(int s, const std::string& key, int i, int j, int block = -1) const {
    const ResultFile& f = seams[static_cast<std::size_t>(s - 1)];
    const std::size_t b = block < 0 ? f.blocks.size() - 1 : static_cast<std::size_t>(block);
    return f.At(b, f.layout.FindColumn(key), i, j);
  }
};

std::string gKavrel;
fs::path gWork;

// Writes, runs and reads model `m`; exits with status 2 when that fails.
Run RunModel(const Model& m) {
  const fs::path dir = gWork / m.name;
  fs::create_directories(dir);
  const fs::path inp = dir / (m.name + ".inp");
  std::ofstream(inp) << ModelText(m);
  const std::string command = "'" + gKavrel + "' run --quiet '" + inp.string() + "'";
  std::cerr << "verify: " << m.name << "\n";
  if (std::system(command.c_str()) != 0) {
    std::cerr << "verify: the run of " << inp << " failed\n";
    std::exit(2);
  }
  Run run;
  run.log = dir / (m.name + ".out");
  for (std::size_t s = 1; s <= m.seams.size(); ++s) {
    ResultFile file;
    std::string error;
    const fs::path path = dir / (m.name + ".f" + std::to_string(s));
    if (!kavrel::results::ReadResultFile(path.string(), m.lmsPillars, {}, file, error) ||
        !file.complete) {
      std::cerr << "verify: " << path << ": " << error << "\n";
      std::exit(2);
    }
    run.seams.push_back(std::move(file));
  }
  return run;
}

// ---- the manual ---------------------------------------------------------------------

struct Check {
  std::string quantity;
  double expected = 0, actual = 0;
  double tolerance = 0;  // on |actual - expected| / |expected| unless absolute
  bool absolute = false;
  std::string unit;
  bool atLeast = false;  // one-sided: actual may exceed expected by any amount
  bool Passes() const {
    if (atLeast && actual >= expected) return true;
    const double diff = std::fabs(actual - expected);
    return absolute ? diff <= tolerance : diff <= tolerance * std::fabs(expected);
  }
};

std::ostringstream gManual;
int gFailures = 0;
int gChecks = 0;
fs::path gDocs;

std::string Num(double v, int digits = 5) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*g", digits, v);
  return buffer;
}

void WriteChecks(const std::vector<Check>& checks) {
  gManual << "| Quantity | Closed form | Kavrel | Difference | Tolerance | |\n"
             "|---|---|---|---|---|---|\n";
  for (const Check& c : checks) {
    ++gChecks;
    const double diff = c.actual - c.expected;
    const std::string u = c.unit.empty() ? "" : " " + c.unit;
    std::string difference, tolerance;
    if (c.absolute) {
      difference = Num(diff, 3) + u;
      tolerance = (c.atLeast ? "at least −" : "± ") + Num(c.tolerance, 3) + u;
    } else {
      difference = Num(100 * diff / std::fabs(c.expected), 3) + " %";
      tolerance = "± " + Num(100 * c.tolerance, 3) + " %";
    }
    const bool ok = c.Passes();
    if (!ok) {
      ++gFailures;
      std::cerr << "verify: FAILED " << c.quantity << ": " << c.actual << " against "
                << c.expected << "\n";
    }
    gManual << "| " << c.quantity << " | " << Num(c.expected) << u << " | " << Num(c.actual) << u
            << " | " << difference << " | " << tolerance << " | " << (ok ? "pass" : "**FAIL**")
            << " |\n";
  }
  gManual << "\n";
}

// One profile panel: Kavrel's curve and the reference over it.
struct Panel {
  std::string quantity, unit;
  std::vector<kavrel::plot::ProfileCurve> curves;
  std::vector<kavrel::plot::ReferenceCurve> references;
};

void Figure(const std::string& file, const std::string& title, const std::string& axis,
            std::vector<Panel> panels, const std::string& caption) {
  kavrel::plot::ProfileData data;
  data.title = title;
  data.axisLabel = axis;
  std::vector<kavrel::plot::ReferenceCurve> references;
  for (std::size_t p = 0; p < panels.size(); ++p) {
    data.panels.push_back({panels[p].quantity, panels[p].unit, panels[p].curves});
    for (auto r : panels[p].references) {
      r.panel = p;
      references.push_back(r);
    }
  }
  const int width = 900, height = panels.size() > 1 ? 650 : 420;
  QCustomPlot plot;
  kavrel::plot::SizeForPicture(plot, width, height);
  kavrel::plot::DrawProfile(plot, data);
  kavrel::plot::DrawReferenceCurves(plot, references);
  std::string error;
  const fs::path path = gDocs / "verification" / (file + ".png");
  if (!kavrel::plot::SavePicture(plot, path.string(), kavrel::plot::PictureFormat::Png, width,
                                 height, error)) {
    std::cerr << "verify: " << path << ": " << error << "\n";
    std::exit(2);
  }
  gManual << "![" << caption << "](verification/" << file << ".png)\n\n*" << caption << "*\n\n";
}

// The values of column `key` of seam s along row j (X varies), with
// positions, from result block `block` (the last by default).
kavrel::plot::ProfileCurve Row(const Run& run, int s, const std::string& key, int j,
                               const std::string& label, double scale = 1, int block = -1) {
  const ResultFile& f = run.seams[static_cast<std::size_t>(s - 1)];
  kavrel::plot::ProfileCurve c;
  c.label = label;
  for (int i = 1; i <= f.layout.nx; ++i) {
    c.position.push_back(f.layout.CentreX(i));
    c.value.push_back(scale * run.at(s, key, i, j, block));
  }
  return c;
}

kavrel::plot::ReferenceCurve Reference(const std::string& label, std::vector<double> x,
                                       std::vector<double> v) {
  kavrel::plot::ReferenceCurve r;
  r.label = label;
  r.position = std::move(x);
  r.value = std::move(v);
  return r;
}

// ---- the influence functions, integrated over a square -------------------------------

// Integral of exp(-x^2 / D) over [a, b].
double GaussInt(double a, double b, double D) {
  const double s = std::sqrt(D);
  return 0.5 * std::sqrt(kPi * D) * (std::erf(b / s) - std::erf(a / s));
}

// Integral of (x^2 / D) exp(-x^2 / D) over [a, b].
double GaussInt2(double a, double b, double D) {
  return 0.5 * (a * std::exp(-a * a / D) - b * std::exp(-b * b / D)) + 0.5 * GaussInt(a, b, D);
}

// The stress that a closure u spread uniformly over the square [x0, x1] x
// [y0, y1] induces at (0, 0) on a plane |h| away in the laminated overburden:
//   u E / (8 pi lambda h^2) * integral of (rho - 1) exp(-rho), rho = r^2 / (4 lambda |h|).
double StressOfSquare(double u, double x0, double x1, double y0, double y1, double h) {
  const double lambda = Lambda();
  const double D = 4 * lambda * std::fabs(h);
  const double fx = GaussInt(x0, x1, D), fy = GaussInt(y0, y1, D);
  const double integral = GaussInt2(x0, x1, D) * fy + fx * GaussInt2(y0, y1, D) - fx * fy;
  return u * kRockE / (8 * kPi * lambda * h * h) * integral;
}

// The displacement that closure u over the square induces at (0, 0) a
// distance dz away: u / (8 pi lambda dz) * integral of exp(-r^2 / (4 lambda |dz|)).
double DisplacementOfSquare(double u, double x0, double x1, double y0, double y1, double dz) {
  const double lambda = Lambda();
  const double D = 4 * lambda * std::fabs(dz);
  return u / (8 * kPi * lambda * dz) * GaussInt(x0, x1, D) * GaussInt(y0, y1, D);
}

// A closure grid (values in m) with its geometry.
struct Grid {
  int nx = 0, ny = 0;
  double w = 0, x0 = 0, y0 = 0;
  std::vector<double> u;  // (i - 1) * ny + (j - 1)
  double At(int i, int j) const { return u[static_cast<std::size_t>((i - 1) * ny + (j - 1))]; }
};

Grid Closure(const Run& run, int s) {
  const ResultFile& f = run.seams[static_cast<std::size_t>(s - 1)];
  Grid g{f.layout.nx, f.layout.ny, f.layout.elementWidth, f.layout.originX, f.layout.originY, {}};
  for (int i = 1; i <= g.nx; ++i)
    for (int j = 1; j <= g.ny; ++j) g.u.push_back(run.at(s, "convergence", i, j));
  return g;
}

// Sum over the source squares of `kernel` at the point (x, y).
template <class Kernel>
double Integrate(const Grid& source, double x, double y, Kernel kernel) {
  double sum = 0;
  for (int i = 1; i <= source.nx; ++i)
    for (int j = 1; j <= source.ny; ++j) {
      const double u = source.At(i, j);
      if (u == 0) continue;
      const double xa = source.x0 + (i - 1) * source.w - x, ya = source.y0 + (j - 1) * source.w - y;
      sum += kernel(u, xa, xa + source.w, ya, ya + source.w);
    }
  return sum;
}

// ---- the cases ----------------------------------------------------------------------

void UniformSeam() {
  Model m;
  m.name = "uniform";
  m.title = "Verification: uniform elastic seam under four symmetry edges";
  m.nx = m.ny = 20;
  m.bc[0] = m.bc[1] = m.bc[2] = m.bc[3] = 1;
  const Run run = RunModel(m);
  const double sigma0 = 400 * kGradient;
  const double u = sigma0 * kSeamH / kCoalE;
  double uMin = 1e30, uMax = -1e30, sMin = 1e30, sMax = -1e30;
  for (int i = 1; i <= m.nx; ++i)
    for (int j = 1; j <= m.ny; ++j) {
      uMin = std::min(uMin, run.at(1, "convergence", i, j));
      uMax = std::max(uMax, run.at(1, "convergence", i, j));
      sMin = std::min(sMin, run.at(1, "totalverticalstress", i, j));
      sMax = std::max(sMax, run.at(1, "totalverticalstress", i, j));
    }
  gManual << "## 1. A uniform seam under symmetric edges\n\n"
             "**Problem.** One seam of linear elastic coal (modulus E_c = 2 GPa, thickness "
             "h = 2 m) at 400 m depth (virgin stress σ₀ = 10 MPa), 20 × 20 elements of 2 m, "
             "nothing mined, all four edges symmetry edges: an endless seam.\n\n"
             "**Closed form.** Nothing varies along the seam, so the overburden's bending term "
             "vanishes and every element carries the virgin stress: σ = σ₀ and "
             "u = σ₀ h / E_c = 0.01 m (Hooke's law of the coal).\n\n";
  WriteChecks({{"smallest convergence", u, uMin, 1e-5, false, "m"},
               {"largest convergence", u, uMax, 1e-5, false, "m"},
               {"smallest stress", sigma0 * 1e-6, sMin, 1e-5, false, "MPa"},
               {"largest stress", sigma0 * 1e-6, sMax, 1e-5, false, "MPa"}});
  Figure("uniform", "Uniform seam, row j = 10", "X (m)",
         {{"Seam Convergence", "m", {Row(run, 1, "convergence", 10, "Kavrel")},
           {Reference("closed form", {0, 40}, {u, u})}}},
         "Convergence along row j = 10 and the closed form u = σ₀h/E_c.");
}

void Tributary() {
  Model m;
  m.name = "tributary";
  m.title = "Verification: room and pillar under four symmetry edges";
  m.nx = m.ny = 40;
  m.bc[0] = m.bc[1] = m.bc[2] = m.bc[3] = 1;
  // 12 m square pillars on 20 m centres, 8 m rooms, each pillar in the middle
  // of its cell so that the symmetry edges repeat the layout exactly.
  const auto pillar = [](int i, int j) {
    return (i - 1) % 10 >= 2 && (i - 1) % 10 < 8 && (j - 1) % 10 >= 2 && (j - 1) % 10 < 8;
  };
  m.code = [pillar](int, int, int i, int j) { return pillar(i, j) ? 'A' : '1'; };
  const Run run = RunModel(m);
  const double sigma0 = 400 * kGradient * 1e-6;
  const double tributary = sigma0 * (20.0 / 12.0) * (20.0 / 12.0);
  double pillarSum = 0, allSum = 0, maxRoom = 0;
  int pillarCount = 0;
  for (int i = 1; i <= m.nx; ++i)
    for (int j = 1; j <= m.ny; ++j) {
      const double s = run.at(1, "totalverticalstress", i, j);
      allSum += s;
      if (pillar(i, j)) {
        pillarSum += s;
        ++pillarCount;
      } else {
        maxRoom = std::max(maxRoom, std::fabs(s));
      }
    }
  gManual << "## 2. Tributary-area pillar stress of a regular room-and-pillar panel\n\n"
             "**Problem.** The seam of case 1, mined as a regular room-and-pillar layout: "
             "12 m × 12 m pillars on 20 m centres both ways (8 m rooms), 40 × 40 elements of "
             "2 m, four symmetry edges (an endless panel).\n\n"
             "**Closed form.** Tributary-area theory, exact on average for an endless regular "
             "layout by vertical equilibrium: each pillar carries the overburden of its "
             "20 m × 20 m cell, so the mean pillar stress is σ₀ (20/12)² = 27.78 MPa, the "
             "rooms carry nothing, and the mean over the whole seam is σ₀.\n\n";
  WriteChecks({{"mean pillar stress", tributary, pillarSum / pillarCount, 2e-3, false, "MPa"},
               {"mean stress over the seam", sigma0, allSum / (m.nx * m.ny), 2e-3, false, "MPa"},
               {"largest room stress", 0, maxRoom, 1e-9, true, "MPa"}});
  std::vector<double> x, v;
  for (int i = 1; i <= m.nx; ++i) {
    x.push_back((i - 0.5) * m.width);
    v.push_back(pillar(i, 5) ? tributary : kNaN);
  }
  Figure("tributary", "Room and pillar, row j = 5 (through the pillars' centres)", "X (m)",
         {{"Total Vertical Stress", "MPa", {Row(run, 1, "totalverticalstress", 5, "Kavrel")},
           {Reference("tributary-area stress", x, v)}}},
         "Stress along a row through the pillars; the dashed lines are the tributary-area "
         "stress over each pillar. The pillars' edges carry more than their cores (the "
         "overburden bends over the rooms); their mean is the tributary stress.");
}

// The long panel of cases 3 and 4: half width a, symmetry at x = 0 and x = L.
struct LongPanel {
  double a = 30, L = 160;
  double sigma0 = 400 * kGradient;
  double k() const { return std::sqrt(2 * kCoalE / (Lambda() * kRockE * kSeamH)); }
  double u0() const { return sigma0 * kSeamH / kCoalE; }
  double g() const { return 2 * sigma0 / (Lambda() * kRockE); }
  double C() const { return g() * a / (k() * std::sinh(k() * (L - a))); }
  double Closure(double x) const {
    if (x <= a) return u0() + g() * a / k() / std::tanh(k() * (L - a)) + g() * (a * a - x * x) / 2;
    return u0() + C() * std::cosh(k() * (L - x));
  }
  double Stress(double x) const { return x <= a ? 0.0 : kCoalE * Closure(x) / kSeamH; }
};

struct PanelResult {
  double d = 0;
  double centre = 0, rib = 0, peak = 0, decay = 0;        // Kavrel
  double centreCf = 0, ribCf = 0, peakCf = 0, decayCf = 0;  // closed form, same points
  Run run;
};

PanelResult RunLongPanel(double d) {
  const LongPanel p;
  Model m;
  m.name = "long_panel_" + std::to_string(static_cast<int>(std::lround(d * 100))) + "cm";
  m.title = "Verification: long panel in elastic coal, element width " + Num(d) + " m";
  m.width = d;
  m.nx = static_cast<int>(std::lround(p.L / d));
  m.ny = 10;
  m.bc[0] = m.bc[1] = m.bc[2] = m.bc[3] = 1;
  const int mined = static_cast<int>(std::lround(p.a / d));
  // The stress term of a sweep is explicit: the sweep diverges unless
  // omega (1 + d^2 E_c / (2 lambda E h)) < 2.
  m.omega = d < 1.5 ? 1.9 : 1.75;
  m.criterion = 1e-10;
  m.code = [mined](int, int, int i, int) { return i <= mined ? '1' : 'A'; };
  PanelResult r;
  r.d = d;
  r.run = RunModel(m);
  const auto u = [&](int i) { return r.run.at(1, "convergence", i, 5); };
  const auto s = [&](int i) { return r.run.at(1, "totalverticalstress", i, 5); };
  const auto x = [&](int i) { return (i - 0.5) * d; };
  r.centre = u(1);
  r.centreCf = p.Closure(x(1));
  r.rib = u(mined);
  r.ribCf = p.Closure(x(mined));
  r.peak = s(mined + 1);
  r.peakCf = p.Stress(x(mined + 1)) * 1e-6;
  // Decay length: the distance over which the excess stress falls by e,
  // measured between the first coal element and the one 8 m further on.
  const int far = mined + 1 + static_cast<int>(std::lround(8 / d));
  const double s0 = p.sigma0 * 1e-6;
  r.decay = (x(far) - x(mined + 1)) / std::log((s(mined + 1) - s0) / (s(far) - s0));
  r.decayCf = (x(far) - x(mined + 1)) /
              std::log((p.Stress(x(mined + 1)) - p.sigma0) / (p.Stress(x(far)) - p.sigma0));
  return r;
}

void LongPanelCases() {
  const LongPanel p;
  std::vector<PanelResult> results;
  for (double d : {2.0, 1.0, 0.5}) results.push_back(RunLongPanel(d));
  const PanelResult& r = results[0];
  gManual
      << "## 3. A long panel in elastic coal under a laminated overburden\n\n"
         "**Problem.** The seam of case 1 with a panel 60 m wide and endless along Y "
         "(symmetry edges north and south), mined out completely (no gob). The model holds "
         "half of it: the panel from x = 0 (a symmetry edge through its centre line) to the "
         "rib at x = a = 30 m, then coal to x = L = 160 m (a symmetry edge: the next panel "
         "lies 260 m further on). Element width 2 m.\n\n"
         "**Closed form.** Along a line across an endless panel the seam equation of the "
         "laminated overburden is u″ = 2 (σ(u) − σ₀) / (λE), with λ = t / √(12(1 − ν²)) = "
         << Num(Lambda(), 4)
         << " m for the lamination thickness t = 10 m, E = 10 GPa and ν = 0.25. In the panel "
            "σ = 0; in the coal σ = E_c u / h. With u₀ = σ₀h/E_c, g = 2σ₀/(λE) and "
            "k² = 2E_c/(λEh), and u and u′ continuous at the rib, it solves to\n\n"
            "- panel (0 ≤ x ≤ a): u = u₀ + (g a / k) coth(k(L − a)) + g (a² − x²) / 2;\n"
            "- coal (a ≤ x ≤ L): u = u₀ + g a cosh(k(L − x)) / (k sinh(k(L − a))), "
            "σ = E_c u / h.\n\n"
            "The abutment stress decays away from the rib as exp(−k(x − a)): its decay length "
            "is 1/k = "
         << Num(1 / p.k(), 4)
         << " m. The solution is derived here; the program's own tests check it the same "
            "way. Kavrel's element values are compared with the closed form at the element "
            "centres: the centre closure at x = d/2, the rib closure at the centre of the last "
            "mined element, the peak abutment stress at the first coal element, and the decay "
            "length from the excess stress at the first coal element and 8 m further into the "
            "coal. Tolerances are set by the discretisation error expected at 2 m elements "
            "(second order in the element width, see case 4).\n\n";
  WriteChecks({{"closure at the panel centre", r.centreCf, r.centre, 0.01, false, "m"},
               {"closure at the rib", r.ribCf, r.rib, 0.03, false, "m"},
               {"peak abutment stress", r.peakCf, r.peak, 0.05, false, "MPa"},
               {"abutment decay length", r.decayCf, r.decay, 0.05, false, "m"}});
  std::vector<double> x, u, s;
  for (double xi = 0; xi <= p.L + 1e-9; xi += 0.25) {
    x.push_back(xi);
    u.push_back(p.Closure(xi));
    s.push_back(xi < p.a ? kNaN : p.Stress(xi) * 1e-6);
  }
  Figure("long_panel", "Long panel, 2 m elements, across the panel", "X (m)",
         {{"Seam Convergence", "m", {Row(r.run, 1, "convergence", 5, "Kavrel, 2 m elements")},
           {Reference("closed form", x, u)}},
          {"Total Vertical Stress", "MPa",
           {Row(r.run, 1, "totalverticalstress", 5, "Kavrel, 2 m elements")},
           {Reference("closed form", x, s)}}},
         "Convergence and stress across the long panel (the rib at x = 30 m) against the "
         "closed form.");

  gManual << "## 4. The long panel with the element width halved, and halved again\n\n"
             "**Problem.** Case 3 with elements of 2 m, 1 m and 0.5 m.\n\n"
             "**Expected.** The five-point difference form of the seam equation is second "
             "order in the element width d: halving d should divide the error by about 4, an "
             "observed order log₂(e(d)/e(d/2)) of 2 or more (the stress of the first coal element, next to the step in the load, converges faster than that). The convergence criterion (10⁻¹⁰ m) "
             "and the five significant digits of the result files lie well below the errors "
             "measured.\n\n"
             "| Element width | Centre closure | Error | Peak abutment stress | Error |\n"
             "|---|---|---|---|---|\n";
  for (const PanelResult& q : results)
    gManual << "| " << Num(q.d) << " m | " << Num(q.centre, 6) << " m | "
            << Num(q.centre - q.centreCf, 3) << " m | " << Num(q.peak, 6) << " MPa | "
            << Num(q.peak - q.peakCf, 3) << " MPa |\n";
  gManual << "\n";
  const auto order = [](double e1, double e2) { return std::log2(std::fabs(e1 / e2)); };
  std::vector<Check> checks;
  for (std::size_t k = 0; k + 1 < results.size(); ++k) {
    const PanelResult& a = results[k];
    const PanelResult& b = results[k + 1];
    const std::string span = Num(a.d) + " m to " + Num(b.d) + " m";
    checks.push_back({"order, centre closure, " + span, 2.0,
                      order(a.centre - a.centreCf, b.centre - b.centreCf), 0.3, true, "", true});
    checks.push_back({"order, peak abutment stress, " + span, 2.0,
                      order(a.peak - a.peakCf, b.peak - b.peakCf), 0.3, true, "", true});
  }
  checks.push_back({"closure at the panel centre, 0.5 m elements", results[2].centreCf,
                    results[2].centre, 0.001, false, "m"});
  checks.push_back({"peak abutment stress, 0.5 m elements", results[2].peakCf, results[2].peak,
                    0.005, false, "MPa"});
  WriteChecks(checks);
  std::vector<Panel> panels(1);
  panels[0] = {"Total Vertical Stress", "MPa", {}, {Reference("closed form", x, s)}};
  for (const PanelResult& q : results)
    panels[0].curves.push_back(
        Row(q.run, 1, "totalverticalstress", 5, "Kavrel, " + Num(q.d) + " m elements"));
  for (auto& c : panels[0].curves) {  // the abutment only: x from 24 to 50 m
    kavrel::plot::ProfileCurve cut;
    cut.label = c.label;
    for (std::size_t k = 0; k < c.position.size(); ++k)
      if (c.position[k] >= 24 && c.position[k] <= 50) {
        cut.position.push_back(c.position[k]);
        cut.value.push_back(c.value[k]);
      }
    c = cut;
  }
  auto& ref = panels[0].references[0];
  kavrel::plot::ReferenceCurve cut = ref;
  cut.position.clear();
  cut.value.clear();
  for (std::size_t k = 0; k < ref.position.size(); ++k)
    if (ref.position[k] >= 24 && ref.position[k] <= 50) {
      cut.position.push_back(ref.position[k]);
      cut.value.push_back(ref.value[k]);
    }
  ref = cut;
  Figure("long_panel_mesh", "Long panel: the abutment at three element widths", "X (m)", panels,
         "The abutment stress next to the rib (x = 30 m) at element widths 2, 1 and 0.5 m, "
         "approaching the closed form.");
}

// The panel of cases 5 to 7: `half` m each way around the centre of the grid.
bool InPanel(const Model& m, int i, int j, double half) {
  const double cx = m.nx * m.width / 2, cy = m.ny * m.width / 2;
  const double x = (i - 0.5) * m.width, y = (j - 0.5) * m.width;
  return std::fabs(x - cx) < half && std::fabs(y - cy) < half;
}

// Largest |Kavrel - independent| of column `key` of seam `target` against the
// largest |independent|, the independent values being `kernel` integrated over
// `source`'s closure; fills the centre-row curves for the figure.
struct KernelComparison {
  double worst = 0, peak = 0, centreKavrel = 0, centreIndependent = 0;
  std::vector<double> x, independent;
};

template <class Kernel>
KernelComparison CompareKernel(const Run& run, const std::string& key, int target,
                               const Grid& source, double sign, Kernel kernel) {
  KernelComparison c;
  const ResultFile& f = run.seams[static_cast<std::size_t>(target - 1)];
  const int nx = f.layout.nx, ny = f.layout.ny;
  for (int i = 1; i <= nx; ++i)
    for (int j = 1; j <= ny; ++j) {
      const double x = f.layout.CentreX(i), y = f.layout.CentreY(j);
      const double expected = sign * Integrate(source, x, y, kernel);
      const double actual = run.at(target, key, i, j);
      c.worst = std::max(c.worst, std::fabs(actual - expected));
      c.peak = std::max(c.peak, std::fabs(expected));
      if (j == ny / 2) {
        c.x.push_back(x);
        c.independent.push_back(expected);
      }
      if (i == nx / 2 && j == ny / 2) {
        c.centreKavrel = actual;
        c.centreIndependent = expected;
      }
    }
  return c;
}

void SurfaceEffect() {
  gManual << "## 5. The surface effect of a shallow panel against a deep one\n\n"
             "**Problem.** The seam of case 1 with a 40 m × 40 m room in the middle of "
             "60 × 60 elements of 2 m (fixed edges), with surface effects on, once 40 m deep "
             "(σ₀ = 1 MPa) and once 400 m deep (σ₀ = 10 MPa).\n\n"
             "**Independent answer.** The ground surface is free of stress; the program "
             "represents it by the mirror image of each seam above the surface, a seam at "
             "height −Z whose closure is reversed. On the seam, at distance 2|Z| from its "
             "image, a closure u over an area induces the stress of the overburden's influence "
             "function, u E / (8πλ (2Z)²) (ρ − 1) e^(−ρ) per unit area with "
             "ρ = r² / (4λ · 2|Z|). Here that function is integrated exactly over each element's "
             "square (error functions), using Kavrel's own convergences as the source, and "
             "compared with Kavrel's Surface Effect Stress everywhere on the seam (the program "
             "sums it at element centres, so the two differ by the quadrature error, small "
             "while the element width is below √(8λ|Z|)). What the comparison shows: at 40 m "
             "depth the image takes a sizeable share of the load off the room's surroundings "
             "and adds closure, at 400 m it is negligible.\n\n";
  std::vector<Check> checks;
  std::vector<Panel> panels;
  for (double depth : {40.0, 400.0}) {
    Model m;
    m.name = "surface_" + std::to_string(static_cast<int>(depth)) + "m";
    m.title = "Verification: surface effect, room at " + Num(depth) + " m";
    m.nx = m.ny = 60;
    m.seams[0].z = -depth;
    m.flags[0] = 1;
    m.code = [&m](int, int, int i, int j) { return InPanel(m, i, j, 20) ? '1' : 'A'; };
    const Run run = RunModel(m);
    const Grid source = Closure(run, 1);
    const double h = 2 * depth;
    const KernelComparison c = CompareKernel(
        run, "surfaceeffectstress", 1, source, -1e-6,
        [h](double u, double x0, double x1, double y0, double y1) {
          return StressOfSquare(u, x0, x1, y0, y1, h);
        });
    const double sigma0 = depth * kGradient * 1e-6;
    gManual << "At " << Num(depth) << " m the surface effect stress at the room's centre is "
            << Num(c.centreKavrel, 4) << " MPa, " << Num(100 * c.centreKavrel / sigma0, 3)
            << " % of the virgin stress; its largest magnitude on the seam is " << Num(c.peak, 4)
            << " MPa.\n\n";
    checks.push_back({"surface effect stress at the centre, " + Num(depth) + " m deep",
                      c.centreIndependent, c.centreKavrel, 0.02, false, "MPa"});
    checks.push_back({"largest difference on the seam / largest value, " + Num(depth) + " m",
                      0, c.worst / c.peak, 0.02, true, ""});
    panels.push_back({"Surface Effect Stress, " + Num(depth) + " m deep", "MPa",
                      {Row(run, 1, "surfaceeffectstress", m.ny / 2, "Kavrel")},
                      {Reference("influence function, integrated", c.x, c.independent)}});
  }
  WriteChecks(checks);
  Figure("surface_effect", "Surface effect stress along the room's centre line", "X (m)", panels,
         "Surface effect stress along the centre row of the room at 40 m and 400 m depth.");
}

void TwoSeams() {
  Model m;
  m.name = "two_seams";
  m.title = "Verification: a room in the upper seam over solid coal in the lower";
  m.nx = m.ny = 60;
  m.seams = {Seam{0, 0, -380, kSeamH}, Seam{0, 0, -400, kSeamH}};
  m.code = [&m](int, int s, int i, int j) { return s == 1 && InPanel(m, i, j, 20) ? '1' : 'A'; };
  const Run run = RunModel(m);
  const Grid upper = Closure(run, 1), lower = Closure(run, 2);
  const auto kernel = [](double u, double x0, double x1, double y0, double y1) {
    return StressOfSquare(u, x0, x1, y0, y1, 20);
  };
  const KernelComparison onLower = CompareKernel(run, "multipleseamstress", 2, upper, 1e-6, kernel);
  const KernelComparison onUpper = CompareKernel(run, "multipleseamstress", 1, lower, 1e-6, kernel);
  gManual << "## 6. The interaction of two seams\n\n"
             "**Problem.** Two seams of the coal of case 1, 20 m apart (380 m and 400 m deep), "
             "60 × 60 elements of 2 m, fixed edges. A 40 m × 40 m room is mined in the middle of "
             "the upper seam; the lower seam is solid.\n\n"
             "**Independent answer.** The stress one seam's closure induces on the other is the "
             "overburden's influence function at distance h = 20 m, "
             "u E / (8πλh²) (ρ − 1) e^(−ρ) per unit area with ρ = r² / (4λh), integrated here "
             "exactly over every element's square of the source seam's convergences (as Kavrel "
             "computed them), and compared with Kavrel's Multiple Seam Stress on each seam. "
             "Under the room the lower seam is relieved (the closure above hangs the overburden "
             "on the room's ribs); under the ribs it is loaded.\n\n";
  WriteChecks({{"stress on the lower seam under the room's centre", onLower.centreIndependent,
                onLower.centreKavrel, 0.02, false, "MPa"},
               {"largest difference / largest value, lower seam", 0,
                onLower.worst / onLower.peak, 0.02, true, ""},
               {"largest difference / largest value, upper seam", 0,
                onUpper.worst / onUpper.peak, 0.02, true, ""}});
  Figure("two_seams", "Stress induced on the lower seam, centre row", "X (m)",
         {{"Multiple Seam Stress", "MPa",
           {Row(run, 2, "multipleseamstress", m.ny / 2, "Kavrel, lower seam")},
           {Reference("influence function, integrated", onLower.x, onLower.independent)}}},
         "Stress induced on the lower seam by the room above it, along the centre row.");
}

void Trough() {
  gManual << "## 7. The remote-displacement trough of a panel\n\n"
             "**Problem.** A 40 m × 40 m room in the middle of the upper of two seams of the "
             "coal of case 1 (60 × 60 elements of 4 m, fixed edges), with remote displacements "
             "on, and the lower seam 20 m and then 60 m below. Each model is also run without "
             "the room; the differences of the two runs are the room's own closure Δu and its "
             "own trough w on the lower seam.\n\n"
             "**Closed form.** The overburden carries a closure u over an area to a plane dz "
             "away as the displacement u / (8πλ dz) exp(−r² / (4λ dz)) per unit area. That "
             "Gaussian integrates to ½ over the plane, and it adds 2λ dz to the variance of "
             "what it spreads, so\n\n"
             "- the trough's volume is half the closure volume, ½ ΣΔu w², at every distance;\n"
             "- its width grows with the distance: the trough's variance along X is the "
             "closure's plus 2λ dz.\n\n"
             "(Half of the closure appears as sag of the ground above and half as heave of the "
             "ground below.) Both sums run over the whole grid, which holds the trough.\n\n";
  std::vector<Check> checks;
  std::vector<Panel> panels;
  for (double dz : {20.0, 60.0}) {
    Run runs[2];
    for (int mined = 0; mined <= 1; ++mined) {
      Model m;
      m.name = "trough_" + std::to_string(static_cast<int>(dz)) + (mined ? "m" : "m_solid");
      m.title = "Verification: trough " + Num(dz) + " m below a room" + (mined ? "" : " (solid)");
      m.width = 4;
      m.nx = m.ny = 60;
      m.seams = {Seam{0, 0, -400 + dz, kSeamH}, Seam{0, 0, -400, kSeamH}};
      m.flags[4] = 1;
      m.code = [&m, mined](int, int s, int i, int j) {
        return mined && s == 1 && InPanel(m, i, j, 20) ? '1' : 'A';
      };
      runs[mined] = RunModel(m);
    }
    const int n = 60;
    const double w = 4;
    double closure = 0, cx = 0, cxx = 0, trough = 0, tx = 0, txx = 0;
    std::vector<double> x, diff, independent;
    Grid source{n, n, w, 0, 0, {}};
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) {
        const double xi = (i - 0.5) * w;
        const double du = runs[1].at(1, "convergence", i, j) - runs[0].at(1, "convergence", i, j);
        const double dw = runs[1].at(2, "remotedisplacement", i, j) -
                          runs[0].at(2, "remotedisplacement", i, j);
        source.u.push_back(du);
        closure += du * w * w;
        cx += du * xi;
        cxx += du * xi * xi;
        trough += dw * w * w;
        tx += dw * xi;
        txx += dw * xi * xi;
        if (j == n / 2) {
          x.push_back(xi);
          diff.push_back(dw);
        }
      }
    for (double xi : x)
      independent.push_back(Integrate(source, xi, (n / 2 - 0.5) * w,
                                      [dz](double u, double x0, double x1, double y0, double y1) {
                                        return DisplacementOfSquare(u, x0, x1, y0, y1, dz);
                                      }));
    const double sumU = closure / (w * w), sumW = trough / (w * w);
    const double varU = cxx / sumU - (cx / sumU) * (cx / sumU);
    const double varW = txx / sumW - (tx / sumW) * (tx / sumW);
    checks.push_back({"trough volume, " + Num(dz) + " m below", 0.5 * closure, trough, 0.01, false,
                      "m³"});
    checks.push_back({"trough width (standard deviation along X), " + Num(dz) + " m below",
                      std::sqrt(varU + 2 * Lambda() * dz), std::sqrt(varW), 0.02, false, "m"});
    panels.push_back({"Remote Displacement, " + Num(dz) + " m below", "m",
                      {{"Kavrel (room minus solid)", x, diff}},
                      {Reference("closure, spread by the influence function", x, independent)}});
  }
  WriteChecks(checks);
  Figure("trough", "The room's trough on the lower seam, centre row", "X (m)", panels,
         "The room's trough 20 m and 60 m below it: wider and shallower with the distance, "
         "the same volume.");
}

// The stress-strain laws of the input format, written out again.
double LawStress(const std::vector<double>& p, int type, double e) {
  switch (type) {
    case 1: return p[0] * e;
    case 2:
      if (e < p[1]) return p[0] / p[1] * e;
      if (e < p[3]) return (e - p[1]) / (p[3] - p[1]) * (p[2] - p[0]) + p[0];
      return p[2];
    case 3: return e < p[1] ? p[0] / p[1] * e : (e - p[1]) * p[2] + p[0];
    case 4: {
      const double f = e / p[3];
      return f < p[1] ? p[0] / p[1] * f : (f - p[1]) * p[2] + p[0];
    }
    case 5: {
      const double b = (p[1] - p[0]) / p[2];
      return (std::exp(b * e / p[3]) - 1) * p[0] / b;
    }
    default: return e / p[2] * p[0];
  }
}

// The stiffness an element unloads with: the elastic branch for coal, the
// hardening (type 4) or final (type 5) modulus for gob.
double UnloadingModulus(const std::vector<double>& p, int type) {
  switch (type) {
    case 1: return p[0];
    case 2:
    case 3: return p[0] / p[1];
    case 4: return p[2] / p[3];
    case 5: return p[1] / p[3];
    default: return p[0] / p[2];
  }
}

void Energy() {
  struct Material {
    int type;
    std::vector<double> p;
    const char* name;
  };
  const Material materials[] = {
      {1, {2e9, 0, 0, 0, 0}, "linear elastic coal"},
      {2, {20e6, 0.008, 5e6, 0.02, 0.3}, "strain-softening coal"},
      {3, {18e6, 0.008, 1e8, 0.3, 0}, "elastic-plastic coal"},
      {4, {1e6, 0.05, 3e8, 1.0, 0.25}, "bilinear hardening gob"},
      {5, {1e6, 4e8, 20e6, 1.0, 0.25}, "strain-hardening gob"},
      {6, {2e7, 8e6, 1.0, 0, 0}, "linear elastic gob"}};
  Model m;
  m.name = "energy";
  m.title = "Verification: energy of every material type";
  m.materials.clear();
  for (const Material& mat : materials) {
    std::ostringstream line;
    line << mat.type;
    for (double v : mat.p) line << "," << v;
    m.materials.push_back(line.str());
  }
  m.nx = 60;
  m.ny = 10;
  m.bc[0] = m.bc[2] = m.bc[3] = 1;
  m.flags[5] = 1;
  // Across a long panel (symmetry at X = 0): three gobs in the panel, then
  // strain-softening and elastic-plastic ribs, then elastic coal.
  const char columns[] = "DDDDDDEEEEEEFFFFFFBBBCCCAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
  m.code = [&columns](int, int, int i, int) { return columns[i - 1]; };
  m.seams[0].h = 3;
  const Run run = RunModel(m);
  std::vector<Check> checks;
  gManual << "## 8. The energy balance of each material type\n\n"
             "**Problem.** A seam 3 m thick at 400 m depth across a long panel 36 m wide "
             "(symmetry at its centre line): the panel is filled with bilinear hardening, "
             "strain-hardening and linear elastic gob (12 m of each from the centre), its rib "
             "is 6 m of strain-softening then 6 m of elastic-plastic coal, and linear elastic "
             "coal follows; 60 × 10 elements of 2 m. The ribs yield.\n\n"
             "**Independent answer.** The energy an element has taken in is the work of its "
             "stress over its closure, V ∫₀^ε σ dε (V = h w², ε = u/h), computed here by "
             "Simpson's rule with 20 000 intervals from the stress-strain law written out again "
             "(docs/input-format.md). What it stores is what it gives back on unloading along "
             "its unloading modulus (the elastic branch for coal, the hardening or final modulus "
             "for gob), σ² V / (2 E_u); the rest is dissipated. For each type the table gives "
             "the largest difference over its elements, against the largest total input "
             "energy of that type; the balance total = stored + dissipated is checked as "
             "written to the result file.\n\n";
  const double w = m.width, h = m.seams[0].h, volume = h * w * w;
  std::vector<double> xs, totals;
  for (std::size_t k = 0; k < std::size(materials); ++k) {
    const Material& mat = materials[k];
    const char code = static_cast<char>('A' + k);
    double worstT = 0, worstS = 0, worstBalance = 0, largest = 0;
    double eMax = 0;
    for (int i = 1; i <= m.nx; ++i) {
      if (columns[i - 1] != code) continue;
      const int j = 5;
      const double e = run.at(1, "convergence", i, j) / h;
      eMax = std::max(eMax, e);
      const int n = 20000;
      double integral = 0;
      for (int q = 0; q <= n; ++q) {
        const double weight = (q == 0 || q == n) ? 1 : (q % 2 ? 4 : 2);
        integral += weight * LawStress(mat.p, mat.type, e * q / n);
      }
      integral *= e / n / 3;
      const double total = integral * volume * 1e-6;  // MJ
      const double sigma = LawStress(mat.p, mat.type, e);
      const double stored = sigma * sigma / (2 * UnloadingModulus(mat.p, mat.type)) * volume * 1e-6;
      const double kT = run.at(1, "totalinputenergy", i, j);
      const double kS = run.at(1, "storedelasticenergy", i, j);
      const double kD = run.at(1, "dissipatedenergy", i, j);
      worstT = std::max(worstT, std::fabs(kT - total));
      worstS = std::max(worstS, std::fabs(kS - stored));
      worstBalance = std::max(worstBalance, std::fabs(kT - kS - kD));
      largest = std::max(largest, std::fabs(total));
    }
    for (int i = 1; i <= m.nx; ++i)
      if (columns[i - 1] == code) {
        const double e = run.at(1, "convergence", i, 5) / h;
        const int n = 20000;
        double integral = 0;
        for (int q = 0; q <= n; ++q)
          integral += ((q == 0 || q == n) ? 1 : (q % 2 ? 4 : 2)) * LawStress(mat.p, mat.type, e * q / n);
        xs.push_back((i - 0.5) * w);
        totals.push_back(integral * e / n / 3 * volume * 1e-6);
      }
    gManual << "- " << mat.name << " (`" << code << "`): strains up to " << Num(100 * eMax, 3)
            << " %.\n";
    const std::string what = std::string(" (") + mat.name + ")";
    checks.push_back({"total input energy" + what, 0, worstT / largest, 2e-3, true, ""});
    checks.push_back({"stored energy" + what, 0, worstS / largest, 2e-3, true, ""});
    checks.push_back({"total − stored − dissipated" + what, 0, worstBalance / largest, 2e-4, true,
                      ""});
  }
  gManual << "\nIn the table the closed-form column is 0 and Kavrel's column the largest "
             "difference as a share of the largest total input energy of the type.\n\n";
  WriteChecks(checks);
  {  // the reference in the order of X, as the figure draws it
    std::vector<std::pair<double, double>> points;
    for (std::size_t k = 0; k < xs.size(); ++k) points.emplace_back(xs[k], totals[k]);
    std::sort(points.begin(), points.end());
    for (std::size_t k = 0; k < points.size(); ++k) {
      xs[k] = points[k].first;
      totals[k] = points[k].second;
    }
  }
  Figure("energy", "Energies across the panel and its ribs, row j = 5", "X (m)",
         {{"Total Input Energy", "MJoules", {Row(run, 1, "totalinputenergy", 5, "Kavrel")},
           {Reference("work of the stress-strain law", xs, totals)}},
          {"Dissipated Energy", "MJoules", {Row(run, 1, "dissipatedenergy", 5, "Kavrel")}, {}}},
         "Total input energy and dissipated energy across the panel: gob (x < 36 m), yielding "
         "ribs, elastic coal.");
}

// One row of a step's LMS table in the log, in the model's internal units.
struct LmsRow {
  double initialStress = kNaN, finalStress = kNaN, initialConvergence = kNaN,
         finalConvergence = kNaN, mineStiffness = kNaN, pillarStiffness = kNaN;
};

// Row `pillar` (from 1) of the last LMS table in the log at `path`; exits
// with status 2 when the log holds none.
LmsRow ReadLmsRow(const fs::path& path, int pillar) {
  std::ifstream in(path);
  std::string line;
  std::vector<std::string> rows;
  bool inTable = false;
  while (std::getline(in, line)) {
    if (line.find("LOCAL MINE STIFFNESS CALCULATION FOR STEP") != std::string::npos) {
      rows.clear();
      inTable = true;
      continue;
    }
    if (!inTable) continue;
    std::istringstream fields(line);
    int number = 0;
    if (fields >> number) rows.push_back(line);
    else if (line.find("PILLAR") == std::string::npos && line.find("NO.") == std::string::npos)
      inTable = false;
  }
  LmsRow r;
  if (pillar < 1 || static_cast<std::size_t>(pillar) > rows.size()) {
    std::cerr << "verify: " << path << " holds no LMS table row " << pillar << "\n";
    std::exit(2);
  }
  std::istringstream fields(rows[static_cast<std::size_t>(pillar - 1)]);
  int number = 0, x = 0, y = 0;
  fields >> number >> x >> y >> r.initialStress >> r.finalStress >> r.initialConvergence >>
      r.finalConvergence >> r.mineStiffness >> r.pillarStiffness;
  if (!fields) {
    std::cerr << "verify: " << path << ": unreadable LMS table row " << pillar << "\n";
    std::exit(2);
  }
  return r;
}

// A long pillar between two long panels, across them (endless along Y):
// pillar 0 <= x <= b (a symmetry edge at x = 0 through its centre line),
// panel b <= x <= c, solid coal c <= x <= L (a symmetry edge at L). The
// 1-D seam equation u'' = 2 (sigma(u) - sigma_0) / (lambda E) with
// sigma = E_c u / h in the coal and 0 in the panel, u and u' continuous,
// once with the pillar standing and once with it mined out.
struct LongPillar {
  double b = 10, c = 30, L = 160;
  double sigma0 = 400 * kGradient;
  double k() const { return std::sqrt(2 * kCoalE / (Lambda() * kRockE * kSeamH)); }
  double u0() const { return sigma0 * kSeamH / kCoalE; }
  double g() const { return 2 * sigma0 / (Lambda() * kRockE); }
  double t1() const { return std::tanh(k() * b); }
  double t2() const { return std::tanh(k() * (L - c)); }
  // Pillar standing: u - u0 at the pillar's edge (alpha) and at the rib of
  // the solid coal (delta), from the two slope and one closure condition.
  double Alpha() const {
    const double w = c - b;
    return g() * w * (1 / (k() * t2()) + w / 2) / (1 + k() * t1() * w + t1() / t2());
  }
  double Delta() const { return (g() * (c - b) - k() * t1() * Alpha()) / (k() * t2()); }
  double Standing(double x) const {
    const double a = Alpha();
    if (x <= b) return u0() + a * std::cosh(k() * x) / std::cosh(k() * b);
    if (x <= c) {
      const double slope = k() * t1() * a;  // u'(b)
      return u0() + a + slope * (x - b) - g() * (x - b) * (x - b) / 2;
    }
    return u0() + Delta() * std::cosh(k() * (L - x)) / std::cosh(k() * (L - c));
  }
  // Pillar mined out: the panel reaches from 0 to c.
  double DeltaOut() const { return g() * c / (k() * t2()); }
  double Removed(double x) const {
    if (x <= c) return u0() + DeltaOut() + g() * (c * c - x * x) / 2;
    return u0() + DeltaOut() * std::cosh(k() * (L - x)) / std::cosh(k() * (L - c));
  }
  // Means over the pillar, exact integrals over 0..b.
  double MeanStanding() const { return u0() + Alpha() * t1() / (k() * b); }
  double MeanRemoved() const { return u0() + DeltaOut() + g() * c * c / 2 - g() * b * b / 6; }
  double MeanStress() const { return kCoalE * MeanStanding() / kSeamH; }
  double MineStiffness() const { return -MeanStress() / (MeanRemoved() - MeanStanding()); }
};

void LocalMineStiffness() {
  const LongPillar p;
  const double d = 2;
  const int nx = static_cast<int>(std::lround(p.L / d)), ny = 10;
  const int pillarEnd = static_cast<int>(std::lround(p.b / d));
  const int panelEnd = static_cast<int>(std::lround(p.c / d));
  const auto layout = [=](bool pillar) {
    return [=](int i) { return i <= pillarEnd ? (pillar ? 'A' : '1') : i <= panelEnd ? '1' : 'A'; };
  };
  const auto base = [&](const std::string& name, const std::string& title) {
    Model m;
    m.name = name;
    m.title = title;
    m.width = d;
    m.nx = nx;
    m.ny = ny;
    m.bc[0] = m.bc[1] = m.bc[2] = m.bc[3] = 1;
    m.omega = 1.75;
    m.criterion = 1e-10;
    return m;
  };
  // The LMS run: one LMS pillar, named by its element (1, 5).
  Model lms = base("lms", "Verification: local mine stiffness of a long elastic pillar");
  lms.flags[8] = 1;
  lms.lmsPillars = 1;
  lms.extraLines = {"1,1,5"};
  lms.code = [standing = layout(true)](int, int, int i, int) { return standing(i); };
  // The same mine as two ordinary steps: the pillar standing, then mined out.
  Model plain = base("lms_by_steps", "Verification: the long pillar standing, then mined out");
  plain.steps = 2;
  plain.code = [standing = layout(true), removed = layout(false)](int t, int, int i, int) {
    return t == 1 ? standing(i) : removed(i);
  };
  const Run lmsRun = RunModel(lms);
  const Run steps = RunModel(plain);
  const LmsRow row = ReadLmsRow(lmsRun.log, 1);

  // Pillar means of a result block: run 0 and run 1 of the LMS model, step 1
  // and step 2 of the ordinary one.
  const auto mean = [&](const Run& run, const std::string& key, int block) {
    double sum = 0;
    for (int i = 1; i <= pillarEnd; ++i)
      for (int j = 1; j <= ny; ++j) sum += run.at(1, key, i, j, block);
    return sum / (pillarEnd * ny);
  };
  const double uStanding = mean(steps, "convergence", 0), uRemoved = mean(steps, "convergence", 1);
  const double sStanding = mean(steps, "totalverticalstress", 0) * 1e6;
  const double sRemoved = mean(steps, "totalverticalstress", 1) * 1e6;
  const double fromSteps = (sRemoved - sStanding) / (uRemoved - uStanding);
  const double fromLmsBlocks =
      (mean(lmsRun, "totalverticalstress", 1) - mean(lmsRun, "totalverticalstress", 0)) * 1e6 /
      (mean(lmsRun, "convergence", 1) - mean(lmsRun, "convergence", 0));

  gManual
      << "## 9. The local mine stiffness of a pillar in elastic ground\n\n"
         "**Problem.** The seam of case 1 with a long pillar 20 m wide between two panels "
         "40 m wide, endless along Y (symmetry edges north and south), mined out completely. "
         "The model holds half of it: the pillar from x = 0 (a symmetry edge through its centre "
         "line) to x = b = 10 m, the panel to x = c = 30 m, then solid coal to x = L = 160 m "
         "(a symmetry edge). Element width 2 m. The pillar is the model's one LMS pillar "
         "(named by its element (1, 5)): the program solves the step as it stands, solves it "
         "again with the pillar mined out, and reports the change of the pillar's mean stress "
         "over the change of its mean convergence as the mine stiffness, beside the pillar's "
         "own stiffness, in the LMS table of the log (stress per unit convergence per unit "
         "area, Pa/m, in the internal units of the model). Removing the pillar drops its "
         "stress and raises its convergence, so the mine stiffness is negative; the pillar "
         "is stable while its own post-peak slope is less steep than the mine's.\n\n"
         "**Independent answers.** (1) The definition, computed without the LMS machinery: "
         "the same mine is run as two ordinary steps, the pillar standing and then mined out, "
         "and the means of its elements' stress and convergence are read from the result "
         "file of each step; the LMS run's own result blocks (run 0 and run 1) must give the "
         "same. Both solve the same equations, so they agree to the convergence criterion "
         "(10⁻¹⁰ m) and the five significant digits of the result files: tolerance 0.1 %. "
         "(2) The closed form of the 1-D seam equation of case 3 across the pillar and the "
         "panel, with k, u₀ and g as there. Pillar standing: u = u₀ + α cosh(kx)/cosh(kb) in "
         "the pillar, a parabola of curvature −g in the panel, "
         "u = u₀ + δ cosh(k(L − x))/cosh(k(L − c)) in the coal; continuity of u and u′ at b "
         "and c gives, with w = c − b, t₁ = tanh(kb), t₂ = tanh(k(L − c)),\n\n"
         "  α = g w (1/(k t₂) + w/2) / (1 + k t₁ w + t₁/t₂),\n\n"
         "and the pillar's mean convergence ū₁ = u₀ + α t₁/(kb), its mean stress "
         "σ̄₁ = E_c ū₁ / h. Pillar mined out: the panel reaches from 0 to c, "
         "u = u₀ + δ′ + g (c² − x²)/2 with δ′ = g c / (k t₂), and the pillar's area closes "
         "on average to ū₂ = u₀ + δ′ + g c²/2 − g b²/6. The mine stiffness is "
         "(0 − σ̄₁)/(ū₂ − ū₁) = "
      << Num(p.MineStiffness() * 1e-6, 4)
      << " MPa/m: the ground around the pillar gives "
      << Num((p.MeanRemoved() - p.MeanStanding()) * 1000, 3) << " mm of closure for the "
      << Num(p.MeanStress() * 1e-6, 4)
      << " MPa the pillar carried. The means are exact integrals over the pillar; "
         "Kavrel's are over its five elements. The closure of the opened panel dominates "
         "the difference ū₂ − ū₁, and case 3 shows the closure of a panel of about this "
         "width within 1 % at 2 m elements (0.7 % there), second order in the element "
         "width (case 4); the mean stress and closure of the pillar, integrals over 10 m, "
         "are no less accurate. The tolerance on these quantities is 2 %: twice that "
         "discretisation error. (3) The pillar's own stiffness: for linear elastic coal it "
         "is the slope of σ = E_c u / h, E_c / h = "
      << Num(kCoalE / kSeamH * 1e-6, 4)
      << " MPa/m, exactly (the table prints whole pascals per metre).\n\n"
         "The LMS table of the log reads: initial stress "
      << Num(row.initialStress, 8) << " Pa, final stress " << Num(row.finalStress, 8)
      << " Pa, initial convergence " << Num(row.initialConvergence, 4)
      << " m, final convergence " << Num(row.finalConvergence, 4) << " m, mine stiffness "
      << Num(row.mineStiffness, 10) << " Pa/m, pillar stiffness " << Num(row.pillarStiffness, 10)
      << " Pa/m.\n\n";
  WriteChecks({{"mine stiffness (LMS table) against the two ordinary steps", fromSteps * 1e-6,
                row.mineStiffness * 1e-6, 1e-3, false, "MPa/m"},
               {"mine stiffness from the LMS run's result blocks against the LMS table",
                row.mineStiffness * 1e-6, fromLmsBlocks * 1e-6, 1e-3, false, "MPa/m"},
               {"pillar's mean stress removed (LMS table, final stress)", 0,
                row.finalStress * 1e-6, 1e-9, true, "MPa"},
               {"pillar's mean stress standing (LMS table)", p.MeanStress() * 1e-6,
                row.initialStress * 1e-6, 0.02, false, "MPa"},
               {"pillar's mean closure standing (result file, run 0)", p.MeanStanding(),
                mean(lmsRun, "convergence", 0), 0.02, false, "m"},
               {"pillar's mean closure mined out (result file, run 1)", p.MeanRemoved(),
                mean(lmsRun, "convergence", 1), 0.02, false, "m"},
               {"mine stiffness (LMS table) against the closed form", p.MineStiffness() * 1e-6,
                row.mineStiffness * 1e-6, 0.02, false, "MPa/m"},
               {"pillar stiffness (LMS table) against E_c / h", kCoalE / kSeamH * 1e-6,
                row.pillarStiffness * 1e-6, 1e-9, false, "MPa/m"}});
  // The figure shows x up to 60 m: beyond, both states are the virgin closure.
  const double shown = 60;
  std::vector<double> x, standing, removed;
  for (double xi = 0; xi <= shown + 1e-9; xi += 0.25) {
    x.push_back(xi);
    standing.push_back(p.Standing(xi));
    removed.push_back(p.Removed(xi));
  }
  const auto nearPillar = [shown](kavrel::plot::ProfileCurve c) {
    kavrel::plot::ProfileCurve cut;
    cut.label = c.label;
    for (std::size_t k = 0; k < c.position.size(); ++k)
      if (c.position[k] <= shown) {
        cut.position.push_back(c.position[k]);
        cut.value.push_back(c.value[k]);
      }
    return cut;
  };
  Figure("local_mine_stiffness", "Long pillar, standing (LMS run 0) and mined out (LMS run 1)",
         "X (m)",
         {{"Seam Convergence", "m",
           {nearPillar(Row(lmsRun, 1, "convergence", 5, "Kavrel, pillar standing", 1, 0)),
            nearPillar(Row(lmsRun, 1, "convergence", 5, "Kavrel, pillar mined out", 1, 1))},
           {Reference("closed form, standing", x, standing),
            Reference("closed form, mined out", x, removed)}}},
         "Convergence across the pillar (x < 10 m), the panel and the first 30 m of the solid "
         "coal, with the pillar standing and with it mined out, from the two result blocks of the LMS run, "
         "against the closed form.");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: kavrel_verify KAVREL_BINARY WORK_DIR DOCS_DIR\n";
    return 64;
  }
  gKavrel = fs::absolute(argv[1]).string();
  gWork = fs::absolute(argv[2]);
  gDocs = fs::absolute(argv[3]);
  fs::remove_all(gWork);
  fs::create_directories(gWork);
  fs::create_directories(gDocs / "verification");
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  gManual << "# Verification manual\n\n"
             "Each section below is a model with a known answer: a closed form, or an "
             "independent integration of the same physics. `make verify` writes the models, "
             "runs `kavrel run` on each, compares the results with the known answers and "
             "writes this page and its figures (`verify/kavrel_verify.cpp`); it fails when any "
             "quantity leaves its tolerance, and CI runs it. Do not edit this page by hand.\n\n"
             "Every model is in unit system 3 (metres and pascals; results in metres and MPa) "
             "and shares one rock mass and one coal: rock modulus E = 10 GPa, Poisson's ratio "
             "ν = 0.25, lamination thickness t = 10 m, vertical stress gradient 25 kPa/m; "
             "linear elastic coal of modulus E_c = 2 GPa in a seam 2 m thick, unless a case "
             "says otherwise. In the figures Kavrel's element values are the solid curves with "
             "dots, the closed form the dashed line.\n\n";
  UniformSeam();
  Tributary();
  LongPanelCases();
  SurfaceEffect();
  TwoSeams();
  Trough();
  Energy();
  LocalMineStiffness();
  gManual << "## Summary\n\n" << gChecks - gFailures << " of " << gChecks
          << " quantities lie within their tolerances.\n";
  std::ofstream(gDocs / "verification.md") << gManual.str();
  std::cerr << "verify: " << gChecks - gFailures << " of " << gChecks << " within tolerance\n";
  return gFailures > 0 ? 1 : 0;
}
