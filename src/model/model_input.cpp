// ReadModelInput: the header of a model file, one function per section of the
// file in the order the sections stand (title, host rock, materials, grid,
// seams, controls, boundary, off-seam grid, fault, LMS pillars), each sharing
// one line reader; and SetUnits, the output units the unit code implies.
//
// Beyond the format's own checks the reader refuses, each with its own
// message and a non-zero result, what would otherwise make the run divide by
// zero or build invalid arrays: a file that ends before its last line, seam,
// grid, step and off-seam counts outside their usable ranges, a zero off-seam
// block width, and two planes that an influence kernel would join at zero
// distance. It also refuses a number too large for a double (result 14) and a
// line longer than input::kMaxLineBytes (15: a file without line ends, such as
// /dev/zero, is refused once that much is read).
//
// What reads but would make the run meaningless is not refused: the reader
// collects it in the warnings (model_checks.h), in the order of the file.
#include "model/model_input.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <string>

#include "core/fatal_exit.h"
#include "model/input_fields.h"

namespace kavrel {

namespace {

using input::kMaxAxisCount;

constexpr int kMaxSteps = 200;
constexpr int kMeshDivisor = 10;

// Messages with numbers in them are built in a buffer of this many bytes.
constexpr std::size_t kMessageCapacity = 512;

// The lines of one model file, read one at a time, with the refusals every
// section shares: a file that ends early (result 1), a line beyond the bound
// (15), a real number too large for a double (14). A NUL byte in a line is
// noted in the warnings under the line's number (from 1).
class LineReader {
 public:
  LineReader(std::FILE* file, std::vector<ModelWarning>& warnings, MessageSink& messages)
      : file_(file), warnings_(warnings), messages_(messages) {}

  // Reads the title line; `hadLineEnd` tells whether a line end closed it.
  [[nodiscard]] int First(bool& hadLineEnd) {
    const input::LineRead read =
        input::ReadBoundedLine(file_, line_, input::kMaxLineBytes, &hadLineEnd);
    if (read == input::LineRead::End) return Refuse(1, "Error in Reading Title - RI1a\n");
    if (read == input::LineRead::TooLong) return TooLong();
    NoteNul();
    return 0;
  }

  // Reads the next line; at the end of the file, names `what` was expected.
  [[nodiscard]] int Next(const char* what) {
    ++number_;
    const input::LineRead read = input::ReadBoundedLine(file_, line_, input::kMaxLineBytes);
    if (read == input::LineRead::TooLong) return TooLong();
    if (read == input::LineRead::End)
      return Refuse(1,
                    FormatText(kMessageCapacity,
                               "Unexpected End of the Input File at the %s Line - RI1b\n", what));
    NoteNul();
    return 0;
  }

  const std::string& Text() const { return line_; }
  int Number() const { return number_; }
  int Int(int k) const { return input::IntField(line_, k); }

  // Field k as a real; the first field too large for a double is remembered
  // for RefuseHuge, which every section calls after its real fields.
  double Real(int k) {
    const double value = input::RealField(line_, k);
    if (!std::isfinite(value) && hugeField_ < 0) hugeField_ = k;
    return value;
  }
  [[nodiscard]] int RefuseHuge() const {
    if (hugeField_ < 0) return 0;
    return Refuse(
        14, FormatText(kMessageCapacity, "The Number in Field %i of Line %i is Too Large - RI14a\n",
                       hugeField_ + 1, number_));
  }

  // Shows `message` and gives `result`, for `return in.Refuse(...)`.
  [[nodiscard]] int Refuse(int result, const std::string& message) const {
    messages_.ShowMessage(message);
    return result;
  }
  MessageSink& Messages() const { return messages_; }

 private:
  [[nodiscard]] int TooLong() const {
    return Refuse(15,
                  FormatText(kMessageCapacity, "Line %i is Longer Than 1 MB - RI15a\n", number_));
  }
  void NoteNul() {
    if (line_.find('\0') != std::string::npos)
      warnings_.push_back(
          {number_, FormatText(kMessageCapacity, "line %i: a NUL byte in the line", number_)});
  }

  std::FILE* file_;
  std::vector<ModelWarning>& warnings_;
  MessageSink& messages_;
  std::string line_;
  int number_ = 1;
  int hugeField_ = -1;
};

// The title keeps its line end, within 100 characters in all; the rest of a
// longer title line is dropped.
int ReadTitle(LineReader& in, ModelInput& m) {
  bool hadLineEnd = false;
  if (const int r = in.First(hadLineEnd)) return r;
  std::string line = in.Text();
  if (hadLineEnd) line.push_back('\n');
  if (line.size() > 100) line.resize(100);
  line.copy(m.title, line.size());
  m.title[line.size()] = '\0';
  return 0;
}

int ReadHostRock(LineReader& in, ModelInput& m, InputLineNumbers& lines) {
  if (const int r = in.Next("Host Rock")) return r;
  lines.hostRock = in.Number();
  m.poissonsRatio = in.Real(0);
  m.elasticModulus = in.Real(1);
  m.layerThickness = in.Real(2);
  if (const int r = in.RefuseHuge()) return r;
  m.seamCount = in.Int(3);
  m.unitSystem = in.Int(4);
  m.preprocessorLevel = in.Int(5);
  if (m.seamCount > 10) return in.Refuse(2, "Can Only Specify up to 10 Different Seams - RI2b\n");
  if (m.seamCount < 1) return in.Refuse(2, "The Number of Seams Must Be at Least 1 - RI2d\n");
  if (m.unitSystem > 3 || m.unitSystem < 0)
    return in.Refuse(2, "Can Only Specify a Unit Number up to 4 - RI2c\n");
  SetUnits(m, in.Messages());
  return 0;
}

// The pre-processor's header line (with a pre-processor level), the material
// count and the materials. A bad type is refused after the last material.
int ReadMaterials(LineReader& in, ModelInput& m) {
  if (m.preprocessorLevel > 0)
    if (const int r = in.Next("Pre-Processor Header")) return r;
  if (const int r = in.Next("Material Count")) return r;
  m.materialCount = in.Int(0);
  m.coalSetCount = in.Int(1);
  m.auxSetCount = in.Int(2);
  if (m.materialCount < 1 || m.materialCount > 52)
    return in.Refuse(3, "The Number of In Seam Materials Must Be Between 1 and 52 - RI3b\n");
  bool badType = false;
  for (int k = 0; k < m.materialCount; ++k) {
    if (const int r = in.Next("Material")) return r;
    m.materialType[k] = in.Int(0);
    for (int v = 0; v < 5; ++v) m.materialProps[k][v] = in.Real(v + 1);
    if (const int r = in.RefuseHuge()) return r;
    if (m.materialType[k] < 1 || m.materialType[k] > 6) badType = true;
  }
  if (badType) return in.Refuse(4, "The Material Type Number Must Be Between 1 and 6 - RI4b\n");
  return 0;
}

// The pre-processor's coal set and auxiliary lines, which the run does not
// use: one line a coal set (two from level 4), and the auxiliary lines from
// level 4.
int SkipPreprocessorLines(LineReader& in, const ModelInput& m) {
  if (m.preprocessorLevel > 0) {
    const int linesPerSet = m.preprocessorLevel > 3 ? 2 : 1;
    for (int set = 0; set < m.coalSetCount; ++set)
      for (int k = 0; k < linesPerSet; ++k)
        if (const int r = in.Next("Coal Set")) return r;
  }
  if (m.preprocessorLevel > 3)
    for (int k = 0; k < m.auxSetCount; ++k)
      if (const int r = in.Next("Auxiliary")) return r;
  return 0;
}

int RefuseAxisCount(LineReader& in, const char* axis, const char* id) {
  return in.Refuse(
      5, FormatText(kMessageCapacity, "The number of %s elements must be between %i and %i - %s\n",
                    axis, kMeshDivisor, kMaxAxisCount, id));
}

int ReadGrid(LineReader& in, ModelInput& m, InputLineNumbers& lines) {
  if (const int r = in.Next("Grid")) return r;
  lines.grid = in.Number();
  m.elementWidth = in.Real(0);
  m.nx = in.Int(1);
  m.ny = in.Int(2);
  m.stressGradient = in.Real(3);
  if (const int r = in.RefuseHuge()) return r;
  if (m.nx % kMeshDivisor != 0 || m.ny % kMeshDivisor != 0)
    return in.Refuse(5,
                     FormatText(kMessageCapacity, "Fine mesh size must be divisible by %i - RI5b\n",
                                kMeshDivisor));
  if (m.elementWidth == 0) return in.Refuse(5, "Element width must be non-zero - RI5c\n");
  if (m.nx == 0) return in.Refuse(5, "The number of X elements must be non-zero - RI5d\n");
  if (m.ny == 0) return in.Refuse(5, "The number of Y elements must be non-zero - RI5e\n");
  if (m.nx < 0 || m.nx > kMaxAxisCount) return RefuseAxisCount(in, "X", "RI5f");
  if (m.ny < 0 || m.ny > kMaxAxisCount) return RefuseAxisCount(in, "Y", "RI5g");
  return 0;
}

// One line a seam; the interseam kernels then join every pair of seams across
// their vertical distance, which must not be zero.
int ReadSeams(LineReader& in, ModelInput& m, InputLineNumbers& lines) {
  for (int s = 1; s <= m.seamCount; ++s) {
    if (const int r = in.Next("Seam")) return r;
    lines.seam[s] = in.Number();
    m.seamX[s] = in.Real(0);
    m.seamY[s] = in.Real(1);
    m.seamZ[s] = in.Real(2);
    m.seamThickness[s] = in.Real(3);
    if (const int r = in.RefuseHuge()) return r;
  }
  for (int j = 1; j <= m.seamCount; ++j)
    for (int k = j + 1; k <= m.seamCount; ++k)
      if (m.seamZ[j] - m.seamZ[k] == 0)
        return in.Refuse(
            6, FormatText(kMessageCapacity,
                          "Seams %i and %i Must Not Be at the Same Elevation - RI6b\n", j, k));
  return 0;
}

// With surface effects, seam j's image lies at -seamZ[j], and the image pass
// joins it with every seam k, itself included, across seamZ[j] + seamZ[k].
int RefuseSurfaceImages(LineReader& in, const ModelInput& m) {
  if (m.surfaceEffects != 1) return 0;
  for (int j = 1; j <= m.seamCount; ++j)
    for (int k = j; k <= m.seamCount; ++k) {
      if (m.seamZ[j] + m.seamZ[k] != 0) continue;
      if (j == k)
        return in.Refuse(7, FormatText(kMessageCapacity,
                                       "Seam %i Must Not Lie at Elevation 0 When Surface Effects "
                                       "are Included - RI7d\n",
                                       j));
      return in.Refuse(7, FormatText(kMessageCapacity,
                                     "The Surface Image of Seam %i Lies on Seam %i When Surface "
                                     "Effects are Included - RI7e\n",
                                     j, k));
    }
  return 0;
}

// The solver settings and the option flags.
int ReadControls(LineReader& in, ModelInput& m, InputLineNumbers& lines) {
  if (const int r = in.Next("Control")) return r;
  lines.control = in.Number();
  m.overRelaxation = in.Real(0);
  m.stressConvergence = in.Real(1);
  m.maxIterations = in.Int(2);
  m.startStep = in.Int(3);
  m.stepCount = in.Int(4);
  m.surfaceEffects = in.Int(5);
  m.offSeamCalc = in.Int(6);
  m.topographicStress = in.Int(7);
  m.safetyFactors = in.Int(8);
  m.remoteStrains = in.Int(9);
  m.energyValues = in.Int(10);
  m.faultCalc = in.Int(11);
  m.roofBending = in.Int(12);
  m.localMineStiffness = in.Int(13);
  if (const int r = in.RefuseHuge()) return r;
  if (m.stepCount > kMaxSteps)
    return in.Refuse(7, FormatText(kMessageCapacity,
                                   "The Number of Steps Must be Less Than %i - RI7b\n", kMaxSteps));
  if (m.stepCount < 0) return in.Refuse(7, "The Number of Steps Must Not Be Negative - RI7c\n");
  return RefuseSurfaceImages(in, m);
}

int ReadBoundary(LineReader& in, ModelInput& m) {
  if (const int r = in.Next("Boundary Condition")) return r;
  m.bcNorth = in.Int(0);
  m.bcEast = in.Int(1);
  m.bcSouth = in.Int(2);
  m.bcWest = in.Int(3);
  for (const int bc : {m.bcNorth, m.bcEast, m.bcSouth, m.bcWest})
    if (bc != 0 && bc != 1)
      return in.Refuse(8, "The Boundary Conditions must be either a '0' or a '1' - RI8b\n");
  return 0;
}

// The off-seam passes (only when displacements or stresses are asked for)
// divide by the block width and join every seam, and with surface effects
// every seam image, with the off-seam plane.
int RefuseOffSeamPlane(LineReader& in, const ModelInput& m) {
  if (m.offSeamDisplacement < 1 && m.offSeamStress < 1) return 0;
  if (m.offSeamBlockWidth == 0)
    return in.Refuse(9, "Off-seam block width must be non-zero - RI9d\n");
  for (int j = 1; j <= m.seamCount; ++j) {
    if (m.seamZ[j] - m.offSeamOriginZ == 0)
      return in.Refuse(9, FormatText(kMessageCapacity,
                                     "The Off-Seam Grid Must Not Be at the Elevation of Seam %i - "
                                     "RI9e\n",
                                     j));
    if (m.surfaceEffects == 1 && -m.seamZ[j] - m.offSeamOriginZ == 0)
      return in.Refuse(9, FormatText(kMessageCapacity,
                                     "The Off-Seam Grid Must Not Be at the Surface Image of Seam "
                                     "%i When Surface Effects are Included - RI9f\n",
                                     j));
  }
  return 0;
}

// The off-seam grid is one plane: its block height and Z count are read but
// set to 0 and 1.
int ReadOffSeam(LineReader& in, ModelInput& m, InputLineNumbers& lines) {
  if (const int r = in.Next("Off-Seam Grid")) return r;
  lines.offSeam = in.Number();
  m.offSeamDisplacement = in.Int(0);
  m.offSeamStress = in.Int(1);
  m.offSeamOriginX = in.Real(2);
  m.offSeamOriginY = in.Real(3);
  m.offSeamOriginZ = in.Real(4);
  m.offSeamBlockWidth = in.Real(5);
  m.offSeamBlockHeight = in.Real(6);
  m.offSeamNx = in.Int(7);
  m.offSeamNy = in.Int(8);
  m.offSeamNz = in.Int(9);
  m.offSeamBlockCount = in.Int(10);
  if (const int r = in.RefuseHuge()) return r;
  if (static_cast<long long>(m.offSeamNx) * m.offSeamNy != m.offSeamBlockCount)
    return in.Refuse(9, "Inconsistent Data in the Offseam Input Line - RI9b\n");
  m.offSeamBlockHeight = 0;
  m.offSeamNz = 1;
  if (m.offSeamNx < 1 || m.offSeamNx > kMaxAxisCount || m.offSeamNy < 1 ||
      m.offSeamNy > kMaxAxisCount)
    return in.Refuse(9, FormatText(kMessageCapacity,
                                   "The Number of Off-Seam Blocks Along X and Y Must Be Between 1 "
                                   "and %i - RI9c\n",
                                   kMaxAxisCount));
  return RefuseOffSeamPlane(in, m);
}

// Field 0 says along which axis the fault runs; fields 1 and 2 are then the
// grid lines across it and fields 3 and 4 its extent.
int ReadFault(LineReader& in, ModelInput& m) {
  if (const int r = in.Next("Fault")) return r;
  m.faultAlongY = in.Int(0);
  m.faultField1 = in.Int(1);
  m.faultField2 = in.Int(2);
  m.faultField3 = in.Int(3);
  m.faultField4 = in.Int(4);
  const bool alongY = m.faultAlongY != 0;
  m.faultX1 = alongY ? m.faultField1 : m.faultField3;
  m.faultX2 = alongY ? m.faultField2 : m.faultField4;
  m.faultY1 = alongY ? m.faultField3 : m.faultField1;
  m.faultY2 = alongY ? m.faultField4 : m.faultField2;
  return 0;
}

// The count, then the X and Y element indices of each pillar, checked in turn.
int ReadLmsPillars(LineReader& in, ModelInput& m) {
  for (int p = 0; p <= 5; ++p) m.lmsX[p] = m.lmsY[p] = 0;
  if (const int r = in.Next("LMS Pillar")) return r;
  m.lmsPillarCount = in.Int(0);
  if (m.lmsPillarCount < 1 || m.lmsPillarCount > 5)
    return in.Refuse(13,
                     "The Number of Pillars for the Local Mine Stiffness Calculation Must Be "
                     "Between 1 and 5 - RI13a\n");
  for (int p = 1; p <= m.lmsPillarCount; ++p) {
    m.lmsX[p] = in.Int(2 * p - 1);
    if (m.lmsX[p] < 1 || m.lmsX[p] > m.nx)
      return in.Refuse(13, FormatText(kMessageCapacity,
                                      "The X Index for LMS Pillar %i Must be between 1 and %i - "
                                      "RI13b\n",
                                      p, m.nx));
    m.lmsY[p] = in.Int(2 * p);
    if (m.lmsY[p] < 1 || m.lmsY[p] > m.ny)
      return in.Refuse(13, FormatText(kMessageCapacity,
                                      "The Y Index for LMS Pillar %i Must be between 1 and %i - "
                                      "RI13c\n",
                                      p, m.ny));
  }
  return 0;
}

// The sections in the order of the file; the first refusal ends the read.
int ReadSections(LineReader& in, ModelInput& m, InputLineNumbers& lines) {
  if (const int r = ReadTitle(in, m)) return r;
  if (const int r = ReadHostRock(in, m, lines)) return r;
  if (const int r = ReadMaterials(in, m)) return r;
  if (const int r = SkipPreprocessorLines(in, m)) return r;
  if (const int r = ReadGrid(in, m, lines)) return r;
  if (const int r = ReadSeams(in, m, lines)) return r;
  if (const int r = ReadControls(in, m, lines)) return r;
  if (const int r = ReadBoundary(in, m)) return r;
  if (m.offSeamCalc >= 1)
    if (const int r = ReadOffSeam(in, m, lines)) return r;
  if (m.faultCalc == 1)
    if (const int r = ReadFault(in, m)) return r;
  // Without the option no LMS pillar of an earlier file may survive: the run
  // takes any positive count as pillars to remove.
  if (m.localMineStiffness != 1) m.lmsPillarCount = 0;
  if (m.localMineStiffness == 1)
    if (const int r = ReadLmsPillars(in, m)) return r;
  return 0;
}

// Every column name and unit label fills exactly 25 characters.
constexpr std::size_t kColumnCapacity = 64;
std::string Name(const char* name) { return FormatText(kColumnCapacity, ",%-25s", name); }
std::string Unit(const std::string& unit) {
  return FormatText(kColumnCapacity, ",%25s", unit.c_str());
}

// The labels and output factors of unit systems 0..3: what the result files
// and the log report, and the factors from internal units to those.
struct UnitSystem {
  const char* length;
  const char* stress;
  const char* energy;
  double displacementFactor, stressFactor, energyFactor;
};
constexpr UnitSystem kUnitSystems[4] = {
    {"in", "psi", "in-lbs", 1.0, 1.0, 1.0},
    {"ft", "psi", "ft-lbs", 1.0 / 12.0, 1.0, 1.0 / 12.0},
    {"m", "Pa", "Joules", 1.0, 1.0, 1.0},
    {"m", "MPa", "MJoules", 1.0, 1e-6, 1e-6},
};

// The unit labels and output factors of m.unitSystem; a code outside 0..3
// ends the program.
void SetUnitLabels(ModelInput& m, MessageSink& messages) {
  if (m.unitSystem < 0 || m.unitSystem > 3) {
    messages.WriteDiagnostic("Unit Code Out of Range in Input File - PU1\n");
    messages.ShowMessage("Unit Code Out of Range in Input File - PU1\n");
    throw FatalExit(1);
  }
  const UnitSystem& u = kUnitSystems[m.unitSystem];
  m.lengthUnit = u.length;
  m.stressUnit = u.stress;
  m.energyUnit = u.energy;
  m.displacementOutputFactor = u.displacementFactor;
  m.stressOutputFactor = u.stressFactor;
  m.energyOutputFactor = u.energyFactor;
}

// Both header lines of the result files: the column count, then one name (or
// unit) of 25 characters per column of the options that are on.
void SetResultHeaders(ModelInput& m) {
  int columns = 3;
  std::string names =
      Name("Seam Convergence") + Name("Total Vertical Stress") + Name("Overburden Stress");
  std::string units = Unit(m.lengthUnit) + Unit(m.stressUnit) + Unit(m.stressUnit);
  if (m.surfaceEffects == 1) {
    columns += 1;
    names += Name("Surface Effect Stress");
    units += Unit(m.stressUnit);
  }
  if (m.seamCount > 1) {
    columns += 1;
    names += Name("Multiple Seam Stress");
    units += Unit(m.stressUnit);
  }
  if (m.safetyFactors == 1) {
    columns += 3;
    names += Name("Element Strain SF") + Name("Pillar Stress SF") + Name("Pillar Strain SF");
    units +=
        Name("Strain Safety Factor") + Name("Stress Safety Factor") + Name("Strain Safety Factor");
  }
  if (m.remoteStrains == 1) {
    columns += 3;
    names += Name("Remote Displacement") + Name("X Strain") + Name("Y Strain");
    units += Unit(m.lengthUnit) + Name("Strain") + Name("Strain");
  }
  if (m.energyValues == 1) {
    columns += 6;
    names += Name("Stored Elastic Energy") + Name("Dissipated Energy") +
             Name("Total Input Energy") + Name("Stored Energy Released") +
             Name("Kinetic Energy Released") + Name("Total Energy Released");
    for (int k = 0; k < 6; ++k) units += Unit(m.energyUnit);
  }
  if (m.roofBending == 1) {
    columns += 5;
    names += Name("Roof X Stress") + Name("Roof Y Stress") + Name("Maximum Roof Compression") +
             Name("Maximum Roof Tension") + Name("Maximum Roof Stress");
    for (int k = 0; k < 5; ++k) units += Unit(m.stressUnit);
  }

  // The names and units above each start with a comma; the line's own prefix
  // "%3i," supplies the first one.
  const std::string prefix = FormatText(32, "%3i,", columns);
  m.resultHeader1 = prefix + names.substr(1) + "\n";
  m.resultHeader2 = prefix + units.substr(1) + "\n";
}

}  // namespace

UniqueFile OpenModelFile(const std::string& path, MessageSink& messages) {
  UniqueFile file(std::fopen(path.c_str(), "r"));
  if (!file) {
    const int error = errno;
    messages.ShowMessage("Error in Opening Input File - RI1a\n");
    messages.ShowFileProblem(path, error);
  }
  return file;
}

int ReadModelInput(std::FILE* file, ModelInput& input, std::vector<ModelWarning>& warnings,
                   MessageSink& messages) {
  LineReader in(file, warnings, messages);
  InputLineNumbers lines;
  if (const int r = ReadSections(in, input, lines)) return r;
  for (ModelWarning& warning : CheckModel(input, lines)) warnings.push_back(std::move(warning));
  std::stable_sort(warnings.begin(), warnings.end(),
                   [](const ModelWarning& a, const ModelWarning& b) { return a.line < b.line; });
  return 0;
}

ModelRead ReadModelInput(const std::string& path, MessageSink& messages) {
  ModelRead read;
  const UniqueFile file = OpenModelFile(path, messages);
  read.result = file ? ReadModelInput(file.get(), read.input, read.warnings, messages) : 1;
  return read;
}

void SetUnits(ModelInput& m, MessageSink& messages) {
  SetUnitLabels(m, messages);
  SetResultHeaders(m);
}

}  // namespace kavrel
