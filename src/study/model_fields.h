// The names a study gives to the fields of a model file, and the writing of a
// value into a model's text. A study changes a case's model only through the
// fields named here; docs/input-format.md says what each field means.
//
//   rock.poissons_ratio       host rock line, field 1
//   rock.modulus              host rock line, field 2
//   rock.lamination           host rock line, field 3 (lamination thickness)
//   material.L.F              material line of code letter L (A..Z, a..z), field F = 2..6
//   grid.stress_gradient      grid line, field 4
//   seam.N.elevation          seam line N, field 3 (Z, negative under ground)
//   seam.N.depth              the same field given as a depth: written as -depth
//   seam.N.thickness          seam line N, field 4
//   solver.over_relaxation    control line, field 1
//   solver.convergence        control line, field 2 (convergence criterion)
#pragma once

#include <string>

#include "model/model_input.h"

namespace kavrel::study {

// A field of the model text: `line` counts from 0 (the title), `field` from 1.
// The value written is `scale` times the study's value.
struct FieldPlace {
  int line = 0;
  int field = 0;
  double scale = 1;
};

// Where parameter `name` lies in a model whose header reads as `input` (the
// line positions depend on its material count, pre-processor level and seam
// count). False with `error` (one sentence, no line end) for a name that is
// not one of the list above or names a material or seam the model lacks.
[[nodiscard]] bool PlaceOf(const std::string& name, const ModelInput& input, FieldPlace& place,
                           std::string& error);

// `value` in the shortest text that reads back as the same double.
std::string FormatValue(double value);

// `modelText` with the field at `place` replaced by FormatValue(scale * value);
// the other fields, the text after the last field and the line ends stay as
// they were. A line with fewer fields gets empty ones up to `place.field`.
std::string WithField(const std::string& modelText, const FieldPlace& place, double value);

}  // namespace kavrel::study
