// Model fields by name, and their rewriting in the model text. The line of
// each header section follows the reader's own order: title, host rock, the
// pre-processor header (level above 0), material count, materials, coal-set
// lines (one or two per set, level above 0), auxiliary lines (level above 3),
// grid, seams, control.
#include "study/model_fields.h"

#include <charconv>
#include <sstream>
#include <vector>

namespace kavrel::study {

namespace {

struct HeaderLines {
  int host = 1, materialFirst = 0, grid = 0, seamFirst = 0, control = 0;
};

HeaderLines LinesOf(const ModelInput& m) {
  HeaderLines h;
  int next = 2 + (m.preprocessorLevel > 0 ? 1 : 0);
  h.materialFirst = next + 1;
  next = h.materialFirst + m.materialCount;
  if (m.preprocessorLevel > 0) next += m.coalSetCount * (m.preprocessorLevel > 3 ? 2 : 1);
  if (m.preprocessorLevel > 3) next += m.auxSetCount;
  h.grid = next;
  h.seamFirst = h.grid + 1;
  h.control = h.seamFirst + m.seamCount;
  return h;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

[[nodiscard]] bool SmallNumber(const std::string& text, int& n) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// The material line of code letter `letter`, or -1.
int MaterialIndex(const std::string& letter) {
  if (letter.size() != 1) return -1;
  const char c = letter[0];
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return 26 + (c - 'a');
  return -1;
}

[[nodiscard]] bool PlaceOfMaterial(const std::vector<std::string>& part, const ModelInput& m,
                                   const HeaderLines& h, FieldPlace& place, std::string& error) {
  const int index = MaterialIndex(part[1]);
  int field = 0;
  if (index < 0 || !SmallNumber(part[2], field) || field < 2 || field > 6) {
    error =
        "a material property is named material.L.F, L its code letter (A..Z, a..z) and F "
        "its field, 2 to 6";
    return false;
  }
  if (index >= m.materialCount) {
    error = "the base model has no material " + part[1] + " (it has " +
            std::to_string(m.materialCount) + ")";
    return false;
  }
  place = {h.materialFirst + index, field, 1};
  return true;
}

[[nodiscard]] bool PlaceOfSeam(const std::vector<std::string>& part, const ModelInput& m,
                               const HeaderLines& h, FieldPlace& place, std::string& error) {
  int seam = 0;
  if (!SmallNumber(part[1], seam) || seam < 1 || seam > m.seamCount) {
    error =
        "the base model has no seam " + part[1] + " (it has " + std::to_string(m.seamCount) + ")";
    return false;
  }
  const int line = h.seamFirst + seam - 1;
  if (part[2] == "elevation")
    place = {line, 3, 1};
  else if (part[2] == "depth")
    place = {line, 3, -1};
  else if (part[2] == "thickness")
    place = {line, 4, 1};
  else {
    error = "a seam's parameter is depth, elevation or thickness, not " + part[2];
    return false;
  }
  return true;
}

}  // namespace

bool PlaceOf(const std::string& name, const ModelInput& input, FieldPlace& place,
             std::string& error) {
  const HeaderLines h = LinesOf(input);
  const std::vector<std::string> part = Split(name, '.');
  if (part.size() == 3 && part[0] == "material")
    return PlaceOfMaterial(part, input, h, place, error);
  if (part.size() == 3 && part[0] == "seam") return PlaceOfSeam(part, input, h, place, error);
  if (name == "rock.poissons_ratio")
    place = {h.host, 1, 1};
  else if (name == "rock.modulus")
    place = {h.host, 2, 1};
  else if (name == "rock.lamination")
    place = {h.host, 3, 1};
  else if (name == "grid.stress_gradient")
    place = {h.grid, 4, 1};
  else if (name == "solver.over_relaxation")
    place = {h.control, 1, 1};
  else if (name == "solver.convergence")
    place = {h.control, 2, 1};
  else {
    error = "unknown parameter " + name +
            " (known: rock.poissons_ratio, rock.modulus, "
            "rock.lamination, material.L.F, grid.stress_gradient, seam.N.depth, "
            "seam.N.elevation, seam.N.thickness, solver.over_relaxation, solver.convergence)";
    return false;
  }
  return true;
}

std::string FormatValue(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("nan");
}

std::string WithField(const std::string& modelText, const FieldPlace& place, double value) {
  // Find the line: lines end with LF (a CR before it belongs to the line end).
  std::size_t start = 0;
  for (int k = 0; k < place.line && start != std::string::npos; ++k) {
    start = modelText.find('\n', start);
    if (start != std::string::npos) ++start;
  }
  if (start == std::string::npos || start > modelText.size()) return modelText;
  std::size_t end = modelText.find('\n', start);
  if (end == std::string::npos) end = modelText.size();
  if (end > start && modelText[end - 1] == '\r') --end;

  std::vector<std::string> fields;
  const std::string line = modelText.substr(start, end - start);
  std::size_t from = 0;
  for (std::size_t comma; (comma = line.find(',', from)) != std::string::npos; from = comma + 1)
    fields.push_back(line.substr(from, comma - from));
  fields.push_back(line.substr(from));
  if (static_cast<int>(fields.size()) < place.field) fields.resize(place.field);
  fields[place.field - 1] = FormatValue(place.scale * value);

  std::string joined;
  for (std::size_t k = 0; k < fields.size(); ++k) joined += (k ? "," : "") + fields[k];
  return modelText.substr(0, start) + joined + modelText.substr(end);
}

}  // namespace kavrel::study
