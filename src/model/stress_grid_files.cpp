// The stress grid files that carry grids between runs and from the
// pre-processor:
//   .top  surface heights over a regular grid (read only);
//   .tpo  the overburden stress of every seam as the topographic stage left it
//         (written after a calculation, read back by the next run);
//   .sms  the off-seam stress grid of each step, which can be read back as the
//         pre-calculated static stresses of the seams.
// Every reader takes CR LF line ends exactly as LF ones and parses numbers
// without consulting the locale. Values are stored in the files in internal
// units, whatever unit label the header carries.
//
// Whatever a reader accepts is finite: a number too large for the type it is
// stored in (double, or float for the .tpo values) is refused like text that
// is not a number, so no infinity or NaN reaches a run from these files.
#include <cctype>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_files.h"
#include "model/input_fields.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

// ---- text helpers -------------------------------------------------------------

using input::Field;
using input::IsSpace;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

// The whole of an open file with LF line ends, read line by line under the
// model reader's CR LF rule.
std::string ReadAll(std::FILE* f) {
  std::string text;
  std::string line;
  bool hadLineEnd = false;
  while (input::ReadLine(f, line, &hadLineEnd)) {
    text += line;
    if (hadLineEnd) text.push_back('\n');
  }
  return text;
}

// The next line of `f` without its line end; past the end, an empty line.
std::string NextLine(std::FILE* f) {
  std::string line;
  if (!input::ReadLine(f, line)) return std::string();
  return line;
}

// Longest real number (one optional sign) at the start of `s`; 0 when there
// is none. Only decimal numbers count: no "inf", "nan" or hexadecimal forms,
// and none beyond the range of a double (which would be infinite) or below
// its smallest subnormal.
std::size_t RealPrefix(std::string_view s, double& value) {
  std::size_t skip = 0;
  const bool negative = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '+' || negative)) skip = 1;
  if (!input::StartsDecimal(s.substr(skip))) return 0;
  double v = 0;
  const char* first = s.data() + skip;
  const auto r = std::from_chars(first, s.data() + s.size(), v, std::chars_format::general);
  if (r.ec != std::errc() || !std::isfinite(v)) return 0;
  value = negative ? -v : v;
  return static_cast<std::size_t>(r.ptr - s.data());
}

// A whole field as one decimal integer (one optional sign), blanks around it
// allowed.
bool ParseInt(std::string_view field, int& value) {
  std::string_view s = Trim(field);
  const bool negative = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '+' || negative)) s.remove_prefix(1);
  if (s.empty() || s.front() < '0' || s.front() > '9') return false;
  long long v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

// A whole field as one real number, blanks around it allowed.
bool ParseReal(std::string_view field, double& value) {
  const std::string_view s = Trim(field);
  double v = 0;
  const std::size_t used = RealPrefix(s, v);
  if (used == 0 || used != s.size()) return false;
  value = v;
  return true;
}

// A cursor that reads text the way a formatted scan does: a number skips the
// white space before it, a literal character must match exactly.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }

  // Optional sign; hexadecimal after 0x, octal after a leading 0, else decimal.
  bool ScanInt(int& value) {
    SkipSpace();
    std::size_t p = pos_;
    bool negative = false;
    if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) negative = text_[p++] == '-';
    int base = 10;
    if (p < text_.size() && text_[p] == '0') {
      base = 8;
      if (p + 2 < text_.size() && (text_[p + 1] == 'x' || text_[p + 1] == 'X') &&
          std::isxdigit(static_cast<unsigned char>(text_[p + 2]))) {
        base = 16;
        p += 2;
      }
    }
    if (p >= text_.size() || !std::isxdigit(static_cast<unsigned char>(text_[p]))) return false;
    long long v = 0;
    const auto r = std::from_chars(text_.data() + p, text_.data() + text_.size(), v, base);
    if (r.ec != std::errc()) return false;
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    pos_ = static_cast<std::size_t>(r.ptr - text_.data());
    return true;
  }

  // A real number of at most `width` characters (sign included; 0 = no limit).
  bool ScanReal(double& value, std::size_t width = 0) {
    SkipSpace();
    std::string_view s = text_.substr(pos_);
    if (width > 0 && s.size() > width) s = s.substr(0, width);
    double v = 0;
    const std::size_t used = RealPrefix(s, v);
    if (used == 0) return false;
    value = v;
    pos_ += used;
    return true;
  }

  // Characters not yet read.
  std::size_t Remaining() const { return text_.size() - pos_; }

  bool Expect(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // Skips a line of at most `limit` characters with its line end, or the
  // first `limit` characters of a longer line, whose rest then counts as the
  // next line.
  void SkipLine(std::size_t limit) {
    std::size_t taken = 0;
    while (pos_ < text_.size() && taken < limit) {
      ++taken;
      if (text_[pos_++] == '\n') return;
    }
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// ---- grid file writing ----------------------------------------------------------

// Line 1 of a grid file.
std::string GridLine1(int blockCount, double width, int blocksX, int blocksY, double originX,
                      double originY, double originZ) {
  return FormatText(256, "%3i, %7i, %12.5g, %3i, %3i, %12.5g, %12.5g, %12.5g\n", 1, blockCount,
                    width, blocksX, blocksY, originX, originY, originZ);
}

// Line 2: the grid count, then one title per grid, `title` followed by the
// grid number.
std::string GridTitles(int grids, const char* title) {
  std::string line = FormatText(256, "%3i,", grids);
  line += title;
  line += "1";
  for (int k = 2; k <= grids; ++k) line += FormatText(256, ",%s%i", title, k);
  line += "\n";
  return line;
}

// Line 3: the grid count, then the unit label of every grid.
std::string GridUnits(int grids, const std::string& unit) {
  std::string line = FormatText(256, "%3i,", grids);
  line += FormatText(256, "%25s", unit.c_str());
  for (int k = 2; k <= grids; ++k) line += FormatText(256, ",%25s", unit.c_str());
  line += "\n";
  return line;
}

// One data line per block, X outer and Y inner, the grids side by side.
void WriteGridValues(std::FILE* f, double*** grids, int firstGrid, int lastGrid, int blocksX,
                     int blocksY) {
  for (int i = 1; i <= blocksX; ++i) {
    for (int j = 1; j <= blocksY; ++j) {
      std::fprintf(f, "%12.5g", grids[firstGrid][i][j]);
      for (int k = firstGrid + 1; k <= lastGrid; ++k) std::fprintf(f, ",%12.5g", grids[k][i][j]);
      std::fprintf(f, "\n");
    }
  }
}

// The three header lines of a grid file.
struct GridFileHeader {
  std::string line1, titles, units;
};

// Writes one grid file: with `header`, a new file with its header lines;
// without, the data lines appended to the file. A file that cannot be opened
// or written shows `failure` and gives 1.
int WriteGridFile(CModelDat& m, const std::string& name, const GridFileHeader* header,
                  const DCube& grid, int grids, int nx, int ny, const char* failure) {
  UniqueFile file(std::fopen(name.c_str(), header ? "w" : "a"));
  if (file && header) {
    std::fputs(header->line1.c_str(), file.get());
    std::fputs(header->titles.c_str(), file.get());
    std::fputs(header->units.c_str(), file.get());
  }
  if (file) WriteGridValues(file.get(), grid, 1, grids, nx, ny);
  if (!file || !FinishFile(file)) {
    const int error = errno;
    m.ShowMessage(failure);
    m.ShowFileProblem(name, error);
    return 1;
  }
  return 0;
}

// Line 1 of a .tpo or .sms file as its eight comma-separated values.
struct GridHeader {
  int gridNumber = 0;
  int blockCount = 0;
  double width = 0;
  int blocksX = 0, blocksY = 0;
  double originX = 0, originY = 0, originZ = 0;
};

// A missing field reads as an empty one, which is not a number.
bool ParseGridHeader(std::string_view line, GridHeader& h) {
  return ParseInt(Field(line, 0), h.gridNumber) && ParseInt(Field(line, 1), h.blockCount) &&
         ParseReal(Field(line, 2), h.width) && ParseInt(Field(line, 3), h.blocksX) &&
         ParseInt(Field(line, 4), h.blocksY) && ParseReal(Field(line, 5), h.originX) &&
         ParseReal(Field(line, 6), h.originY) && ParseReal(Field(line, 7), h.originZ);
}

// Whether a grid file's block width `read` is the width `width` as the
// writers print it ("%12.5g", five significant digits): a file written for a
// model reads back on that model whatever its width, and two widths that
// differ within the printed digits are one width.
bool SameWrittenWidth(double read, double width) {
  return FormatText(32, "%.5g", read) == FormatText(32, "%.5g", width);
}

// The first `count` fields of a data line as reals; false when the line has
// fewer fields or one of them is not a number.
bool ParseValues(std::string_view line, int count, std::vector<double>& values) {
  values.resize(count > 0 ? count : 0);
  for (int k = 0; k < count; ++k)
    if (!ParseReal(Field(line, k), values[k])) return false;
  return true;
}

}  // namespace

// ---- .top -------------------------------------------------------------------------

int CModelDat::TopoInputReader() {
  UniqueFile file(std::fopen(topoInputFileName.c_str(), "r"));
  if (!file) {
    const int error = errno;
    ShowMessage("Error in Opening Topographic Input File - RTI1a\n");
    ShowFileProblem(topoInputFileName, error);
    return 1;
  }
  topoLoad.Release();
  topoDisplacement.Release();

  const std::string text = ReadAll(file.get());
  Scanner in(text);

  // "%i,%i, %lf, %i, %i, %lf, %lf, %lf": the first integer is not used.
  int unused = 0;
  const bool headerRead = in.ScanInt(unused) && in.Expect(',') && in.ScanInt(topoBlockCount) &&
                          in.Expect(',') && in.ScanReal(topoBlockWidth) && in.Expect(',') &&
                          in.ScanInt(topoNx) && in.Expect(',') && in.ScanInt(topoNy) &&
                          in.Expect(',') && in.ScanReal(topoOriginX) && in.Expect(',') &&
                          in.ScanReal(topoOriginY) && in.Expect(',') && in.ScanReal(topoDatumZ);
  if (!headerRead) {
    ShowMessage("Error Reading the Topographic Header Line - RTI2a\n");
    return 2;
  }
  // The line end after the header swallows blank lines and leading blanks;
  // then two lines of column titles follow.
  in.SkipSpace();
  in.SkipLine(253);
  in.SkipLine(253);

  // A grid needs at least one block each way and no more along an axis than a
  // seam grid may have; the product is formed wide so that huge counts cannot
  // wrap around to the block count.
  if (topoNx < 1 || topoNy < 1 || topoNx > input::kMaxAxisCount || topoNy > input::kMaxAxisCount ||
      static_cast<long long>(topoNx) * topoNy != static_cast<long long>(topoBlockCount)) {
    ShowMessage("Inconsistent Data in the Topographic Header Line - RTI2b\n");
    return 3;
  }
  // The topographic SOR divides by the block width.
  if (!(topoBlockWidth > 0)) {
    ShowMessage("Topographic Block Width Must Be Greater Than Zero - RTI2c\n");
    return 4;
  }
  // Every height takes at least one character, so a file too short to hold
  // the grid it announces is refused before the grid is allocated.
  if (in.Remaining() < static_cast<std::size_t>(topoBlockCount)) {
    ShowMessage("Error reading the Topographic Grid Stress - RTI3\n");
    return 3;
  }

  topoLoad.Allocate(1, topoNx, 1, topoNy);
  topoDisplacement.Allocate(0, topoNx + 1, 0, topoNy + 1);
  for (int i = 1; i <= topoNx; ++i) {
    double* row = topoLoad[i];
    for (int j = 1; j <= topoNy; ++j) {
      if (!in.ScanReal(row[j], 12)) {
        ShowMessage("Error reading the Topographic Grid Stress - RTI3\n");
        return 3;
      }
    }
  }
  return 0;
}

// ---- .tpo -------------------------------------------------------------------------

int CModelDat::TopoStressWriter() {
  topoHeader1 = GridTitles(seamCount, "Overburden Stress Seam #");
  topoHeader2 = GridUnits(seamCount, stressUnit);
  const GridFileHeader header{
      GridLine1(nx * ny, elementWidth, nx, ny, seamX[1], seamY[1], seamZ[1]), topoHeader1,
      topoHeader2};
  return WriteGridFile(*this, topoStressFileName, &header, overburdenStress, seamCount, nx, ny,
                       "Error in Opening the Topographic Stress Output File - PTS1\n");
}

int CModelDat::TopoStressReader() {
  UniqueFile file(std::fopen(topoStressFileName.c_str(), "r"));
  if (!file) {
    const int error = errno;
    ShowMessage("Error in Opening Topographic Stress File - RTS1a\n");
    ShowFileProblem(topoStressFileName, error);
    return 1;
  }
  const std::string line1 = NextLine(file.get());
  GridHeader h;
  if (line1.empty() || !ParseGridHeader(line1, h)) {
    ShowMessage("Read an empty line in the Topographic Stress File - RTS2a\n");
    return 2;
  }
  topoBlockCount = h.blockCount;
  topoBlockWidth = h.width;
  topoNx = h.blocksX;
  topoNy = h.blocksY;
  topoOriginX = h.originX;
  topoOriginY = h.originY;
  topoDatumZ = h.originZ;
  if (static_cast<long long>(h.blocksX) * h.blocksY != static_cast<long long>(h.blockCount)) {
    ShowMessage("Inconsistent Data in the Topographic Stress Header Line - RTS2b\n");
    return 3;
  }
  if (h.blocksX != nx || h.blocksY != ny) {
    ShowMessage("Incorrect Data Amount in the Topographic Stress File - RTS2c\n");
    return 4;
  }

  const std::string line2 = NextLine(file.get());
  if (line2.empty()) {
    ShowMessage("Read an empty line in the Topographic Stress File - RTS3a\n");
    return 5;
  }
  int grids = 0;
  if (!ParseInt(Field(line2, 0), grids) || grids != seamCount) {
    ShowMessage("Incorrect Number of Seams in the Topographic Stress File - RTS3b\n");
    return 6;
  }
  NextLine(file.get());  // the unit line

  std::vector<double> values;
  for (int i = 1; i <= nx; ++i) {
    for (int j = 1; j <= ny; ++j) {
      const std::string line = NextLine(file.get());
      if (line.empty() || !ParseValues(line, grids, values)) {
        ShowMessage("Read an empty line in the Topographic Stress File - RTS4a");
        return 8;
      }
      // The stresses are kept at single precision: a value beyond its range
      // would become infinite. Such a line stores none of its values.
      for (const double v : values)
        if (std::fabs(v) > FLT_MAX) {
          ShowMessage("Topographic Stress Beyond Single Precision in the Topographic Stress File "
                      "- RTS4b\n");
          return 9;
        }
      for (int k = 1; k <= grids; ++k)
        overburdenStress[k][i][j] = static_cast<double>(static_cast<float>(values[k - 1]));
    }
  }
  return 0;
}

// ---- .sms -------------------------------------------------------------------------

int CModelDat::OffSeamStressWriter(int step) {
  staticStressFileName = Names().StaticStress();
  GridFileHeader header;
  if (step == 1) {
    staticHeader1 = GridTitles(offSeamNz, "Off-Seam Stress Grid #");
    staticHeader2 = GridUnits(offSeamNz, stressUnit);
    header = {GridLine1(offSeamBlockCount, offSeamBlockWidth, offSeamNx, offSeamNy,
                        offSeamOriginX, offSeamOriginY, offSeamOriginZ),
              staticHeader1, staticHeader2};
  }
  return WriteGridFile(*this, staticStressFileName, step == 1 ? &header : nullptr,
                       offSeamStressGrid, offSeamNz, offSeamNx, offSeamNy,
                       "Error in Opening the Off-Seam Stress Output File - POSS1\n");
}

int CModelDat::StaticStressReader(RunLog& log) {
  progress->SetPhase("Reading Pre-Calculated Static Stresses");
  log.Printf("Reading Pre-Calculated Static Stresses\n\n");
  WriteDiagnostic("Reading the static stress file\n\n");

  staticStressFileName = Names().StaticStress();
  UniqueFile file(std::fopen(staticStressFileName.c_str(), "r"));
  if (!file) {
    const int error = errno;
    ShowMessage("Error in Opening Static Stress File - RSS1a\n");
    ShowFileProblem(staticStressFileName, error);
    return 1;
  }
  const std::string line1 = NextLine(file.get());
  GridHeader h;
  if (line1.empty() || !ParseGridHeader(line1, h)) {
    ShowMessage("Read an empty line in the Static Stress File - RSS2a\n");
    return 2;
  }
  if (h.blocksX != nx) {
    ShowMessage("Input Static Stress X Size Does Not Match Present Seam Grids - RSS2b\n");
    return 3;
  }
  if (h.blocksY != ny) {
    ShowMessage("Input Static Stress Y Size Does Not Match Present Seam Grids - RSS2c\n");
    return 4;
  }
  if (!SameWrittenWidth(h.width, elementWidth)) {
    ShowMessage("Input Static Stress Block Size Does Not Match Present Element Size - RSS2d\n");
    return 5;
  }
  if (static_cast<long long>(h.blocksX) * h.blocksY != static_cast<long long>(h.blockCount)) {
    ShowMessage("Inconsistent Block Count in the Static Stress Header Line - RSS2e\n");
    return 9;
  }

  const std::string line2 = NextLine(file.get());
  int grids = 0;
  if (line2.empty() || !ParseInt(Field(line2, 0), grids)) {
    ShowMessage("Read an empty line in the Static Stress File - RSS3a\n");
    return 6;
  }
  if (grids > seamCount) {
    ShowMessage("Too Many Grids in the Static Stress File - RSS3b\n");
    return 7;
  }
  if (grids < 1) {
    ShowMessage("The Static Stress File Must Hold at Least One Grid - RSS3c\n");
    return 10;
  }
  WriteStaticGridDetails(log, h.gridNumber, h.blockCount, h.width, h.blocksX, h.blocksY, h.originX,
                         h.originY, h.originZ, grids);
  NextLine(file.get());  // the unit line

  std::vector<double> values;
  for (int i = 1; i <= nx; ++i) {
    for (int j = 1; j <= ny; ++j) {
      const std::string line = NextLine(file.get());
      if (line.empty() || !ParseValues(line, grids, values)) {
        ShowMessage("Read an empty line in the Static Stress File - RSS4a");
        return 8;
      }
      for (int k = 1; k <= grids; ++k) preCalculatedStress[k][i][j] = values[k - 1];
    }
  }
  return 0;
}

}  // namespace kavrel
