// The benchmark models: refinement of a model file's text and the three-seam
// district. The line layout followed here is the one of docs/input-format.md
// (which lines are present depends on the pre-processor level and the option
// flags of the control line); fields are read as the program reads them, a
// number from the start of the field and 0 when there is none.
#include "model_generator.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace kavrel::bench_models {

namespace {

constexpr int kMaxAxis = 10000;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    std::string::size_type end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  for (;;) {
    const std::string::size_type comma = line.find(',', start);
    if (comma == std::string::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, comma - start));
    start = comma + 1;
  }
}

std::string JoinFields(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (k > 0) line += ',';
    line += fields[k];
  }
  return line;
}

const char* SkipBlanks(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

// Field k (from 0) as an integer: optional sign and digits after blanks,
// 0 when there are none, held within the range of an int.
int IntField(const std::vector<std::string>& fields, std::size_t k) {
  if (k >= fields.size()) return 0;
  const char* p = SkipBlanks(fields[k].c_str());
  const long value = std::strtol(p, nullptr, 10);
  if (value > 2147483647L) return 2147483647;
  if (value < -2147483647L - 1) return -2147483647 - 1;
  return static_cast<int>(value);
}

double RealField(const std::vector<std::string>& fields, std::size_t k) {
  if (k >= fields.size()) return 0;
  const char* p = SkipBlanks(fields[k].c_str());
  if (*p == '+') ++p;
  double value = 0;
  const std::from_chars_result r = std::from_chars(p, p + std::char_traits<char>::length(p), value);
  return r.ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

// The shortest text that reads back as `value`.
std::string Number(double value) {
  char buffer[32];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

// Fifteen significant digits: a quotient such as 0.00002 / 100 reads as
// 2e-07, not as the last bit of its binary value.
std::string Rounded(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

void SetField(std::vector<std::string>& fields, std::size_t k, const std::string& value) {
  if (fields.size() <= k) fields.resize(k + 1);
  fields[k] = value;
}

[[noreturn]] void Refuse(const std::string& what) { throw std::runtime_error(what); }

}  // namespace

std::string RefineModel(const std::string& text, const RefineOptions& options,
                        ModelShape* shape) {
  const int factor = options.factor;
  if (factor < 1) Refuse("the refinement factor must be 1 or more");
  const std::vector<std::string> lines = SplitLines(text);
  std::vector<std::string> out;
  std::size_t next = 0;
  // Takes the next line of the header, named `what` in a refusal.
  const auto take = [&](const char* what) -> std::vector<std::string> {
    if (next >= lines.size())
      Refuse(std::string("the file ends before the ") + what + " line");
    return SplitFields(lines[next++]);
  };
  const auto keep = [&](const char* what) { out.push_back(JoinFields(take(what))); };

  if (lines.empty()) Refuse("the file is empty");
  out.push_back(lines[next++]);  // the title, as it is (it may hold commas)

  std::vector<std::string> f = take("host rock");
  const int seams = IntField(f, 3);
  const int preprocessorLevel = IntField(f, 5);
  if (seams < 1 || seams > 10) Refuse("the host rock line names no seam count from 1 to 10");
  out.push_back(JoinFields(f));
  if (preprocessorLevel > 0) keep("pre-processor header");

  f = take("material count");
  const int materials = IntField(f, 0), coalSets = IntField(f, 1), auxSets = IntField(f, 2);
  out.push_back(JoinFields(f));
  for (int m = 0; m < materials; ++m) keep("material");
  if (preprocessorLevel > 0)
    for (int k = 0; k < coalSets * (preprocessorLevel > 3 ? 2 : 1); ++k) keep("coal set");
  if (preprocessorLevel > 3)
    for (int k = 0; k < auxSets; ++k) keep("auxiliary");

  f = take("grid");
  const double width = RealField(f, 0);
  const int nx = IntField(f, 1), ny = IntField(f, 2);
  if (nx < 1 || ny < 1) Refuse("the grid line has no element counts");
  if (static_cast<long long>(nx) * factor > kMaxAxis ||
      static_cast<long long>(ny) * factor > kMaxAxis)
    Refuse("the refined grid would exceed 10000 elements along an axis");
  const int rnx = nx * factor, rny = ny * factor;
  SetField(f, 0, Number(width / factor));
  SetField(f, 1, std::to_string(rnx));
  SetField(f, 2, std::to_string(rny));
  out.push_back(JoinFields(f));
  for (int s = 0; s < seams; ++s) keep("seam");

  f = take("control");
  if (options.overRelaxation) SetField(f, 0, Number(*options.overRelaxation));
  if (options.scaleSolverLimits && factor > 1) {
    const double area = static_cast<double>(factor) * factor;
    SetField(f, 1, Rounded(RealField(f, 1) / area));
    const double sweeps = static_cast<double>(IntField(f, 2)) * area;
    SetField(f, 2, std::to_string(sweeps > 2147483647.0 ? 2147483647 : static_cast<int>(sweeps)));
  }
  const int steps = IntField(f, 4);
  const int offSeam = IntField(f, 6), fault = IntField(f, 11), lms = IntField(f, 13);
  out.push_back(JoinFields(f));
  keep("boundary condition");
  if (offSeam >= 1) keep("off-seam grid");  // physical coordinates: unchanged
  if (fault == 1) {
    f = take("fault");
    // Grid lines a < b: the links between a and b are cut; refined, between
    // the last element of block a and the first of block b.
    SetField(f, 1, std::to_string(IntField(f, 1) * factor));
    SetField(f, 2, std::to_string((IntField(f, 2) - 1) * factor + 1));
    SetField(f, 3, std::to_string((IntField(f, 3) - 1) * factor + 1));
    SetField(f, 4, std::to_string(IntField(f, 4) * factor));
    out.push_back(JoinFields(f));
  }
  if (lms == 1) {
    f = take("LMS pillar");
    const int pillars = IntField(f, 0);
    for (int p = 0; p < pillars; ++p)
      for (int axis = 0; axis < 2; ++axis) {
        const std::size_t k = 1 + 2 * static_cast<std::size_t>(p) + axis;
        SetField(f, k, std::to_string((IntField(f, k) - 1) * factor + (factor + 1) / 2));
      }
    out.push_back(JoinFields(f));
  }
  if (steps < 0 || steps > 200) Refuse("the control line's step count is outside 0..200");

  // The code block: steps x seams x ny rows of nx codes, north row first;
  // blanks and line ends between codes are skipped.
  std::string codes;
  codes.reserve(static_cast<std::size_t>(steps) * seams * nx * ny);
  for (std::size_t k = next; k < lines.size(); ++k)
    for (const char c : lines[k])
      if (c != ' ' && c != '\t') codes.push_back(c);
  const std::size_t needed = static_cast<std::size_t>(steps) * seams * nx * ny;
  if (codes.size() < needed)
    Refuse("the code block holds " + std::to_string(codes.size()) + " codes, the model needs " +
           std::to_string(needed));
  if (codes.size() > needed) Refuse("text after the codes of the last step");

  std::string result;
  for (const std::string& line : out) result += line + '\n';
  const std::size_t rowsOut = static_cast<std::size_t>(steps) * seams * rny;
  result.reserve(result.size() + rowsOut * (static_cast<std::size_t>(rnx) + 1));
  // Each row of the old block gives `factor` equal rows, each code `factor`
  // equal codes: north-first row order and west-first column order hold.
  std::string row(static_cast<std::size_t>(rnx), ' ');
  for (std::size_t rowStart = 0; rowStart < needed; rowStart += nx) {
    for (int i = 0; i < nx; ++i)
      row.replace(static_cast<std::size_t>(i) * factor, factor, factor, codes[rowStart + i]);
    for (int r = 0; r < factor; ++r) (result += row) += '\n';
  }
  if (shape) *shape = ModelShape{rnx, rny, seams, steps, width / factor};
  return result;
}

// The district at factor 1, in elements of 2 m, i east and j north from 0:
// - Mains (every seam, step 1): five 6 m entries on 30 m centres east-west
//   at j = 30..92, crosscut every 30 m over i = 20..282.
// - Seam 1 panels: three room-and-pillar panels north of the mains, five
//   entries (126 m) wide with 40 m barriers between them, j = 93..260;
//   panel p is developed at step 2 + p and retreated from step 4 + 2p, its
//   gob ('D', caved) advancing 96 m south from the inby end per step.
// - Seam 2 (30 m below): the same panels offset by 14 m east and north
//   (pillars not stacked), developed one step behind seam 1, not retreated.
// - Seam 3 (70 m below): old workings in the west sealed and caved to a
//   stiff gob ('E', linear) from the start; panel 2's footprint developed
//   from step 6.
// Coal: 'A' strain-softening (seam 1), 'B' strain-softening (seam 2), 'C'
// elastic-plastic (seam 3). Fixed edges: solid coal round the district.
namespace {

constexpr int kBaseGrid = 300;
constexpr int kEntry = 3, kCentres = 15;

bool InRoomAndPillar(int i, int j, int i0, int i1, int j0, int j1) {
  if (i < i0 || i > i1 || j < j0 || j > j1) return false;
  return (i - i0) % kCentres < kEntry || (j - j0) % kCentres < kEntry;
}

bool InMains(int i, int j) { return InRoomAndPillar(i, j, 20, 282, 30, 92); }

constexpr int kPanelJ0 = 93, kPanelJ1 = 260;
int PanelI0(int p) { return 24 + p * 83; }
int PanelI1(int p) { return PanelI0(p) + 4 * kCentres + kEntry - 1; }

char DistrictCode(int step, int seam, int i, int j) {
  if (seam == 1) {
    if (InMains(i, j)) return '1';
    for (int p = 0; p < 3; ++p) {
      if (step < 2 + p) continue;
      if (i < PanelI0(p) || i > PanelI1(p) || j < kPanelJ0 || j > kPanelJ1) continue;
      const int retreatSteps = step - (4 + 2 * p) + 1;
      if (retreatSteps > 0 && j > kPanelJ1 - 48 * retreatSteps) return 'D';
      return InRoomAndPillar(i, j, PanelI0(p), PanelI1(p), kPanelJ0, kPanelJ1) ? '1' : 'A';
    }
    return 'A';
  }
  if (seam == 2) {
    if (InMains(i, j)) return '1';
    for (int p = 0; p < 3; ++p)
      if (step >= 3 + p &&
          InRoomAndPillar(i, j, PanelI0(p) + 7, PanelI1(p) + 7, kPanelJ0 + 7, kPanelJ1))
        return '1';
    return 'B';
  }
  if (i >= 10 && i < 90 && j >= 150 && j < 280) return 'E';
  if (InMains(i, j)) return '1';
  if (step >= 6 && InRoomAndPillar(i, j, PanelI0(2), PanelI1(2), kPanelJ0, kPanelJ1)) return '1';
  return 'C';
}

}  // namespace

std::string DistrictModel(const DistrictOptions& options, ModelShape* shape) {
  if (options.steps < 1 || options.steps > 200) Refuse("the district needs 1 to 200 steps");
  std::ostringstream o;
  o << "District: three seams, room-and-pillar panels with retreat, " << options.steps
    << " steps\n"
    << "0.25,14000000000,80,3,2,0\n"
    << "5,0,0\n"
    << "2,20000000,0.008,10000000,0.02,0.3\n"
    << "2,18000000,0.008,10000000,0.025,0.3\n"
    << "3,22000000,0.008,0,0.3\n"
    << "5,30000000,400000000,20000000,1.0,0.25\n"
    << "6,200000000,0,1.5\n"
    << "2," << kBaseGrid << "," << kBaseGrid << ",25000\n"
    << "0,0,-250,2.0\n"
    << "0,0,-280,1.8\n"
    << "0,0,-320,2.4\n"
    << Number(options.overRelaxation) << ",0.00002,100000,1," << options.steps
    << ",1,0,0,0,0,0,0,0,0\n"
    << "0,0,0,0\n";
  std::string row(kBaseGrid, ' ');
  for (int t = 1; t <= options.steps; ++t)
    for (int s = 1; s <= 3; ++s)
      for (int j = kBaseGrid - 1; j >= 0; --j) {
        for (int i = 0; i < kBaseGrid; ++i) row[i] = DistrictCode(t, s, i, j);
        o << row << '\n';
      }
  return RefineModel(o.str(), RefineOptions{options.factor, std::nullopt, true}, shape);
}

std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Refuse("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteTextFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) Refuse("cannot write " + path.string());
}

}  // namespace kavrel::bench_models
