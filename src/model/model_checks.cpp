// The value checks behind the reader's warnings: each names its line and
// field as the user counts them (from 1) and says what the value must be.
#include "model/model_checks.h"

#include <algorithm>

#include "core/text_files.h"
#include "model/model_input.h"

namespace kavrel {

namespace {

constexpr std::size_t kTextCapacity = 256;

class Warnings {
 public:
  std::vector<ModelWarning> list;

  // A warning on field `field` (from 1) of input line `line`, named `name`.
  template <class... Args>
  void Add(int line, int field, const std::string& name, const char* format, Args... args) {
    const std::string where =
        FormatText(kTextCapacity, "line %i, field %i (%s): ", line, field, name.c_str());
    list.push_back({line, where + FormatText(kTextCapacity, format, args...)});
  }

  void AbovePositive(int line, int field, const std::string& name, double value) {
    if (!(value > 0)) Add(line, field, name, "%g is not above 0", value);
  }

  void Flag(int line, int field, const std::string& name, int value) {
    if (value != 0 && value != 1) Add(line, field, name, "%i is neither 0 nor 1", value);
  }
};

// "'A'", "'A' to 'C'": the code letters of a model with `count` materials.
std::string LetterRange(int count) {
  std::string text = std::string("'") + MaterialLetter(0) + "'";
  if (count > 1) text += std::string(" to '") + MaterialLetter(count - 1) + "'";
  return text;
}

// A code character as the warning shows it: printable ones quoted, others
// as their byte value.
std::string CodeText(char code) {
  const auto byte = static_cast<unsigned char>(code);
  if (byte > ' ' && byte < 127) return std::string("code '") + code + "'";
  return FormatText(kTextCapacity, "the byte 0x%02X", byte);
}

}  // namespace

std::vector<ModelWarning> CheckModel(const ModelInput& m, const InputLineNumbers& lines) {
  Warnings w;
  if (lines.hostRock > 0) {
    const int line = lines.hostRock;
    if (!(m.poissonsRatio >= 0 && m.poissonsRatio < 0.5))
      w.Add(line, 1, "Poisson's ratio", "%g is outside [0, 0.5)", m.poissonsRatio);
    w.AbovePositive(line, 2, "rock modulus", m.elasticModulus);
    w.AbovePositive(line, 3, "layer thickness", m.layerThickness);
  }
  if (lines.grid > 0) w.AbovePositive(lines.grid, 1, "element width", m.elementWidth);
  for (int s = 1; s <= m.seamCount && s <= 10; ++s) {
    const int line = lines.seam[s];
    if (line == 0) continue;
    const std::string seam = "seam " + std::to_string(s);
    if (!(m.seamZ[s] < 0))
      w.Add(line, 3, seam + " Z", "%g is at or above the surface (Z must be below 0)", m.seamZ[s]);
    w.AbovePositive(line, 4, seam + " thickness", m.seamThickness[s]);
  }
  if (lines.control > 0) {
    const int line = lines.control;
    if (!(m.overRelaxation > 0 && m.overRelaxation < 2))
      w.Add(line, 1, "over-relaxation", "%g is outside (0, 2)", m.overRelaxation);
    if (m.maxIterations < 1) w.Add(line, 3, "maximum iterations", "%i is below 1", m.maxIterations);
    if (m.stepCount >= 1 && (m.startStep < 1 || m.startStep > m.stepCount))
      w.Add(line, 4, "start step", "%i is outside 1..%i", m.startStep, m.stepCount);
    if (m.stepCount == 0) w.Add(line, 5, "step count", "%i: there is no step to compute", 0);
    const struct {
      int field;
      const char* name;
      int value;
    } flags[] = {{6, "surface effects option", m.surfaceEffects},
                 {7, "off-seam option", m.offSeamCalc},
                 {8, "topographic stress option", m.topographicStress},
                 {9, "safety factor option", m.safetyFactors},
                 {10, "remote strain option", m.remoteStrains},
                 {11, "energy option", m.energyValues},
                 {12, "fault option", m.faultCalc},
                 {13, "roof bending option", m.roofBending},
                 {14, "local mine stiffness option", m.localMineStiffness}};
    for (const auto& flag : flags) w.Flag(line, flag.field, flag.name, flag.value);
  }
  if (lines.offSeam > 0) {
    w.Flag(lines.offSeam, 1, "off-seam displacement option", m.offSeamDisplacement);
    w.Flag(lines.offSeam, 2, "off-seam stress option", m.offSeamStress);
  }
  std::stable_sort(w.list.begin(), w.list.end(),
                   [](const ModelWarning& a, const ModelWarning& b) { return a.line < b.line; });
  return std::move(w.list);
}

void CheckSeamCodes(char** codes, int nx, int ny, int materialCount, int step, int seam,
                    std::vector<ModelWarning>& warnings) {
  const int defined = std::clamp(materialCount, 1, 52);
  const auto names = [defined](char c) {
    const int m = MaterialOfLetter(c);
    return c == '1' || (m >= 0 && m < defined);
  };
  struct Found {
    int count = 0, x = 0, y = 0;
    char code = 0;
  } nul, stranger;
  // The layout order of the files: rows y = ny down to 1, x = 1..nx.
  for (int y = ny; y >= 1; --y)
    for (int x = 1; x <= nx; ++x) {
      const char c = codes[x][y];
      if (names(c)) continue;
      Found& found = c == '\0' ? nul : stranger;
      if (found.count++ > 0) continue;
      found.x = x;
      found.y = y;
      found.code = c;
    }
  const auto add = [&](const Found& found, const std::string& what) {
    if (found.count == 0) return;
    std::string text = FormatText(kTextCapacity, "step %i, seam %i, element (%i, %i): ", step, seam,
                                  found.x, found.y) +
                       what;
    if (found.count > 1)
      text += FormatText(kTextCapacity, "; %i more in this seam", found.count - 1);
    warnings.push_back({0, text});
  };
  add(nul, "a NUL byte in place of a code");
  add(stranger, CodeText(stranger.code) + " names no material (the model defines " +
                    LetterRange(materialCount) + "; '1' is mined out)");
}

}  // namespace kavrel
