#include "Platform/Format.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace {

struct Described {
  std::string description() const { return "<described>"; }
};

TEST(Format, MatchesPrintfForNumericConversions)
{
  // The C library in the "C" locale is the reference.
  std::setlocale(LC_ALL, "C");
  struct Case {
    const char* format;
    double value;
  };
  const Case reals[] = {{"%g", 0.1},     {"%g", 1e-7},      {"%.3g", 1234.5}, {"%f", -2.25},
                        {"%.2f", 0.125}, {"%8.3f", 3.14159}, {"%-8.1f|", 2.0}, {"%e", 12345.678},
                        {"%+g", 5.0},    {"%010.2f", -3.5},  {"%G", 1e20},      {"%.0f", 2.5}};
  for (const Case& c : reals) {
    SCOPED_TRACE(c.format);
    char expected[128];
    std::snprintf(expected, sizeof expected, c.format, c.value);
    EXPECT_EQ(pf::format(c.format, c.value), expected);
  }
  struct IntegerCase {
    const char* format;
    long value;
  };
  const IntegerCase integers[] = {{"%d", -42}, {"%5d|", 7}, {"%-5d|", 7}, {"%05d", -7}, {"%ld", 1234567890123L},
                                  {"%x", 255}, {"%#X", 255}, {"%.3d", 5}, {"%+d", 3}};
  for (const IntegerCase& c : integers) {
    SCOPED_TRACE(c.format);
    char expected[128];
    std::snprintf(expected, sizeof expected, c.format, c.value);
    EXPECT_EQ(pf::format(c.format, c.value), expected);
  }
}

TEST(Format, AlternateFormMatchesPrintf)
{
  std::setlocale(LC_ALL, "C");
  struct Case {
    const char* format;
    double value;
  };
  const Case reals[] = {{"%#g", 1.0},     {"%#g", 0.0},       {"%#.3g", 1e-5},   {"%#.3g", 99.96},
                        {"%#.0g", 7.0},   {"%#G", 123456789}, {"%#g", 100000.0}, {"%#g", 0.0001},
                        {"%#.0f", 2.0},   {"%#.0e", 3e10},    {"%#.0E", -0.5},   {"%#12.4g|", -2.5},
                        {"%#-10.1g|", 9.96}, {"%#.2f", 1.0},  {"%#g", std::numeric_limits<double>::infinity()},
                        {"%#.20g", 0.1}};
  for (const Case& c : reals) {
    SCOPED_TRACE(c.format);
    char expected[128];
    std::snprintf(expected, sizeof expected, c.format, c.value);
    EXPECT_EQ(pf::format(c.format, c.value), expected);
  }
  struct IntegerCase {
    const char* format;
    unsigned value;
  };
  const IntegerCase integers[] = {{"%#o", 8}, {"%#o", 0}, {"%#.0o", 0}, {"%#.4o", 8}, {"%#6o|", 1}};
  for (const IntegerCase& c : integers) {
    SCOPED_TRACE(c.format);
    char expected[128];
    std::snprintf(expected, sizeof expected, c.format, c.value);
    EXPECT_EQ(pf::format(c.format, c.value), expected);
  }
}

TEST(Format, LongPrecisionsMatchPrintf)
{
  std::setlocale(LC_ALL, "C");
  struct Case {
    const char* format;
    double value;
  };
  const Case cases[] = {{"%.400e", 1.5}, {"%.1000E", -2.0 / 3.0}, {"%.800g", 1e-300}, {"%.4096e", 0.1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    char expected[5000];
    std::snprintf(expected, sizeof expected, c.format, c.value);
    EXPECT_EQ(pf::format(c.format, c.value), expected);
  }
}

TEST(Format, ObjectsStringsAndOddFormats)
{
  EXPECT_EQ(pf::format("Warning, %@ in %@", std::string("node"), "graph"), "Warning, node in graph");
  EXPECT_EQ(pf::format("%@", Described{}), "<described>");
  EXPECT_EQ(pf::format("%@ %@", 3, 2.5), "3 2.5");
  EXPECT_EQ(pf::format("100%% sure"), "100% sure");
  EXPECT_EQ(pf::format("%d and %@"), "0 and ");  // missing arguments read as 0 or empty
  EXPECT_EQ(pf::format("%@", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(pf::format("%d", true), "1");
  EXPECT_EQ(pf::format("%.2f", std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(pf::format("trailing %"), "trailing %");
  EXPECT_EQ(pf::format("%y", 1), "%y");
  EXPECT_EQ(pf::format("%*d|", 4, 9), "   9|");
  EXPECT_EQ(pf::format("%*d|", std::numeric_limits<long long>::min(), 9), "9" + std::string(4095, ' ') + "|");
}

TEST(Format, IgnoresTheProcessLocale)
{
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
    GTEST_SKIP() << "no comma-decimal locale installed";
  }
  EXPECT_EQ(pf::format("%g %.2f", 0.5, 1.25), "0.5 1.25");
  std::setlocale(LC_ALL, "C");
}

}  // namespace
