#include "Platform/Numbers.h"

#include <clocale>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

// Runs the body once in the "C" locale and once in a comma-decimal locale (when installed),
// since nothing here may depend on the process locale.
template <typename Body>
void inBothLocales(Body body)
{
  body();
  const char* commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"};
  for (const char* name : commaLocales) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      SCOPED_TRACE(name);
      body();
      break;
    }
  }
  std::setlocale(LC_ALL, "C");
}

TEST(Numbers, FormatsLikeTheCLocale)
{
  inBothLocales([] {
    EXPECT_EQ(pf::formatG(0.1), "0.1");
    EXPECT_EQ(pf::formatG(1234567.0), "1.23457e+06");
    EXPECT_EQ(pf::formatG(100.0), "100");
    EXPECT_EQ(pf::formatG(-0.5, 3), "-0.5");
    EXPECT_EQ(pf::formatG(1e-5), "1e-05");
    EXPECT_EQ(pf::formatF(2.5, 2), "2.50");
    EXPECT_EQ(pf::formatF(-0.0, 1), "-0.0");
    EXPECT_EQ(pf::formatF(1e20, 0), "100000000000000000000");
    EXPECT_EQ(pf::formatShortest(0.1), "0.1");
    EXPECT_EQ(pf::formatShortest(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(pf::formatShortest(-std::numeric_limits<double>::infinity()), "-inf");
  });
}

TEST(Numbers, LeadingNumberReaders)
{
  struct Case {
    const char* text;
    double asDouble;
    long long asLongLong;
  };
  const Case cases[] = {
      {"", 0, 0},
      {"abc", 0, 0},
      {"  42", 42, 42},
      {"3.75px", 3.75, 3},
      {"-2.5e2", -250, -2},
      {"+7", 7, 7},
      {".5", 0.5, 0},
      {"1e", 1, 1},           // an exponent without digits is not part of the number
      {"-", 0, 0},
      {"1,5", 1, 1},          // a comma is never a decimal separator
      {"1e400", HUGE_VAL, 1},
      {"1e-400", 0, 1},
      {"0.0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001", 0, 0},
      {"123456789e301", HUGE_VAL, 123456789},
      {"99999999999999999999999", 1e23, std::numeric_limits<long long>::max()},
      {"-99999999999999999999999", -1e23, std::numeric_limits<long long>::min()},
  };
  inBothLocales([&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      EXPECT_DOUBLE_EQ(pf::doubleValue(c.text), c.asDouble);
      EXPECT_EQ(pf::longLongValue(c.text), c.asLongLong);
    }
  });
  EXPECT_EQ(pf::intValue("99999999999"), std::numeric_limits<int>::max());
  EXPECT_EQ(pf::intValue("-99999999999"), std::numeric_limits<int>::min());
  EXPECT_TRUE(pf::boolValue("YES"));
  EXPECT_TRUE(pf::boolValue(" true"));
  EXPECT_TRUE(pf::boolValue("2"));
  EXPECT_FALSE(pf::boolValue("NO"));
  EXPECT_FALSE(pf::boolValue("0"));
}

TEST(Numbers, StrictParseNeedsTheWholeText)
{
  double out = -1;
  EXPECT_TRUE(pf::parseDouble(" 2.5 ", out));
  EXPECT_EQ(out, 2.5);
  EXPECT_FALSE(pf::parseDouble("2.5x", out));
  EXPECT_FALSE(pf::parseDouble("", out));
  EXPECT_EQ(out, 2.5);
}

TEST(Numbers, SaturatingConversions)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(pf::saturatingCast<int>(nan), 0);
  EXPECT_EQ(pf::saturatingCast<int>(inf), std::numeric_limits<int>::max());
  EXPECT_EQ(pf::saturatingCast<int>(-inf), std::numeric_limits<int>::min());
  EXPECT_EQ(pf::saturatingCast<long long>(1e300), std::numeric_limits<long long>::max());
  EXPECT_EQ(pf::saturatingCast<unsigned>(-5.0), 0u);
  EXPECT_EQ(pf::saturatingCast<int>(-2.9), -2);
  EXPECT_EQ(pf::roundedSaturatingCast<int>(2.5), 3);
  EXPECT_EQ(pf::roundedSaturatingCast<int>(-2.5), -3);
  EXPECT_EQ(pf::roundedSaturatingCast<int>(-2.4), -2);
  EXPECT_EQ(pf::roundedSaturatingCast<long>(nan), 0);
}

}  // namespace
