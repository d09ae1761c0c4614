// Field splitting, number parsing and line reading of the model file readers.
#include "model/input_fields.h"

#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "model_test_support.h"

namespace kavrel::input {
namespace {

TEST(InputFields, FieldsCountFromZeroAfterEachCommaAndAreNotTrimmed) {
  const std::string line = "1.5, 2 ,,x";
  EXPECT_EQ(Field(line, 0), "1.5");
  EXPECT_EQ(Field(line, 1), " 2 ");
  EXPECT_EQ(Field(line, 2), "");
  EXPECT_EQ(Field(line, 3), "x");
  EXPECT_EQ(Field(line, 4), "");   // beyond the last comma: missing
  EXPECT_EQ(Field(line, 40), "");
  EXPECT_EQ(Field("", 0), "");
}

TEST(InputFields, IntegersTakeSignAndLeadingDigitsOnly) {
  EXPECT_EQ(ParseInt("42"), 42);
  EXPECT_EQ(ParseInt("  \t-17"), -17);
  EXPECT_EQ(ParseInt("+8"), 8);
  EXPECT_EQ(ParseInt("3.7"), 3);
  EXPECT_EQ(ParseInt("1e3"), 1);
  EXPECT_EQ(ParseInt("12abc"), 12);
  EXPECT_EQ(ParseInt(""), 0);
  EXPECT_EQ(ParseInt("abc"), 0);
  EXPECT_EQ(ParseInt("- 5"), 0);
  EXPECT_EQ(ParseInt("99999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseInt("-99999999999999999999"), INT_MIN);
}

TEST(InputFields, RealsTakeTheLongestDecimalNumber) {
  EXPECT_EQ(ParseReal("0.25"), 0.25);
  EXPECT_EQ(ParseReal(" -4800"), -4800.0);
  EXPECT_EQ(ParseReal("+1.5e3"), 1500.0);
  EXPECT_EQ(ParseReal(".5"), 0.5);
  EXPECT_EQ(ParseReal("7."), 7.0);
  EXPECT_EQ(ParseReal("2e"), 2.0);       // an exponent without digits is not taken
  EXPECT_EQ(ParseReal("2.5e-2xyz"), 0.025);
  EXPECT_EQ(ParseReal("1,5"), 1.0);      // a decimal comma ends the number
  EXPECT_EQ(ParseReal("0.0916667"), 0.0916667);
  EXPECT_EQ(ParseReal(""), 0.0);
  EXPECT_EQ(ParseReal("psi"), 0.0);
  EXPECT_EQ(ParseReal("inf"), 0.0);      // only decimal numbers
  EXPECT_EQ(ParseReal("nan"), 0.0);
  EXPECT_EQ(ParseReal("."), 0.0);
  EXPECT_EQ(ParseReal("1e999"), HUGE_VAL);
  EXPECT_EQ(ParseReal("-1e999"), -HUGE_VAL);
  EXPECT_EQ(ParseReal("1e-999"), 0.0);
  EXPECT_EQ(ParseReal("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_EQ(ParseReal("1" + std::string(400, '0')), HUGE_VAL);
}

TEST(InputFields, RealsIgnoreADecimalCommaLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  const double a = ParseReal("0.25");
  const double b = ParseReal("1.5e3");
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(a, 0.25);
  EXPECT_EQ(b, 1500.0);
}

TEST(InputFields, LinesAreReadWholeAndCrLfEndsLikeLf) {
  const auto dir = testing_support::ScratchFolder();
  const std::string longLine(3000, 'x');
  testing_support::WriteFile(dir / "lines.txt", "a,b\r\n" + longLine + "\n\nlast\r");
  std::FILE* f = std::fopen((dir / "lines.txt").c_str(), "r");
  ASSERT_NE(f, nullptr);
  std::string line;
  bool ended = false;
  ASSERT_TRUE(ReadLine(f, line, &ended));
  EXPECT_EQ(line, "a,b");
  EXPECT_TRUE(ended);
  ASSERT_TRUE(ReadLine(f, line, &ended));
  EXPECT_EQ(line, longLine);
  ASSERT_TRUE(ReadLine(f, line, &ended));
  EXPECT_EQ(line, "");
  EXPECT_TRUE(ended);
  ASSERT_TRUE(ReadLine(f, line, &ended));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(ended);
  EXPECT_FALSE(ReadLine(f, line, &ended));
  EXPECT_EQ(line, "");
  std::fclose(f);
}

}  // namespace
}  // namespace kavrel::input
