// Study parameters in a model's text: each name finds its line even when the
// pre-processor lines move the sections down, and a rewritten field leaves
// the rest of its line and the line ends as they were.
#include "study/model_fields.h"

#include <gtest/gtest.h>

namespace {

using kavrel::ModelInput;
using kavrel::study::FieldPlace;
using kavrel::study::PlaceOf;
using kavrel::study::WithField;

FieldPlace Place(const std::string& name, const ModelInput& m) {
  FieldPlace place;
  std::string error;
  EXPECT_TRUE(PlaceOf(name, m, place, error)) << name << ": " << error;
  return place;
}

TEST(ModelFields, EveryNameFindsItsLine) {
  ModelInput m;
  m.materialCount = 3;
  m.seamCount = 2;
  // title 0, host 1, material count 2, materials 3-5, grid 6, seams 7-8, control 9
  EXPECT_EQ(Place("rock.modulus", m).field, 2);
  EXPECT_EQ(Place("material.C.6", m).line, 5);
  EXPECT_EQ(Place("grid.stress_gradient", m).line, 6);
  EXPECT_EQ(Place("seam.2.thickness", m).line, 8);
  EXPECT_EQ(Place("seam.1.depth", m).scale, -1);
  EXPECT_EQ(Place("solver.convergence", m).line, 9);
  // Level 4: a pre-processor header, two lines per coal set and the auxiliary lines.
  m.preprocessorLevel = 4;
  m.coalSetCount = 2;
  m.auxSetCount = 1;
  EXPECT_EQ(Place("material.A.2", m).line, 4);
  EXPECT_EQ(Place("grid.stress_gradient", m).line, 2 + 1 + 1 + 3 + 4 + 1);
  m.preprocessorLevel = 1;
  EXPECT_EQ(Place("grid.stress_gradient", m).line, 2 + 1 + 1 + 3 + 2);

  for (const char* bad : {"rock.density", "material.D.2", "material.A.1", "material.A.7",
                          "material.AB.2", "seam.3.depth", "seam.1.width", "solver"}) {
    FieldPlace place;
    std::string error;
    EXPECT_FALSE(PlaceOf(bad, m, place, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(ModelFields, RewritesOneFieldAndKeepsTheRest) {
  const std::string text = "title\r\n0.25,2e9 psi,300,1,0,0 host rock\r\n2,0,0\r\n";
  EXPECT_EQ(WithField(text, {1, 2, 1}, 1.5e9),
            "title\r\n0.25,1.5e+09,300,1,0,0 host rock\r\n2,0,0\r\n");
  EXPECT_EQ(WithField(text, {2, 5, -1}, 280),
            "title\r\n0.25,2e9 psi,300,1,0,0 host rock\r\n2,0,0,,-280\r\n");
  EXPECT_EQ(kavrel::study::FormatValue(0.1 + 0.2), "0.30000000000000004");
}

}  // namespace
