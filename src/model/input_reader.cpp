// ReadInputFile: turns one model input file into the scalar members of the
// model, validates them, creates the material-code cube and splits the code
// block into the per-step code files. The first failed check is shown through
// the message sink and its result code returned; members read before it keep
// the new file's values.
//
// Beyond the format's own checks the reader refuses, each with its own
// message and a non-zero result, what would otherwise make the run divide by
// zero or build invalid arrays: a file that ends before its last line, seam,
// grid, step and off-seam counts outside their usable ranges, a zero off-seam
// block width, and two planes that an influence kernel would join at zero
// distance. It also refuses a number too large for a double (result 14), a
// line longer than input::kMaxLineBytes (15: a file without line ends, such as
// /dev/zero, is refused once that much is read) and a model whose run needs
// more memory than the machine has (16, before the code cube is allocated).
//
// What reads but would make the run meaningless is not refused: the reader
// collects it in `warnings` (model_checks.h), in the order of the file.
#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <string>

#include "core/text_files.h"
#include "model/input_fields.h"
#include "model/memory_estimate.h"
#include "model/model_checks.h"
#include "model/model_dat.h"

namespace kavrel {

namespace {

using input::IntField;
using input::kMaxAxisCount;
using input::RealField;

constexpr int kMaxSteps = 200;
constexpr int kMeshDivisor = 10;

// Messages with numbers in them are built in a buffer of this many bytes.
constexpr std::size_t kMessageCapacity = 512;

// The line (from 1) of byte `offset` of `file`, counted from its start; 0 when
// the file cannot be positioned. Moves the file's position.
int LineOfOffset(std::FILE* file, long offset) {
  if (offset < 0 || std::fseek(file, 0, SEEK_SET) != 0) return 0;
  int line = 1;
  for (long k = 0; k < offset; ++k) {
    const int c = std::getc(file);
    if (c == EOF) break;
    if (c == '\n') ++line;
  }
  return line;
}

}  // namespace

int CModelDat::ReadInputFile() {
  warnings.clear();
  UniqueFile file(std::fopen(inputPathName.c_str(), "r"));
  if (!file) {
    const int error = errno;
    ShowMessage("Error in Opening Input File - RI1a\n");
    ShowFileProblem(inputPathName, error);
    return 1;
  }
  std::FILE* in = file.get();

  std::string line;
  int lineNumber = 1;
  InputLineNumbers lines;
  const auto tooLong = [&]() {
    ShowMessage(FormatText(kMessageCapacity, "Line %i is Longer Than 1 MB - RI15a\n", lineNumber));
    return 15;
  };
  const auto noteNul = [&]() {
    if (line.find('\0') != std::string::npos)
      warnings.push_back({lineNumber, FormatText(kMessageCapacity,
                                                 "line %i: a NUL byte in the line", lineNumber)});
  };

  bool hadLineEnd = false;
  const input::LineRead titleRead =
      input::ReadBoundedLine(in, line, input::kMaxLineBytes, &hadLineEnd);
  if (titleRead == input::LineRead::End) {
    ShowMessage("Error in Reading Title - RI1a\n");
    return 1;
  }
  if (titleRead == input::LineRead::TooLong) return tooLong();
  noteNul();
  // The title keeps its line end, within 100 characters in all; the rest of a
  // longer title line is dropped.
  if (hadLineEnd) line.push_back('\n');
  if (line.size() > 100) line.resize(100);
  line.copy(title, line.size());
  title[line.size()] = '\0';

  fineCodes.Release();

  // Reads the next line, or reports the end of the file in place of `what`
  // (result 1) or a line beyond the bound (result 15).
  auto next = [&](const char* what) {
    ++lineNumber;
    const input::LineRead read = input::ReadBoundedLine(in, line, input::kMaxLineBytes);
    if (read == input::LineRead::TooLong) return tooLong();
    if (read == input::LineRead::End) {
      ShowMessage(FormatText(kMessageCapacity,
                             "Unexpected End of the Input File at the %s Line - RI1b\n", what));
      return 1;
    }
    noteNul();
    return 0;
  };

  // Real fields go through `real`, which remembers the first one that is too
  // large for a double; `refuseHuge` then ends the read with result 14.
  int hugeField = -1;
  auto real = [&](int k) {
    const double value = RealField(line, k);
    if (!std::isfinite(value) && hugeField < 0) hugeField = k;
    return value;
  };
  auto refuseHuge = [&]() {
    if (hugeField < 0) return 0;
    ShowMessage(FormatText(kMessageCapacity,
                           "The Number in Field %i of Line %i is Too Large - RI14a\n",
                           hugeField + 1, lineNumber));
    return 14;
  };

  if (const int r = next("Host Rock")) return r;
  lines.hostRock = lineNumber;
  poissonsRatio = real(0);
  elasticModulus = real(1);
  layerThickness = real(2);
  if (const int r = refuseHuge()) return r;
  seamCount = IntField(line, 3);
  unitSystem = IntField(line, 4);
  preprocessorLevel = IntField(line, 5);
  if (seamCount > 10) {
    ShowMessage("Can Only Specify up to 10 Different Seams - RI2b\n");
    return 2;
  }
  if (seamCount < 1) {
    ShowMessage("The Number of Seams Must Be at Least 1 - RI2d\n");
    return 2;
  }
  if (unitSystem > 3 || unitSystem < 0) {
    ShowMessage("Can Only Specify a Unit Number up to 4 - RI2c\n");
    return 2;
  }
  SetUnits();

  if (preprocessorLevel > 0)
    if (const int r = next("Pre-Processor Header")) return r;
  if (const int r = next("Material Count")) return r;
  materialCount = IntField(line, 0);
  coalSetCount = IntField(line, 1);
  auxSetCount = IntField(line, 2);
  if (materialCount < 1 || materialCount > 52) {
    ShowMessage("The Number of In Seam Materials Must Be Between 1 and 52 - RI3b\n");
    return 3;
  }

  bool badType = false;
  for (int m = 0; m < materialCount; ++m) {
    if (const int r = next("Material")) return r;
    materialType[m] = IntField(line, 0);
    for (int v = 0; v < 5; ++v) materialProps[m][v] = real(v + 1);
    if (const int r = refuseHuge()) return r;
    if (materialType[m] < 1 || materialType[m] > 6) badType = true;
  }
  if (badType) {
    ShowMessage("The Material Type Number Must Be Between 1 and 6 - RI4b\n");
    return 4;
  }

  if (preprocessorLevel > 0) {
    const int linesPerSet = preprocessorLevel > 3 ? 2 : 1;
    for (int set = 0; set < coalSetCount; ++set)
      for (int k = 0; k < linesPerSet; ++k)
        if (const int r = next("Coal Set")) return r;
  }
  if (preprocessorLevel > 3)
    for (int k = 0; k < auxSetCount; ++k)
      if (const int r = next("Auxiliary")) return r;

  if (const int r = next("Grid")) return r;
  lines.grid = lineNumber;
  elementWidth = real(0);
  nx = IntField(line, 1);
  ny = IntField(line, 2);
  stressGradient = real(3);
  if (const int r = refuseHuge()) return r;
  if (nx % kMeshDivisor != 0 || ny % kMeshDivisor != 0) {
    ShowMessage(FormatText(kMessageCapacity, "Fine mesh size must be divisible by %i - RI5b\n",
                           kMeshDivisor));
    return 5;
  }
  if (elementWidth == 0) {
    ShowMessage("Element width must be non-zero - RI5c\n");
    return 5;
  }
  if (nx == 0) {
    ShowMessage("The number of X elements must be non-zero - RI5d\n");
    return 5;
  }
  if (ny == 0) {
    ShowMessage("The number of Y elements must be non-zero - RI5e\n");
    return 5;
  }
  if (nx < 0 || nx > kMaxAxisCount) {
    ShowMessage(FormatText(kMessageCapacity,
                           "The number of X elements must be between %i and %i - RI5f\n",
                           kMeshDivisor, kMaxAxisCount));
    return 5;
  }
  if (ny < 0 || ny > kMaxAxisCount) {
    ShowMessage(FormatText(kMessageCapacity,
                           "The number of Y elements must be between %i and %i - RI5g\n",
                           kMeshDivisor, kMaxAxisCount));
    return 5;
  }

  for (int s = 1; s <= seamCount; ++s) {
    if (const int r = next("Seam")) return r;
    lines.seam[s] = lineNumber;
    seamX[s] = real(0);
    seamY[s] = real(1);
    seamZ[s] = real(2);
    seamThickness[s] = real(3);
    if (const int r = refuseHuge()) return r;
  }
  // The interseam kernels join every pair of seams across their vertical
  // distance, which must not be zero.
  for (int j = 1; j <= seamCount; ++j)
    for (int k = j + 1; k <= seamCount; ++k)
      if (seamZ[j] - seamZ[k] == 0) {
        ShowMessage(FormatText(kMessageCapacity,
                               "Seams %i and %i Must Not Be at the Same Elevation - RI6b\n", j, k));
        return 6;
      }

  if (const int r = next("Control")) return r;
  lines.control = lineNumber;
  overRelaxation = real(0);
  stressConvergence = real(1);
  maxIterations = IntField(line, 2);
  startStep = IntField(line, 3);
  stepCount = IntField(line, 4);
  surfaceEffects = IntField(line, 5);
  offSeamCalc = IntField(line, 6);
  topographicStress = IntField(line, 7);
  safetyFactors = IntField(line, 8);
  remoteStrains = IntField(line, 9);
  energyValues = IntField(line, 10);
  faultCalc = IntField(line, 11);
  roofBending = IntField(line, 12);
  localMineStiffness = IntField(line, 13);
  if (const int r = refuseHuge()) return r;
  if (stepCount > kMaxSteps) {
    ShowMessage(FormatText(kMessageCapacity, "The Number of Steps Must be Less Than %i - RI7b\n",
                           kMaxSteps));
    return 7;
  }
  if (stepCount < 0) {
    ShowMessage("The Number of Steps Must Not Be Negative - RI7c\n");
    return 7;
  }
  // Mirror images: seam j's image lies at -seamZ[j], and the image pass joins
  // it with every seam k, itself included, across seamZ[j] + seamZ[k].
  if (surfaceEffects == 1)
    for (int j = 1; j <= seamCount; ++j)
      for (int k = j; k <= seamCount; ++k)
        if (seamZ[j] + seamZ[k] == 0) {
          if (j == k)
            ShowMessage(FormatText(
                kMessageCapacity,
                "Seam %i Must Not Lie at Elevation 0 When Surface Effects are Included - RI7d\n",
                j));
          else
            ShowMessage(FormatText(kMessageCapacity,
                                   "The Surface Image of Seam %i Lies on Seam %i When Surface "
                                   "Effects are Included - RI7e\n",
                                   j, k));
          return 7;
        }

  if (const int r = next("Boundary Condition")) return r;
  bcNorth = IntField(line, 0);
  bcEast = IntField(line, 1);
  bcSouth = IntField(line, 2);
  bcWest = IntField(line, 3);
  for (int bc : {bcNorth, bcEast, bcSouth, bcWest})
    if (bc != 0 && bc != 1) {
      ShowMessage("The Boundary Conditions must be either a '0' or a '1' - RI8b\n");
      return 8;
    }

  if (offSeamCalc >= 1) {
    if (const int r = next("Off-Seam Grid")) return r;
    lines.offSeam = lineNumber;
    offSeamDisplacement = IntField(line, 0);
    offSeamStress = IntField(line, 1);
    offSeamOriginX = real(2);
    offSeamOriginY = real(3);
    offSeamOriginZ = real(4);
    offSeamBlockWidth = real(5);
    offSeamBlockHeight = real(6);
    offSeamNx = IntField(line, 7);
    offSeamNy = IntField(line, 8);
    offSeamNz = IntField(line, 9);
    offSeamBlockCount = IntField(line, 10);
    if (const int r = refuseHuge()) return r;
    if (static_cast<long long>(offSeamNx) * offSeamNy != offSeamBlockCount) {
      ShowMessage("Inconsistent Data in the Offseam Input Line - RI9b\n");
      return 9;
    }
    offSeamBlockHeight = 0;
    offSeamNz = 1;
    if (offSeamNx < 1 || offSeamNx > kMaxAxisCount || offSeamNy < 1 || offSeamNy > kMaxAxisCount) {
      ShowMessage(FormatText(
          kMessageCapacity,
          "The Number of Off-Seam Blocks Along X and Y Must Be Between 1 and %i - RI9c\n",
          kMaxAxisCount));
      return 9;
    }
    // The off-seam passes (only when displacements or stresses are asked for)
    // divide by the block width and join every seam, and with surface effects
    // every seam image, with the off-seam plane.
    const bool offSeamPasses = offSeamDisplacement >= 1 || offSeamStress >= 1;
    if (offSeamPasses && offSeamBlockWidth == 0) {
      ShowMessage("Off-seam block width must be non-zero - RI9d\n");
      return 9;
    }
    for (int j = 1; offSeamPasses && j <= seamCount; ++j) {
      if (seamZ[j] - offSeamOriginZ == 0) {
        ShowMessage(FormatText(kMessageCapacity,
                               "The Off-Seam Grid Must Not Be at the Elevation of Seam %i - RI9e\n",
                               j));
        return 9;
      }
      if (surfaceEffects == 1 && -seamZ[j] - offSeamOriginZ == 0) {
        ShowMessage(FormatText(kMessageCapacity,
                               "The Off-Seam Grid Must Not Be at the Surface Image of Seam %i When "
                               "Surface Effects are "
                               "Included - RI9f\n",
                               j));
        return 9;
      }
    }
  }

  if (faultCalc == 1) {
    if (const int r = next("Fault")) return r;
    faultAlongY = IntField(line, 0);
    faultField1 = IntField(line, 1);
    faultField2 = IntField(line, 2);
    faultField3 = IntField(line, 3);
    faultField4 = IntField(line, 4);
    if (faultAlongY != 0) {
      faultX1 = faultField1;
      faultX2 = faultField2;
      faultY1 = faultField3;
      faultY2 = faultField4;
    } else {
      faultX1 = faultField3;
      faultX2 = faultField4;
      faultY1 = faultField1;
      faultY2 = faultField2;
    }
  }

  // Without the option no LMS pillar of an earlier file may survive: the run
  // takes any positive count as pillars to remove.
  if (localMineStiffness != 1) lmsPillarCount = 0;
  if (localMineStiffness == 1) {
    for (int p = 0; p <= 5; ++p) lmsX[p] = lmsY[p] = 0;
    if (const int r = next("LMS Pillar")) return r;
    lmsPillarCount = IntField(line, 0);
    if (lmsPillarCount < 1 || lmsPillarCount > 5) {
      ShowMessage(
          "The Number of Pillars for the Local Mine Stiffness Calculation Must Be Between 1 and 5 "
          "- "
          "RI13a\n");
      return 13;
    }
    for (int p = 1; p <= lmsPillarCount; ++p) {
      lmsX[p] = IntField(line, 2 * p - 1);
      if (lmsX[p] < 1 || lmsX[p] > nx) {
        ShowMessage(FormatText(kMessageCapacity,
                               "The X Index for LMS Pillar %i Must be between 1 and %i - RI13b\n",
                               p, nx));
        return 13;
      }
      lmsY[p] = IntField(line, 2 * p);
      if (lmsY[p] < 1 || lmsY[p] > ny) {
        ShowMessage(FormatText(kMessageCapacity,
                               "The Y Index for LMS Pillar %i Must be between 1 and %i - RI13c\n",
                               p, ny));
        return 13;
      }
    }
  }

  for (ModelWarning& warning : CheckModel(*this, lines)) warnings.push_back(std::move(warning));
  std::stable_sort(warnings.begin(), warnings.end(),
                   [](const ModelWarning& a, const ModelWarning& b) { return a.line < b.line; });

  // Never start what the machine cannot hold. A reader of a finished run (the
  // plots) runs nothing and takes only the code cube.
  if (writeStepCodeFiles) {
    const std::uint64_t needed = EstimateRunMemory(*this);
    const std::uint64_t available = AvailableMemoryBytes(*this);
    if (available > 0 && needed > available) {
      ShowMessage(FormatText(kMessageCapacity,
                             "The Run Needs About %s of Memory, This Machine Has %s - RI16a\n",
                             MemoryText(needed).c_str(), MemoryText(available).c_str()));
      return 16;
    }
  }

  const int codeResult = WriteStepCodeFiles(in);
  if (codeResult != 0) return codeResult;

  // Anything but white space after the last step's codes is a code block that
  // does not fit the grid (rows too long, a step or seam too many).
  int c = std::getc(in);
  while (c != EOF && input::IsSpace(c)) c = std::getc(in);
  if (c != EOF) {
    const int at = LineOfOffset(in, std::ftell(in) - 1);
    warnings.push_back(
        {at, (at > 0 ? FormatText(kMessageCapacity, "line %i: ", at) : std::string()) +
                 "text after the codes of the last step"});
  }

  file.reset();
  SetUnits();
  return 0;
}

}  // namespace kavrel
