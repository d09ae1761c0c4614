// Reading a study file: every way of giving values, the base model's path
// taken from the study file's folder, and the line of each mistake.
#include "study/study_file.h"

#include <gtest/gtest.h>

namespace {

using kavrel::study::ParseStudyText;
using kavrel::study::StudyFile;

TEST(StudyFile, ReadsListsRangesAndDraws) {
  StudyFile s;
  std::string error;
  ASSERT_TRUE(
      ParseStudyText("# calibration\n"
                     "base = ../models/two_seam.inp   # the model\n"
                     "\n"
                     "draws = 3\r\n"
                     "rock.modulus = 1e9, 2.5e9 ,4e9\n"
                     "rock.lamination = range 40 120 5\n"
                     "seam.1.depth = range 280 280 1\n"
                     "solver.convergence = range 0.1 0.3 3\n"
                     "material.B.2 = lognormal 16.8 0.1 seed 11\n",
                     "studies/calib.txt", s, error))
      << error;
  EXPECT_EQ(s.baseModel, std::filesystem::path("studies/../models/two_seam.inp"));
  EXPECT_EQ(StudyFolder(s), std::filesystem::path("studies/calib.cases"));
  EXPECT_EQ(s.draws, 3);
  ASSERT_EQ(s.parameters.size(), 5u);
  EXPECT_EQ(s.parameters[0].values, (std::vector<double>{1e9, 2.5e9, 4e9}));
  EXPECT_EQ(s.parameters[1].values, (std::vector<double>{40, 60, 80, 100, 120}));
  EXPECT_EQ(s.parameters[2].values, (std::vector<double>{280}));
  EXPECT_EQ(s.parameters[3].values, (std::vector<double>{0.1, 0.2, 0.3}));  // 0.3 exactly
  EXPECT_EQ(s.parameters[4].line, 9);
  EXPECT_TRUE(s.parameters[4].random);
  EXPECT_EQ(s.parameters[4].distribution.kind, kavrel::study::DistributionKind::LogNormal);
  EXPECT_EQ(s.parameters[4].distribution.seed, 11u);
}

TEST(StudyFile, NamesTheLineAndReasonOfAMistake) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"base = m.inp\nrock.modulus 2e9\n", "line 2: expected \"NAME = VALUES\""},
      {"base = m.inp\nrock.modulus = 2e9, two\n", "line 2: \"two\" is not a number"},
      {"base = m.inp\nrock.modulus = range 1 2\n", "line 2: a range is written"},
      {"base = m.inp\nrock.modulus = range 1 2 0\n", "line 2: the count of a range"},
      {"base = m.inp\ndraws = 2\nrock.modulus = normal 1 2\n", "line 3: random draws are written"},
      {"base = m.inp\ndraws = 2\nrock.modulus = normal 1 -2 seed 1\n",
       "line 3: the standard deviation"},
      {"base = m.inp\nrock.modulus = 1\nrock.modulus = 2\n",
       "line 3: rock.modulus is given twice (first on line 2)"},
      {"base = m.inp\ndraws = 0\n", "line 2: draws must be"},
      {"base = m.inp\nrock.modulus = uniform 1 2 seed 3\n",
       "random draws need the number of draws"},
      {"rock.modulus = 1\n", "no base model"},
  };
  for (const auto& c : cases) {
    StudyFile s;
    std::string error;
    EXPECT_FALSE(ParseStudyText(c.text, "s.txt", s, error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " gave: " << error;
  }
}

}  // namespace
