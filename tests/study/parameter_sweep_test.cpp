// A summary column against a parameter out of collected.csv: one point per
// case that ran, from the step asked for or each case's last, the seam asked
// for and LMS run 0 only.
#include "study/parameter_sweep.h"

#include <gtest/gtest.h>

namespace {

using kavrel::study::ParameterSweep;
using kavrel::study::SweepPoint;

const char* const kTable =
    "case,status,exit_status,a,b,step,lms_run,seam,peak\n"
    "1,ok,0,10,5,1,0,1,0.1\n"
    "1,ok,0,10,5,1,0,2,0.2\n"
    "1,ok,0,10,5,2,0,1,0.3\n"
    "1,ok,0,10,5,2,1,1,9\n"
    "2,failed,1,20,5,,,,\n"
    "3,ok,0,30,6,1,0,1,0.5\n";

TEST(ParameterSweep, OnePointPerCaseThatRan) {
  std::vector<SweepPoint> points;
  std::string error;
  ASSERT_TRUE(ParameterSweep(kTable, "a", "peak", 1, 0, points, error)) << error;
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0].caseId, 1);
  EXPECT_EQ(points[0].value, 0.3);  // its last step, LMS run 0
  EXPECT_EQ(points[1].parameter, 30);
  ASSERT_TRUE(ParameterSweep(kTable, "b", "peak", 2, 1, points, error)) << error;
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].value, 0.2);

  EXPECT_FALSE(ParameterSweep(kTable, "peak", "peak", 1, 0, points, error));
  EXPECT_EQ(error, "no parameter peak (the study has: a b)");
  EXPECT_FALSE(ParameterSweep(kTable, "a", "b", 1, 0, points, error));
  EXPECT_EQ(error, "no summary column b (the summary has: peak)");
  EXPECT_FALSE(ParameterSweep(kTable, "a", "peak", 1, 3, points, error));
  EXPECT_EQ(error, "no case that ran has a value of peak for seam 1 at step 3");
}

}  // namespace
